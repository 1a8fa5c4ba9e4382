#include "store/new_record.h"

#include "store/codepage.h"
#include "store/lines.h"
#include "store/records.h"

#include <QList>

namespace zumivok {

namespace {

// The program's own texts, with their original spelling ("enty"): users and
// their help pages know them so, and the tests hold them to every character.
// Leave them as they are.
const QString kNoData = QStringLiteral("You have to enter something for the 'Entry Data.'");
const QString kTildeName = QStringLiteral("The Entry Name cannot start with a ~.");
const QString kNoName = QStringLiteral("You must type in something for the Entry Name.");
const QString kNameExists =
    QStringLiteral("The Entry Name already exists.  Try editing that enty instead.");

void writeLine(QByteArray &out, QByteArrayView line)
{
    out.append(line);
    out.append(kLineEnd);
}

// The character at index, with its low surrogate when it has one, so that a
// refusal shows the whole character.
QString characterAt(QStringView text, qsizetype index)
{
    const bool pair = text[index].isHighSurrogate() && index + 1 < text.size()
                      && text[index + 1].isLowSurrogate();
    return text.mid(index, pair ? 2 : 1).toString();
}

std::optional<RecordProblem> unencodableIn(QStringView text, RecordProblem::Field field)
{
    const qsizetype bad = cp1252::firstUnencodable(text);
    if (bad < 0)
        return std::nullopt;
    return RecordProblem{RecordProblem::Kind::UnencodableCharacter, field, characterAt(text, bad)};
}

} // namespace

std::vector<SaveRefusal> inputRefusals(QStringView typedName, QStringView data)
{
    using Kind = SaveRefusal::Kind;
    std::vector<SaveRefusal> refusals;
    if (data.isEmpty())
        refusals.push_back({Kind::NoData, kNoData});
    if (typedName.startsWith(QLatin1Char('~')))
        refusals.push_back({Kind::TildeName, kTildeName});
    // The name is tested as it will be stored.
    if (storedName(typedName).isEmpty())
        refusals.push_back({Kind::NoName, kNoName});
    return refusals;
}

SaveRefusal nameExists()
{
    return {SaveRefusal::Kind::NameExists, kNameExists};
}

QString storedName(QStringView typed)
{
    QString upper;
    upper.reserve(typed.size());
    for (const QChar c : typed) {
        // One to one: ß keeps its form, and µ, whose capital the file cannot
        // hold, stays as typed rather than making the name unsavable.
        const QChar u = c.toUpper();
        upper.append(cp1252::canEncode(u) ? u : c);
    }
    // Only blanks are stripped; a tab is part of the name.
    qsizetype first = 0;
    qsizetype last = upper.size();
    while (first < last && upper[first] == QLatin1Char(' '))
        ++first;
    while (last > first && upper[last - 1] == QLatin1Char(' '))
        --last;
    return upper.mid(first, last - first);
}

std::optional<RecordProblem> checkRecord(QStringView storedName, QStringView picture,
                                         QStringView data)
{
    using Kind = RecordProblem::Kind;
    using Field = RecordProblem::Field;

    // A break in the name would shift every line of the record by one.
    for (const QChar c : storedName) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return RecordProblem{Kind::LineBreakInName, Field::Name, QString(c)};
    }
    // A lone LF stays inside a line when the file is read; a CR would end it.
    if (picture.contains(QLatin1Char('\r')))
        return RecordProblem{Kind::LineBreakInPicture, Field::Picture, QStringLiteral("\r")};

    if (auto problem = unencodableIn(storedName, Field::Name))
        return problem;
    if (auto problem = unencodableIn(picture, Field::Picture))
        return problem;
    if (auto problem = unencodableIn(data, Field::Data))
        return problem;

    // A data line that begins with a marker would end the record early or
    // start a new one when the file is read back: the lines as the reader
    // will see them.
    const QByteArray bytes = cp1252::encode(data);
    MemorySource source(bytes);
    for (LineReader lines(source); !lines.atEnd();) {
        if (lines.lineStartsWith(kBeginMarker) || lines.lineStartsWith(kEndMarker))
            return RecordProblem{Kind::MarkerInData, Field::Data, cp1252::decode(lines.readLine())};
        lines.skipLine();
    }
    return std::nullopt;
}

QByteArray recordBytes(QStringView storedName, QStringView picture, QStringView data)
{
    QByteArray out;
    out.reserve(kBeginMarker.size() + storedName.size() + picture.size() + data.size()
                + kEndMarker.size() + 5 * kLineEnd.size());
    writeLine(out, kBeginMarker);
    writeLine(out, cp1252::encode(storedName));
    writeLine(out, cp1252::encode(picture));
    // The text goes in unchanged: its own CR LFs start the further data lines.
    writeLine(out, cp1252::encode(data));
    writeLine(out, kEndMarker);
    return out;
}

SaveRefusal refusalOf(const RecordProblem &problem)
{
    using Kind = RecordProblem::Kind;
    const auto box = [](const QString &text) {
        return SaveRefusal{SaveRefusal::Kind::BadRecord, text};
    };
    switch (problem.kind) {
    case Kind::LineBreakInName:
        return box(QStringLiteral("The Entry Name cannot hold a line break."));
    case Kind::LineBreakInPicture:
        return box(QStringLiteral("The picture's path cannot hold a line break."));
    case Kind::MarkerInData:
        return box(QStringLiteral("No line of the Entry Data can start with \"~Begin Entry\" or "
                                  "\"~End Entry\":\r\n%1")
                       .arg(problem.detail));
    case Kind::UnencodableCharacter:
        break;
    }
    using Field = RecordProblem::Field;
    const QString field = problem.field == Field::Name   ? QStringLiteral("Entry Name")
                          : problem.field == Field::Data ? QStringLiteral("Entry Data")
                                                         : QStringLiteral("picture's path");
    const char32_t code = problem.detail.isEmpty() ? 0 : problem.detail.toUcs4().front();
    const QString codeText = QString::number(code, 16).toUpper().rightJustified(4, u'0');
    return box(QStringLiteral("The character \"%1\" (U+%2) in the %3 cannot be stored in the "
                              "data file.")
                   .arg(problem.detail, codeText, field));
}

} // namespace zumivok
