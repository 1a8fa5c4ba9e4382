#pragma once

#include <QByteArrayView>

namespace zumivok {

// Reads the data file's lines from its bytes. A line ends at the first CR or
// CR LF, which is not part of it; a lone LF stays inside the line; the last
// line needs no terminator, and a file ending in CR LF has no empty line after
// it. The views point into the bytes given to the constructor.
class LineReader
{
public:
    explicit LineReader(QByteArrayView bytes) : m_bytes(bytes) { }

    bool atEnd() const { return m_position >= m_bytes.size(); }
    // The next line; at the end it returns an empty view and stays at the end.
    QByteArrayView next();
    // Offset of the first byte not yet read.
    qsizetype position() const { return m_position; }

private:
    QByteArrayView m_bytes;
    qsizetype m_position = 0;
};

// True when the bytes are empty or their last line has its terminator, so that
// what is appended starts a line of its own.
bool endsWithLineEnd(QByteArrayView bytes);

} // namespace zumivok
