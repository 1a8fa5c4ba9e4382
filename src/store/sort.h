#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <variant>

namespace zumivok {

// Why a file is not sorted: the slow pick-and-erase sort the file's layout
// was made for would lose, merge or split a record of it.
struct SortRefusal
{
    enum class Kind {
        EqualNames, // two names equal ignoring case
        MarkerInsideRecord, // a line inside a record begins with a marker
        StrayEndMarker, // an "~End Entry" line outside records would empty a pick
        MissingEndMarker, // a record without end marker
        BeginMarkerAtEnd, // a begin marker on the last line
    };
    Kind kind;
    QString entry; // the name of the entry concerned

    // One line for the user.
    QString describe() const;
};

// The sorted file's content: the header line, then every record in ascending
// order of its name as the pick-and-erase sort orders them, each as
// "~Begin Entry", its lines through its end-marker line, and one empty line.
std::variant<QByteArray, SortRefusal> sortedContent(QByteArrayView content);

} // namespace zumivok
