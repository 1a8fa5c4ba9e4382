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

// Erase's writing: every line it writes ends with CR LF, and the watch, when
// there is one, sees each line written.
class ErasedLines
{
public:
    ErasedLines(LineReader &lines, ByteSink &out, OpenRecordWatch *watch)
        : m_lines(lines), m_out(out), m_watch(watch)
    {
    }

    void copyLine()
    {
        // Past a record's first lines the watch looks at markers alone.
        if (m_watch && (!m_watch->onlyMarkersMatter() || m_lines.lineStartsWith("~")))
            m_watch->see(m_lines);
        m_lines.copyLineEndingCrLf(m_out);
    }

    // The marker line here, cut back to the marker.
    void writeMarker()
    {
        if (m_watch)
            m_watch->see(m_lines);
        m_lines.skipLine();
        m_out.put(kBeginMarker);
        m_out.put(kLineEnd);
    }

    // What has been written so far, to be taken back when a record goes.
    struct Mark
    {
        qint64 size;
        OpenRecordWatch::Place watch;
    };
    Mark mark() const
    {
        return {m_out.size(), m_watch ? m_watch->place() : OpenRecordWatch::Place{}};
    }
    void takeBack(const Mark &mark)
    {
        m_out.truncate(mark.size);
        if (m_watch)
            m_watch->goBackTo(mark.watch);
    }

private:
    LineReader &m_lines;
    ByteSink &m_out;
    OpenRecordWatch *m_watch;
};

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
    const QString loweredKey = lowered(key);
    ErasedLines erased(lines, out, watch);
    // Right after a kept record's name line: its picture line is written even
    // when empty, so that the record's lines keep their places.
    bool keepEmpty = false;
    while (!lines.atEnd()) {
        if (!lines.lineStartsWith(kBeginMarker)) {
            if (keepEmpty || !lines.lineIsEmpty())
                erased.copyLine();
            else
                lines.skipLine();
            keepEmpty = false;
            continue;
        }
        // The marker is written before the name is known, and taken back when
        // the record goes. A longer marker line is cut back to the marker,
        // unless its tail holds an LF: then it is several lines of a file
        // written with LF line ends, and cutting it would delete them.
        const ErasedLines::Mark mark = erased.mark();
        if (lines.lineHolds('\n'))
            erased.copyLine();
        else
            erased.writeMarker();
        keepEmpty = false;
        if (lines.atEnd())
            break; // a marker on the last line has no name to match
        const std::optional<QByteArrayView> name = lines.peekLine(loweredKey.size());
        if (name && nameMatches(loweredKey, *name)) {
            // The whole record goes, its end-marker line included; a record
            // without end marker takes the rest of the file with it.
            erased.takeBack(mark);
            if (lines.skipToLineStartingWith(kEndMarker))
                lines.skipLine();
            continue;
        }
        erased.copyLine();
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
