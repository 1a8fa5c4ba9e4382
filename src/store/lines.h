#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <algorithm>
#include <cstring>

namespace zumivok {

class Files;

// Where the bytes of a file come from, a piece at a time.
class ByteSource
{
public:
    virtual ~ByteSource() = default;
    // Reads at most size bytes: the number read, 0 at the end, or -errno.
    virtual qint64 read(char *into, qint64 size) = 0;
};

// An open file, read through the file layer.
class FileSource final : public ByteSource
{
public:
    FileSource(Files &files, int fd) : m_files(files), m_fd(fd) { }
    qint64 read(char *into, qint64 size) override;

private:
    Files &m_files;
    int m_fd;
};

// Bytes already in memory (the sort's, a record's).
class MemorySource final : public ByteSource
{
public:
    explicit MemorySource(QByteArrayView bytes) : m_bytes(bytes) { }
    qint64 read(char *into, qint64 size) override;

private:
    QByteArrayView m_bytes;
    qint64 m_read = 0;
};

// Where the bytes that a reader copies go (Erase's scratch file).
class ByteSink
{
public:
    virtual ~ByteSink() = default;
    virtual void put(QByteArrayView bytes) = 0;
    // How many bytes have been put, and taking the last ones back.
    virtual qint64 size() const = 0;
    virtual void truncate(qint64 size) = 0;
};

// Whether the bytes at at begin with prefix: the one test of a marker, or of
// any prefix, at the start of a line. Most places differ at the first byte
// or the second; the rest goes eight bytes at a time, since a call for each
// place would cost more than the look.
inline bool bytesStartWith(const char *at, QByteArrayView prefix)
{
    if (prefix.isEmpty())
        return true;
    if (at[0] != prefix[0] || (prefix.size() > 1 && at[1] != prefix[1]))
        return false;
    qsizetype i = 2;
    for (; i + 8 <= prefix.size(); i += 8) {
        quint64 here, there;
        std::memcpy(&here, at + i, sizeof here);
        std::memcpy(&there, prefix.data() + i, sizeof there);
        if (here != there)
            return false;
    }
    for (; i < prefix.size(); ++i) {
        if (at[i] != prefix[i])
            return false;
    }
    return true;
}

// The data file's lines, read from a source in pieces: the only code that
// knows the line rule. A line ends at the first CR, or CR LF, which is not
// part of it; a lone LF stays inside the line; the last line needs no
// terminator, and a file that ends in CR LF has no empty line after it.
//
// The reader always stands at the start of a line. A line can be passed over,
// copied to a sink or gathered; only a gathered line is held in memory, so
// memory is bounded by the piece size whatever the length of the file or of
// its lines. A failing read ends the lines early; error() tells.
class LineReader
{
public:
    static constexpr qsizetype kPieceSize = 256 * 1024;

    explicit LineReader(ByteSource &source, qsizetype pieceSize = kPieceSize);

    bool atEnd() { return !fill(1); }
    // Whether the line here begins with prefix (which holds no CR).
    bool lineStartsWith(QByteArrayView prefix)
    {
        return fill(prefix.size()) && bytesStartWith(here(), prefix);
    }
    // Passes over lines up to the next one that begins with prefix, and stops
    // at its start; false at the end. Lines are not split on the way: the scan
    // goes from one first character of prefix to the next.
    bool skipToLineStartingWith(QByteArrayView prefix);

    void skipLine();
    // Passes over the line when it is length bytes long, which is cheaper than
    // looking for its end; false, and the reader stays, when it is not.
    bool skipLineOfLength(qsizetype length)
    {
        if (!fill(length + 2) || here()[length] != '\r')
            return false;
        m_begin += length + 1;
        if (*here() == '\n')
            ++m_begin;
        return true;
    }
    // Moves past the first byte of the line here and no further, so that a
    // following skipToLineStartingWith does not take this line for one that
    // starts with its prefix, but tests every line after it. Only such a scan
    // may follow.
    void passLineStart()
    {
        if (fill(1))
            ++m_begin;
    }
    // Copies the line to sink with CR LF after it, whatever ended it.
    void copyLineEndingCrLf(ByteSink &sink);
    // Passes over the line, handing each piece of it to put.
    template <typename Put>
    void passLine(Put put);
    // Appends the line to out.
    void appendLine(QByteArray &out);
    QByteArray readLine();
    // The next count bytes from the start of the line here, which may run
    // past its end (fewer at the end of the file); the reader does not move.
    QByteArrayView peek(qsizetype count)
    {
        fill(count);
        return QByteArrayView(here(), std::min(count, available()));
    }
    bool lineIsEmpty();
    // The start of the line here, up to max bytes, without its terminator;
    // the reader does not move. The view lasts until the reader moves on.
    QByteArrayView lineStart(qsizetype max);
    // Where the line here starts in the source.
    qint64 position() const { return m_consumed + m_begin; }
    // At the end: whether the source is empty or its last line has its
    // terminator, so that what is appended starts a line of its own.
    bool endedWithTerminator() const;
    // Reads on to the end of the source without looking at it, so that a
    // source that cannot be read whole is noticed.
    void drain();

    // -errno of the read that failed, or 0.
    int error() const { return m_error; }

private:
    // Makes at least count bytes available at m_begin unless the source ends
    // first; keeps the two bytes before m_begin, which tell whether a line
    // starts there. Returns whether count bytes are there.
    bool fill(qsizetype count) { return available() >= count || fillMore(count); }
    bool fillMore(qsizetype count);
    qsizetype available() const { return m_end - m_begin; }
    const char *here() const { return m_buffer.constData() + m_begin; }
    bool lineStartsAt(qsizetype at) const
    {
        if (m_consumed + at < 2)
            return m_consumed + at == 0 || m_buffer.constData()[at - 1] == '\r';
        const char *bytes = m_buffer.constData();
        const char before = bytes[at - 1];
        // An LF ends a line only as the second half of CR LF.
        return before == '\r' || (before == '\n' && bytes[at - 2] == '\r');
    }
    // Offset of the next CR at or after from, or -1 when none is read yet.
    qsizetype crFrom(qsizetype from) const;
    // Steps over the terminator of a line whose CR is at cr.
    void passTerminator(qsizetype cr);

    ByteSource &m_source;
    qsizetype m_pieceSize;
    QByteArray m_buffer;
    qsizetype m_begin = 0;
    qsizetype m_end = 0;
    qint64 m_consumed = 0; // bytes of the source before m_buffer[0]
    bool m_ended = false;
    int m_error = 0;
};

template <typename Put>
inline void LineReader::passLine(Put put)
{
    while (fill(1)) {
        const qsizetype cr = crFrom(m_begin);
        if (cr >= 0) {
            put(QByteArrayView(here(), cr - m_begin));
            passTerminator(cr);
            return;
        }
        put(QByteArrayView(here(), available()));
        m_begin = m_end;
    }
}

} // namespace zumivok
