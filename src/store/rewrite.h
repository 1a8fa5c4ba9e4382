#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

namespace zumivok {

// Erase's rules: every record whose name line matches key (lowered, not
// trimmed) is left out from its begin marker through its end-marker line (or
// to the end of the file); a longer begin-marker line is cut back to
// "~Begin Entry"; empty lines outside kept records and empty data lines are
// dropped, but a kept record's name line and picture line are always written,
// even when empty, so that its lines never shift; everything else is copied.
// Every line written ends with CR LF.
QByteArray eraseRecords(QByteArrayView content, QStringView key);

// The name as Save stores it: every character in upper case one to one
// (a character whose upper case the file cannot hold stays as it is, so ß
// stays ß), then stripped of leading and trailing spaces (tabs are kept).
QString storedName(QStringView typed);

// Why a record cannot be written safely.
struct RecordProblem
{
    enum class Kind {
        LineBreakInName, // a CR or LF in the name
        LineBreakInPicture, // a CR in the picture line
        MarkerInData, // a data line begins with "~Begin Entry" or "~End Entry"
        UnencodableCharacter, // the file's character set cannot hold it
    };
    Kind kind;
    QString field; // "name", "picture" or "data"
    QString detail; // the offending character or line
};

// Checks a record before it is written; storedName must be storedName(typed).
std::optional<RecordProblem> checkRecord(QStringView storedName, QStringView picture,
                                         QStringView data);

// The offset of the last begin-marker line of content, which is taken to
// start at the start of a line; -1 when no line is a begin marker.
qsizetype lastBeginMarkerLine(QByteArrayView content);

// The name line (empty when missing) of the record that content ends inside:
// its last begin-marker line is not followed, three or more lines later (where
// data lines start), by an end-marker line. Any line written after such
// content would be read as part of that record. Nothing when it ends outside.
std::optional<QString> recordOpenAtEnd(QByteArrayView content);

// The record's bytes as Save writes them: "~Begin Entry", the name, the
// picture line, the data text, "~End Entry", each followed by CR LF.
// The record must have passed checkRecord.
QByteArray recordBytes(QStringView storedName, QStringView picture, QStringView data);

} // namespace zumivok
