// DataFile's reading side, and how a store error reads for the user. The
// writing methods live in data_file_writing.cpp.

#include "store/data_file.h"

#include "platform/files.h"
#include "store/replace.h"

#include <fcntl.h>

namespace zumivok {

namespace {

template <typename T>
Outcome<T> failed(const StoreError &error)
{
    return Outcome<T>::failure(error);
}

QString actionName(StoreError::Action action)
{
    using Action = StoreError::Action;
    switch (action) {
    case Action::Read:
        return QStringLiteral("read");
    case Action::Open:
        return QStringLiteral("open");
    case Action::Create:
        return QStringLiteral("create");
    case Action::Write:
        return QStringLiteral("write");
    case Action::Sync:
        return QStringLiteral("sync");
    case Action::Close:
        return QStringLiteral("close");
    case Action::Rename:
        return QStringLiteral("rename");
    }
    return QString();
}

// The reading commands read the file in pieces this large: a piece is scanned
// right after it is read, while it is still in the processor's cache.
qint64 readPieceSize = 512 * 1024;

// Opens a file for reading; only a regular file is a catalogue.
Outcome<int> openForReading(Files &files, const QString &file)
{
    return openRegularFile(files, file, O_RDONLY, StoreError::Action::Read);
}

StoreError readError(const QString &file, int result)
{
    return StoreError{StoreError::Action::Read, file, -result};
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
    const Outcome<int> opened = openForReading(files, file);
    if (isMissing(opened.error)) {
        QByteArray nothing;
        return {scan(nothing), std::nullopt};
    }
    if (!opened.ok())
        return failed<T>(*opened.error);
    const int fd = opened.value;
    T value{};
    FileContent content(files, fd);
    int result = content.begin();
    if (result == 0) {
        value = scan(content);
        result = content.finish();
    }
    // A failing close of a file that was only read loses nothing.
    files.close(fd);
    if (result < 0)
        return failed<T>(readError(file, result));
    return {std::move(value), std::nullopt};
}

} // namespace

QString StoreError::describe() const
{
    if (reason == Reason::EndsInsideRecord) {
        // A name may hold tabs or a lone LF; the message stays on one line.
        QString name = entry;
        for (QChar &c : name) {
            if (c.unicode() < 0x20)
                c = QLatin1Char(' ');
        }
        const QString theEntry = name.isEmpty() ? QStringLiteral("the entry without a name")
                                                : QStringLiteral("the entry %1").arg(name);
        return QStringLiteral("The data file ends inside %1, which has no \"~End Entry\" line: "
                              "a new entry written after it would become part of it.")
            .arg(theEntry);
    }
    QString line = action == Action::Rename
        ? QStringLiteral("Could not rename %1 to %2").arg(path, target)
        : QStringLiteral("Could not %1 %2").arg(actionName(action), path);
    if (reason == Reason::NotRegularFile)
        line += QStringLiteral(": Not a regular file");
    else if (error != 0)
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
    const Outcome<int> opened = openForReading(m_files, file);
    if (isMissing(opened.error)) {
        if (missing)
            *missing = true;
        return {};
    }
    if (!opened.ok())
        return failed<QByteArray>(*opened.error);

    QByteArray content;
    const int result = readAll(m_files, opened.value, content);
    // A failing close of a file that was only read loses nothing.
    m_files.close(opened.value);
    if (result < 0)
        return failed<QByteArray>(readError(file, result));
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
