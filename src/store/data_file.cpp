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

    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int fd = m_files.open(file, O_RDONLY | O_NONBLOCK);
    if (fd == -ENOENT) {
        if (missing)
            *missing = true;
        return {};
    }
    if (fd < 0)
        return readError(fd);

    // Only a regular file is a catalogue: a directory, FIFO or device is refused
    // before a byte is read from it.
    struct stat status {};
    int result = m_files.fstat(fd, &status);
    if (result == 0 && S_ISDIR(status.st_mode))
        result = -EISDIR;
    else if (result == 0 && !S_ISREG(status.st_mode))
        result = -ENODEV;

    QByteArray content;
    if (result == 0)
        result = readAll(m_files, fd, content);
    // A failing close of a file that was only read loses nothing.
    m_files.close(fd);
    if (result < 0)
        return readError(result);
    return {std::move(content), std::nullopt};
}

Outcome<SearchHit> DataFile::search(QStringView typed) const
{
    const Outcome<QByteArray> content = readContent();
    if (!content.ok())
        return failed<SearchHit>(*content.error);
    return {searchRecords(content.value, typed), std::nullopt};
}

Outcome<std::optional<ShownEntry>> DataFile::entryAt(qint64 position) const
{
    const Outcome<QByteArray> content = readContent();
    if (!content.ok())
        return failed<std::optional<ShownEntry>>(*content.error);
    return {recordAt(content.value, position), std::nullopt};
}

Outcome<QString> DataFile::topicList() const
{
    const Outcome<QByteArray> content = readContent();
    if (!content.ok())
        return failed<QString>(*content.error);
    return {zumivok::topicList(content.value), std::nullopt};
}

Outcome<bool> DataFile::containsName(QStringView name) const
{
    const Outcome<QByteArray> content = readContent();
    if (!content.ok())
        return failed<bool>(*content.error);
    return {zumivok::containsName(content.value, name), std::nullopt};
}

} // namespace zumivok
