#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace zumivok {

// The record Done writes: the input tests and their boxes, the name as it is
// stored, the checks that it reads back as itself, and its bytes.

// A box that Done shows instead of saving.
struct SaveRefusal
{
    enum class Kind {
        NoData, // the data box is empty
        TildeName, // the name begins with "~"
        NoName, // the stored name is empty
        BadRecord, // the record would not read back as itself (see RecordProblem)
        NameExists, // New: an entry of that name is there already
    };
    Kind kind;
    QString text;
};

// Done's input tests, all of them, in the order their boxes come.
std::vector<SaveRefusal> inputRefusals(QStringView typedName, QStringView data);
SaveRefusal nameExists();

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

// The box for a record that would not read back as itself.
SaveRefusal refusalOf(const RecordProblem &problem);

} // namespace zumivok
