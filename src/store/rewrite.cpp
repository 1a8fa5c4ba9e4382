#include "store/rewrite.h"

#include "store/codepage.h"
#include "store/lines.h"
#include "store/records.h"

#include <optional>
#include <utility>

namespace zumivok {

namespace {

void writeLine(QByteArray &out, QByteArrayView line)
{
    out.append(line);
    out.append(kLineEnd);
}

// A begin-marker line as Erase writes it: the marker alone, whatever followed
// it on the line dropped, unless that tail holds an LF: then the line is
// several lines of a file written with LF line ends, and cutting it would
// delete them. The tail streams out and is taken back when it holds none.
void writeMarkerLine(LineReader &lines, ByteSink &out)
{
    const qint64 start = out.size();
    bool holdsLf = false;
    lines.passLine([&](QByteArrayView piece) {
        holdsLf = holdsLf || piece.contains('\n');
        out.put(piece);
    });
    if (!holdsLf)
        out.truncate(start + kBeginMarker.size());
    out.put(kLineEnd);
}

// The lines of a data text as a reader of the file will see them: a line ends
// at CR or CR LF, while a lone LF stays inside the line.
template <typename Visit>
bool anyDataLine(QStringView data, Visit visit)
{
    qsizetype start = 0;
    for (;;) {
        const qsizetype cr = data.indexOf(QLatin1Char('\r'), start);
        const QStringView line = data.mid(start, cr < 0 ? data.size() - start : cr - start);
        if (visit(line))
            return true;
        if (cr < 0)
            return false;
        start = cr + 1;
        if (start < data.size() && data[start] == QLatin1Char('\n'))
            ++start;
    }
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

void eraseRecords(LineReader &lines, QStringView key, ByteSink &out, OpenRecordWatch *watch)
{
    const NameKey name(key);
    const auto copyLine = [&] {
        // Past a record's first lines the watch looks at markers alone.
        if (watch && (!watch->onlyMarkersMatter() || lines.lineStartsWith("~")))
            watch->see(lines);
        lines.copyLineEndingCrLf(out);
    };
    // Right after a kept record's name line: its picture line is written even
    // when empty, so that the record's lines keep their places.
    bool keepEmpty = false;
    while (!lines.atEnd()) {
        if (!lines.lineStartsWith(kBeginMarker)) {
            if (keepEmpty || !lines.lineIsEmpty())
                copyLine();
            else
                lines.skipLine();
            keepEmpty = false;
            continue;
        }
        // The marker is written before the name is known, and taken back when
        // the record goes.
        const qint64 marker = out.size();
        writeMarkerLine(lines, out);
        keepEmpty = false;
        if (name.isLineAt(lines)) {
            // The whole record goes, its end-marker line included; a record
            // without end marker takes the rest of the file with it.
            out.truncate(marker);
            if (lines.skipToLineStartingWith(kEndMarker))
                lines.skipLine();
            continue;
        }
        if (watch)
            watch->seeBeginMarker();
        if (lines.atEnd())
            break;
        copyLine();
        keepEmpty = true;
    }
}

QByteArray eraseRecords(QByteArrayView content, QStringView key)
{
    MemorySource source(content);
    LineReader lines(source);
    ByteArraySink out;
    eraseRecords(lines, key, out);
    return out.take();
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
    // start a new one when the file is read back.
    QString markerLine;
    const bool marked = anyDataLine(data, [&](QStringView line) {
        const QByteArray bytes = cp1252::encode(line.left(kBeginMarker.size()));
        if (!isBeginMarker(bytes) && !isEndMarker(bytes))
            return false;
        markerLine = line.toString();
        return true;
    });
    if (marked)
        return RecordProblem{Kind::MarkerInData, Field::Data, markerLine};
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

} // namespace zumivok
