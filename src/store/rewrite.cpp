#include "store/rewrite.h"

#include "store/codepage.h"
#include "store/lines.h"
#include "store/records.h"

#include <utility>

namespace zumivok {

namespace {

constexpr QByteArrayView kLineEnd = "\r\n";

void writeLine(QByteArray &out, QByteArrayView line)
{
    out.append(line);
    out.append(kLineEnd);
}

// Builds Erase's output from the lines of content. A line that is written
// as it stands and ended by CR LF in content is copied together with its
// neighbours in one piece, so that a large file costs few copies rather than
// two appends a line.
class LineCopier
{
public:
    explicit LineCopier(QByteArrayView content) : m_content(content)
    {
        m_out.reserve(content.size() + kLineEnd.size());
    }

    // Writes line, which stands in content from start to end, its terminator
    // included.
    void write(QByteArrayView line, qsizetype start, qsizetype end)
    {
        const bool endsInCrLf = end - start == line.size() + kLineEnd.size();
        if (endsInCrLf && start == m_runEnd) {
            m_runEnd = end;
            return;
        }
        flush();
        if (endsInCrLf) {
            m_runStart = start;
            m_runEnd = end;
            return;
        }
        writeLine(m_out, line);
        m_runStart = m_runEnd = end;
    }

    // Writes a begin-marker line as exactly "~Begin Entry", unless its tail
    // holds an LF: then it is several lines of a file written with LF line
    // ends, and cutting it back would delete them.
    void writeMarker(QByteArrayView line, qsizetype start, qsizetype end)
    {
        if (line.size() == kBeginMarker.size() || line.contains('\n')) {
            write(line, start, end);
            return;
        }
        flush();
        writeLine(m_out, kBeginMarker);
        m_runStart = m_runEnd = end;
    }

    QByteArray finish()
    {
        flush();
        return std::move(m_out);
    }

private:
    void flush()
    {
        m_out.append(m_content.sliced(m_runStart, m_runEnd - m_runStart));
        m_runStart = m_runEnd;
    }

    QByteArrayView m_content;
    QByteArray m_out;
    // The pending piece of content that is to be copied as it stands.
    qsizetype m_runStart = 0;
    qsizetype m_runEnd = 0;
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

std::optional<RecordProblem> unencodableIn(QStringView text, const QString &field)
{
    const qsizetype bad = cp1252::firstUnencodable(text);
    if (bad < 0)
        return std::nullopt;
    return RecordProblem{RecordProblem::Kind::UnencodableCharacter, field, characterAt(text, bad)};
}

} // namespace

QByteArray eraseRecords(QByteArrayView content, QStringView key)
{
    const QString loweredKey = lowered(key);
    LineCopier out(content);
    LineReader reader(content);
    // Set right after a kept record's name line: the line that follows is its
    // picture line and is written even when empty, so that the record's lines
    // keep their places.
    bool pictureLineNext = false;
    while (!reader.atEnd()) {
        const qsizetype start = reader.position();
        const QByteArrayView line = reader.next();
        if (isBeginMarker(line)) {
            const qsizetype markerEnd = reader.position();
            pictureLineNext = false;
            if (reader.atEnd()) {
                // A marker on the last line has no name to match.
                out.writeMarker(line, start, markerEnd);
                break;
            }
            QByteArrayView current = reader.next();
            if (nameMatches(loweredKey, current)) {
                // The whole record goes, its end-marker line included; a record
                // without end marker takes the rest of the file with it.
                while (!reader.atEnd() && !isEndMarker(current))
                    current = reader.next();
                continue;
            }
            out.writeMarker(line, start, markerEnd);
            out.write(current, markerEnd, reader.position());
            pictureLineNext = true;
            continue;
        }
        if (!line.isEmpty() || pictureLineNext)
            out.write(line, start, reader.position());
        pictureLineNext = false;
    }
    return out.finish();
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
    const QString name = QStringLiteral("name");
    const QString pictureField = QStringLiteral("picture");
    const QString dataField = QStringLiteral("data");

    // A break in the name would shift every line of the record by one.
    for (const QChar c : storedName) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return RecordProblem{Kind::LineBreakInName, name, QString(c)};
    }
    // A lone LF stays inside a line when the file is read; a CR would end it.
    if (picture.contains(QLatin1Char('\r')))
        return RecordProblem{Kind::LineBreakInPicture, pictureField, QStringLiteral("\r")};

    if (auto problem = unencodableIn(storedName, name))
        return problem;
    if (auto problem = unencodableIn(picture, pictureField))
        return problem;
    if (auto problem = unencodableIn(data, dataField))
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
        return RecordProblem{Kind::MarkerInData, dataField, markerLine};
    return std::nullopt;
}

qsizetype lastBeginMarkerLine(QByteArrayView content)
{
    // A line starts after every CR, and after the LF of a CR LF pair.
    const auto startsLine = [&content](qsizetype at) {
        return at == 0 || content[at - 1] == '\r'
            || (content[at - 1] == '\n' && at >= 2 && content[at - 2] == '\r');
    };
    for (qsizetype at = content.lastIndexOf(kBeginMarker); at >= 0;
         at = at == 0 ? -1 : content.lastIndexOf(kBeginMarker, at - 1)) {
        if (startsLine(at))
            return at;
    }
    return -1;
}

std::optional<QString> recordOpenAtEnd(QByteArrayView content)
{
    const qsizetype marker = lastBeginMarkerLine(content);
    if (marker < 0)
        return std::nullopt;
    LineReader lines(content.sliced(marker));
    lines.next();
    const QByteArrayView name = lines.next();
    // Line 2 is the picture line; an end marker counts from the data lines on.
    for (qsizetype index = 2; !lines.atEnd(); ++index) {
        if (isEndMarker(lines.next()) && index >= 3)
            return std::nullopt;
    }
    return cp1252::decode(name);
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
