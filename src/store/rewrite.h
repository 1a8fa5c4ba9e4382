#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

namespace zumivok {

class ByteSink;
class LineReader;
class OpenRecordWatch;

// Erase's rules: every record whose name line matches key (lowered, not
// trimmed) is left out from its begin marker through its end-marker line (or
// to the end of the file); a longer begin-marker line is cut back to
// "~Begin Entry"; empty lines outside kept records and empty data lines are
// dropped, but a kept record's name line and picture line are always written,
// even when empty, so that its lines never shift; everything else is copied.
// Every line written ends with CR LF. The lines stream from lines to out;
// watch, when given, sees every line written.
void eraseRecords(LineReader &lines, QStringView key, ByteSink &out,
                  OpenRecordWatch *watch = nullptr);
// The same in memory.
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
    enum class Field { Name, Picture, Data };
    Kind kind;
    Field field;
    QString detail; // the offending character or line
};

// Checks a record before it is written; storedName must be storedName(typed).
std::optional<RecordProblem> checkRecord(QStringView storedName, QStringView picture,
                                         QStringView data);

// The record's bytes as Save writes them: "~Begin Entry", the name, the
// picture line, the data text, "~End Entry", each followed by CR LF.
// The record must have passed checkRecord.
QByteArray recordBytes(QStringView storedName, QStringView picture, QStringView data);

} // namespace zumivok
