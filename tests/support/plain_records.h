#pragma once

// The data file read the plain way, one line after another, as a reference
// for the store's readers, which skip from one possible marker to the next:
// the tests and fuzzers hold those against these.

#include "store/records.h"

#include <QByteArrayList>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace zumivok::test::plain {

// A line ends at a CR or CR LF, which is not part of it; a lone LF stays
// inside it; the last line needs no terminator.
QByteArrayList lines(QByteArrayView bytes);

// Search: counts begin-marker lines; the line after each is a name, and the
// first that matches ignoring case is shown. A name line is passed over, not
// tested for a marker.
SearchHit search(QByteArrayView bytes, QStringView typed);
// Next and Previous: the record after the position-th begin-marker line,
// counting every line, the name lines of records passed over too.
std::optional<ShownEntry> recordAt(QByteArrayView bytes, qint64 position);
// Topic: the line after every begin-marker line, each followed by CR LF.
QString topicList(QByteArrayView bytes);
// Save's duplicate test: whether Search finds the name.
inline bool containsName(QByteArrayView bytes, QStringView name)
{
    return search(bytes, name).entry.has_value();
}

// "name|picture|text", or "-" for no entry, so that entries compare and print.
inline QString shown(const std::optional<ShownEntry> &entry)
{
    return entry ? entry->name + '|' + entry->picture + '|' + entry->text : QStringLiteral("-");
}

// A record as the file's layout defines it: after a begin-marker line the
// name and picture lines, whatever they hold, then data lines through the
// first end-marker line. Complete when that line comes before the file ends.
struct Record
{
    QByteArrayList lines; // from the name line on
    bool complete = false;
};
// The records in order; endMarkerOutside, when given, is set when an
// end-marker line stands outside every record.
QList<Record> records(QByteArrayView bytes, bool *endMarkerOutside = nullptr);

} // namespace zumivok::test::plain
