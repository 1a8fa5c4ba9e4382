// DataFile's reading side, and how a store error reads for the user. The
// writing methods live in data_file_writing.cpp.

#include "store/data_file.h"

#include "platform/files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace zumivok {

namespace {

template <typename T>
Outcome<T> failed(const StoreError &error)
{
    return Outcome<T>::failure(error);
}

// The reading commands read the file in pieces this large: a piece is scanned
// right after it is read, while it is still in the processor's cache.
qint64 readPieceSize = 512 * 1024;

// Opens a file for reading. Only a regular file is a catalogue: a directory,
// FIFO or device is refused before a byte is read from it. Returns the
// descriptor, or -errno (-ENOENT for a missing file).
int openRegular(Files &files, const QString &file)
{
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int fd = files.open(file, O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return fd;
    struct stat status {};
    int result = files.fstat(fd, &status);
    if (result == 0 && S_ISDIR(status.st_mode))
        result = -EISDIR;
    else if (result == 0 && !S_ISREG(status.st_mode))
        result = -ENODEV;
    if (result < 0)
        files.close(fd);
    return result < 0 ? result : fd;
}

// An open data file as the scans read it; a failing read ends it early and is
// kept for the caller.
class FileContent final : public ContentSource
{
public:
    FileContent(Files &files, int fd) : m_reader(files, fd, readPieceSize) { }

    int begin() { return m_error = m_reader.begin(); }
    QByteArrayView bytes() const override { return m_reader.bytes(); }
    bool readMore() override
    {
        if (m_ended)
            return false;
        const qint64 got = m_reader.next();
        m_ended = got <= 0;
        m_error = got < 0 ? int(got) : 0;
        return !m_ended;
    }
    // Reads what the scan left; returns 0, or -errno of the read that failed.
    int finish()
    {
        while (readMore()) { }
        return m_error;
    }

private:
    PieceReader m_reader;
    bool m_ended = false;
    int m_error = 0;
};

// Opens the data file and runs scan over it as it is read. A missing file is
// scanned as empty. Every byte is read even when the scan stops early, so that
// a file that cannot be read is reported whatever it holds.
template <typename T, typename Scan>
Outcome<T> scanFile(Files &files, const QString &file, Scan scan)
{
    const int fd = openRegular(files, file);
    if (fd == -ENOENT) {
        QByteArray nothing;
        return {scan(nothing), std::nullopt};
    }
    int result = fd;
    T value{};
    if (fd >= 0) {
        FileContent content(files, fd);
        result = content.begin();
        if (result == 0) {
            value = scan(content);
            result = content.finish();
        }
        // A failing close of a file that was only read loses nothing.
        files.close(fd);
    }
    if (result < 0)
        return failed<T>(StoreError{QStringLiteral("read"), file, -result, {}});
    return {std::move(value), std::nullopt};
}

} // namespace

QString StoreError::describe() const
{
    QString line = action == QLatin1String("rename")
        ? QStringLiteral("Could not rename %1 to %2").arg(path, target)
        : QStringLiteral("Could not %1 %2").arg(action, path);
    if (error != 0)
        line += QStringLiteral(": ") + errorText(error);
    return line + QLatin1Char('.');
}

DataFile::DataFile(Files &files, const QString &directory)
    : m_files(files), m_directory(directory)
{
}

QString DataFile::pathOf(const QString &name) const
{
    // Not examined: a directory that ends in "/" gives "//", which the system takes.
    return m_directory + QLatin1Char('/') + name;
}

Outcome<QByteArray> DataFile::readContent(bool *missing) const
{
    if (missing)
        *missing = false;
    const QString file = path();
    // The calls of Files return -errno.
    const auto readError = [&](int result) {
        return failed<QByteArray>(StoreError{QStringLiteral("read"), file, -result, {}});
    };

    const int fd = openRegular(m_files, file);
    if (fd == -ENOENT) {
        if (missing)
            *missing = true;
        return {};
    }
    if (fd < 0)
        return readError(fd);

    QByteArray content;
    const int result = readAll(m_files, fd, content);
    // A failing close of a file that was only read loses nothing.
    m_files.close(fd);
    if (result < 0)
        return readError(result);
    return {std::move(content), std::nullopt};
}

Outcome<SearchHit> DataFile::search(QStringView typed) const
{
    return scanFile<SearchHit>(m_files, path(), [&](auto &content) {
        return searchRecords(content, typed);
    });
}

Outcome<std::optional<ShownEntry>> DataFile::entryAt(qint64 position) const
{
    return scanFile<std::optional<ShownEntry>>(m_files, path(), [&](auto &content) {
        return recordAt(content, position);
    });
}

Outcome<QString> DataFile::topicList() const
{
    return scanFile<QString>(m_files, path(),
                             [](auto &content) { return zumivok::topicList(content); });
}

Outcome<bool> DataFile::containsName(QStringView name) const
{
    return scanFile<bool>(m_files, path(), [&](auto &content) {
        return zumivok::containsName(content, name);
    });
}

void detail::setReadPieceSize(qint64 bytes)
{
    readPieceSize = bytes;
}

} // namespace zumivok
