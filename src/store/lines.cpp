#include "store/lines.h"

#include "platform/files.h"

#include <algorithm>
#include <cstring>

namespace zumivok {

namespace {

// The bytes kept before the reader's place: a line starts after a CR, and
// after the LF of a CR LF.
constexpr qsizetype kHistory = 2;

const char *find(const char *from, const char *to, char byte)
{
    return static_cast<const char *>(std::memchr(from, byte, size_t(to - from)));
}

} // namespace

qint64 FileSource::read(char *into, qint64 size)
{
    return m_files.read(m_fd, into, size);
}

qint64 MemorySource::read(char *into, qint64 size)
{
    const qint64 got = std::clamp<qint64>(m_bytes.size() - m_read, 0, size);
    // An empty view may have no bytes at all to point at.
    if (got > 0)
        std::memcpy(into, m_bytes.data() + m_read, size_t(got));
    m_read += got;
    return got;
}

LineReader::LineReader(ByteSource &source, qsizetype pieceSize)
    : m_source(source), m_pieceSize(std::max<qsizetype>(pieceSize, 1))
{
}

bool LineReader::fillMore(qsizetype count)
{
    while (available() < count && !m_ended) {
        // Keep what is unread and the bytes just before it at the front.
        const qsizetype keep = std::max<qsizetype>(m_begin - kHistory, 0);
        if (keep > 0 && m_end + m_pieceSize > m_buffer.size()) {
            std::memmove(m_buffer.data(), m_buffer.constData() + keep, size_t(m_end - keep));
            m_begin -= keep;
            m_end -= keep;
            m_consumed += keep;
        }
        const qsizetype room = std::max(m_pieceSize, count - available());
        if (m_end + room > m_buffer.size())
            m_buffer.resize(m_end + room);
        const qint64 got = m_source.read(m_buffer.data() + m_end, room);
        if (got <= 0) {
            m_ended = true;
            m_error = got < 0 ? int(got) : 0;
            break;
        }
        m_end += got;
    }
    return available() >= count;
}

bool LineReader::skipToLineStartingWith(QByteArrayView prefix)
{
    // Each byte equal to the prefix's first is a possible start: it is
    // checked against the bytes before it and after it. One whose prefix has
    // not been read whole waits for the next piece.
    while (fill(prefix.size())) {
        const char *bytes = m_buffer.constData();
        const char *end = bytes + m_end;
        const char *lastWhole = end - prefix.size();
        const char *at = bytes + m_begin;
        while ((at = find(at, end, prefix.front())) && at <= lastWhole) {
            if (bytesStartWith(at, prefix) && lineStartsAt(at - bytes)) {
                m_begin = at - bytes;
                return true;
            }
            ++at;
        }
        m_begin = at ? at - bytes : m_end;
    }
    // Too few bytes are left to begin with prefix.
    m_begin = m_end;
    return false;
}

qsizetype LineReader::crFrom(qsizetype from) const
{
    const char *cr = find(m_buffer.constData() + from, m_buffer.constData() + m_end, '\r');
    return cr ? cr - m_buffer.constData() : -1;
}

void LineReader::passTerminator(qsizetype cr)
{
    m_begin = cr + 1;
    if (fill(1) && *here() == '\n')
        ++m_begin;
}

QByteArrayView LineReader::lineStart(qsizetype max)
{
    const QByteArrayView start = peek(max);
    const char *cr = find(start.data(), start.data() + start.size(), '\r');
    return cr ? start.first(cr - start.data()) : start;
}

bool LineReader::endedWithTerminator() const
{
    // The two bytes before the reader's place are always kept.
    const char *bytes = m_buffer.constData();
    if (m_consumed + m_end == 0 || bytes[m_end - 1] == '\r')
        return true;
    // An LF ends a line only as the second half of CR LF.
    return bytes[m_end - 1] == '\n' && m_consumed + m_end >= 2 && bytes[m_end - 2] == '\r';
}

void LineReader::drain()
{
    while (!m_ended) {
        m_begin = m_end;
        fill(1);
    }
    m_begin = m_end;
}

void LineReader::skipLine()
{
    passLine([](QByteArrayView) { });
}

void LineReader::copyLineEndingCrLf(ByteSink &sink)
{
    // Mostly the line and its CR LF stand together in the piece read: they
    // go out in one.
    if (fill(1)) {
        const qsizetype cr = crFrom(m_begin);
        if (cr >= 0 && cr + 1 < m_end && m_buffer.constData()[cr + 1] == '\n') {
            sink.put(QByteArrayView(here(), cr + 2 - m_begin));
            m_begin = cr + 2;
            return;
        }
    }
    passLine([&sink](QByteArrayView piece) {
        if (!piece.isEmpty())
            sink.put(piece);
    });
    sink.put("\r\n");
}

void LineReader::appendLine(QByteArray &out)
{
    passLine([&out](QByteArrayView piece) { out.append(piece); });
}

QByteArray LineReader::readLine()
{
    QByteArray line;
    appendLine(line);
    return line;
}

bool LineReader::lineIsEmpty()
{
    return fill(1) && *here() == '\r';
}

} // namespace zumivok
