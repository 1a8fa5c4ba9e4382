#include "store/lines.h"

#include <cstring>

namespace zumivok {

QByteArrayView LineReader::next()
{
    const qsizetype size = m_bytes.size();
    if (m_position >= size)
        return {};
    const char *start = m_bytes.data() + m_position;
    const auto *cr = static_cast<const char *>(std::memchr(start, '\r', size_t(size - m_position)));
    if (!cr) {
        // The last line, without terminator.
        m_position = size;
        return QByteArrayView(start, m_bytes.data() + size - start);
    }
    const QByteArrayView line(start, cr - start);
    m_position = cr - m_bytes.data() + 1;
    if (m_position < size && m_bytes[m_position] == '\n')
        ++m_position;
    return line;
}

bool endsWithLineEnd(QByteArrayView bytes)
{
    if (bytes.isEmpty() || bytes.back() == '\r')
        return true;
    // An LF ends the line only as the second half of CR LF.
    return bytes.back() == '\n' && bytes.size() >= 2 && bytes[bytes.size() - 2] == '\r';
}

} // namespace zumivok
