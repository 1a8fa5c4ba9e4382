#include "store/records.h"

#include "store/codepage.h"
#include "store/lines.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace zumivok {

namespace {

bool startsWith(QByteArrayView line, QByteArrayView marker)
{
    return line.size() >= marker.size() && bytesStartWith(line.data(), marker);
}

} // namespace

bool isBeginMarker(QByteArrayView line)
{
    return startsWith(line, kBeginMarker);
}

bool isEndMarker(QByteArrayView line)
{
    return startsWith(line, kEndMarker);
}

QString lowered(QStringView text)
{
    // Character by character, so that the length never changes and each
    // character can be set against one byte of a name line.
    QString result(text.size(), Qt::Uninitialized);
    QChar *out = result.data();
    for (const QChar character : text)
        *out++ = character.toLower();
    return result;
}

bool nameMatches(QStringView loweredKey, QByteArrayView nameLine)
{
    if (loweredKey.size() != nameLine.size())
        return false;
    // From the end backwards: names that share a beginning (numbered ones)
    // end differently.
    for (qsizetype i = loweredKey.size() - 1; i >= 0; --i) {
        if (loweredKey[i] != cp1252::lowerOf(static_cast<unsigned char>(nameLine[i])))
            return false;
    }
    return true;
}

bool NameKey::isLineAt(LineReader &lines) const
{
    // Only the key's length of bytes and the one after them are looked at,
    // which is cheaper than finding the line's end: a CR among them cannot
    // match the key, which holds none. A begin marker on the last line has no
    // name to match.
    const qsizetype length = m_lowered.size();
    const QByteArrayView start = lines.peek(length + 1);
    if (!m_canMatch || (start.size() > length ? start.back() != '\r' : lines.atEnd()))
        return false;
    return nameMatches(m_lowered, start.first(std::min(start.size(), length)));
}

bool RecordReader::next()
{
    while (m_lines.skipToLineStartingWith("~")) {
        // Mostly the end marker of the record before stands here, and the
        // next begin marker follows it, perhaps after an empty line: those
        // lines are passed whole and the next one looked at without a scan.
        while ((m_lines.lineStartsWith(kEndMarker) && m_lines.skipLineOfLength(kEndMarker.size()))
               || m_lines.skipLineOfLength(0)) {
        }
        if (m_lines.lineStartsWith(kBeginMarker)) {
            // Most marker lines hold the marker alone.
            if (!m_lines.skipLineOfLength(kBeginMarker.size()))
                m_lines.skipLine();
            return true;
        }
        m_lines.passLineStart();
    }
    return false;
}

bool RecordReader::atEnd()
{
    return m_lines.atEnd();
}

ShownEntry RecordReader::readShown()
{
    ShownEntry entry;
    entry.picture = kNoPicture.toString();
    if (m_lines.atEnd())
        return entry;
    entry.name = cp1252::decode(m_lines.readLine());
    if (m_lines.atEnd())
        return entry;
    entry.picture = cp1252::decode(m_lines.readLine());
    // Gathered as bytes and decoded once; these lines are not tested for a
    // begin marker.
    QByteArray text;
    while (!m_lines.atEnd() && !m_lines.lineStartsWith(kEndMarker)) {
        m_lines.appendLine(text);
        text.append(kLineEnd);
    }
    m_lines.skipLine();
    entry.text = cp1252::decode(text);
    return entry;
}

void OpenRecordWatch::see(LineReader &lines)
{
    // The marker tests need no more than a marker's length: a CR among those
    // bytes fails them anyway.
    if (m_open && m_linesSince == 0) {
        const QByteArrayView name = lines.lineStart(kNameShown);
        m_name.assign(name.data(), size_t(name.size()));
        m_nameSeen = true;
        m_linesSince = 1;
        return;
    }
    const QByteArrayView start = lines.peek(kBeginMarker.size());
    if (isBeginMarker(start))
        seeBeginMarker();
    else if (++m_linesSince >= 3 && isEndMarker(start))
        m_open = false;
}

void OpenRecordWatch::seeBeginMarker()
{
    m_open = true;
    m_linesSince = 0;
    m_nameSeen = false;
}

std::optional<QString> OpenRecordWatch::openRecord() const
{
    if (!m_open)
        return std::nullopt;
    if (!m_nameSeen)
        return QString();
    return cp1252::decode(QByteArrayView(m_name.data(), qsizetype(m_name.size())));
}

FileEnd scanToEnd(LineReader &lines, std::optional<QStringView> name)
{
    // Every begin-marker line but a name line starts a record, for the watch
    // as for the record reader, so the watch tells where the name lines are.
    const std::optional<NameKey> key = name ? std::optional<NameKey>(*name) : std::nullopt;
    FileEnd end;
    OpenRecordWatch watch;
    while (!lines.atEnd()) {
        if (watch.onlyMarkersMatter() && !lines.skipToLineStartingWith("~"))
            break;
        if (key && !end.named && watch.atNameLine())
            end.named = key->isLineAt(lines);
        watch.see(lines);
        lines.skipLine();
    }
    end.openRecord = watch.openRecord();
    return end;
}

SearchHit searchRecords(LineReader &lines, QStringView typed)
{
    const NameKey key(typed);
    SearchHit hit;
    RecordReader records(lines);
    while (records.next()) {
        ++hit.entryNumber;
        if (key.isLineAt(lines)) {
            hit.entry = records.readShown();
            break;
        }
        // The name line is not tested for a begin marker; the rest of the
        // record is scanned like any other lines.
        lines.passLineStart();
    }
    return hit;
}

std::optional<ShownEntry> recordAt(LineReader &lines, qint64 position)
{
    RecordReader records(lines);
    for (qint64 counted = 0; position > 0 && records.next();) {
        // The name line of a record passed over is tested for a begin marker
        // in its turn, like every other line.
        if (++counted == position)
            return records.readShown();
    }
    return std::nullopt;
}

QString topicList(LineReader &lines)
{
    // Gathered as bytes and decoded in one go.
    std::string names;
    RecordReader records(lines);
    // A begin marker on the last line has no name to list.
    while (records.next() && !records.atEnd()) {
        lines.passLine([&names](QByteArrayView piece) {
            names.append(piece.data(), size_t(piece.size()));
        });
        names.append(kLineEnd.data(), size_t(kLineEnd.size()));
    }
    return cp1252::decode(QByteArrayView(names.data(), qsizetype(names.size())));
}

bool containsName(LineReader &lines, QStringView name)
{
    // The duplicate test as New makes it, in the read that also finds how the
    // file ends.
    return scanToEnd(lines, name).named;
}

} // namespace zumivok
