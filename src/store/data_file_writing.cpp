#include "store/data_file.h"

#include "platform/files.h"
#include "store/replace.h"
#include "store/rewrite.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <new>
#include <thread>

namespace zumivok {

namespace {

// How long a writing command waits for another window's to end.
constexpr auto kLockWait = std::chrono::seconds(3);
constexpr auto kLockRetry = std::chrono::milliseconds(20);

// The data directory's advisory lock, held for the whole of one writing
// command, so that two windows on one catalogue never interleave their reads,
// writes and renames. It is taken on the directory itself and adds no file. A
// directory that cannot be opened or locked at all (a file system without
// locks) is written to unlocked, as before; the check that the data file is
// still the one that was read stays.
class DirectoryLock
{
public:
    DirectoryLock(Files &files, const QString &directory) : m_files(files)
    {
        m_fd = files.open(directory, O_RDONLY | O_DIRECTORY);
        if (m_fd < 0)
            return;
        const auto deadline = std::chrono::steady_clock::now() + kLockWait;
        for (;;) {
            const int locked = files.flock(m_fd, LOCK_EX | LOCK_NB);
            if (locked != -EWOULDBLOCK)
                return;
            if (std::chrono::steady_clock::now() >= deadline)
                break;
            std::this_thread::sleep_for(kLockRetry);
        }
        m_busy = true;
    }
    ~DirectoryLock()
    {
        // Closing the directory releases the lock.
        if (m_fd >= 0)
            m_files.close(m_fd);
    }
    Q_DISABLE_COPY_MOVE(DirectoryLock)

    bool busy() const { return m_busy; }

private:
    Files &m_files;
    int m_fd = -1;
    bool m_busy = false;
};

StoreError busy(const QString &path)
{
    StoreError error{StoreError::Action::Write, path};
    error.reason = StoreError::Reason::Busy;
    return error;
}

qint64 physicalMemory()
{
    return qint64(sysconf(_SC_PHYS_PAGES)) * qint64(sysconf(_SC_PAGESIZE));
}

} // namespace

std::optional<StoreError> DataFile::append(QByteArrayView record)
{
    const DirectoryLock lock(m_files, m_directory);
    if (lock.busy())
        return busy(path());
    return appendToFile(m_files, path(), record, m_pieceSize);
}

std::optional<StoreError> DataFile::replaceEntry(QStringView key, QByteArrayView record)
{
    // Erase, then the append, as one replacement: the old record is never gone
    // without the new one in place. Erase's output ends every line, so the
    // record starts a line of its own, as the append would have made it.
    return rewrite(key, record);
}

std::optional<StoreError> DataFile::erase(QStringView key)
{
    return rewrite(key, std::nullopt);
}

std::optional<StoreError> DataFile::rewrite(QStringView key, std::optional<QByteArrayView> record)
{
    const DirectoryLock lock(m_files, m_directory);
    if (lock.busy())
        return busy(path());
    struct stat status {};
    const Outcome<int> opened =
        openRegularFile(m_files, path(), O_RDONLY, StoreError::Action::Read, &status);
    // There is nothing to erase from a missing file, and no reason to make
    // one unless a record is to go in.
    if (isMissing(opened.error))
        return record ? replaceFile(m_files, path(), pathOf(kEraseScratch), *record) : std::nullopt;
    if (!opened.ok())
        return opened.error;

    Replacement replacement(m_files, path(), pathOf(kEraseScratch));
    std::optional<StoreError> failed = replacement.begin();
    replacement.expect(status);
    FileSource source(m_files, opened.value);
    LineReader lines(source, m_pieceSize);
    OpenRecordWatch watch;
    if (!failed)
        eraseRecords(lines, key, replacement, record ? &watch : nullptr);
    // A failing close of a file that was only read loses nothing.
    m_files.close(opened.value);
    if (failed)
        return failed;
    if (lines.error())
        return StoreError{StoreError::Action::Read, path(), -lines.error()};
    if (record) {
        // What is left may end inside a record, which would take the new one in.
        if (const std::optional<QString> open = watch.openRecord())
            return endsInsideRecord(path(), *open);
        replacement.put(*record);
    }
    return replacement.commit();
}

Outcome<std::optional<SortRefusal>> DataFile::sort()
{
    return sort(physicalMemory());
}

Outcome<std::optional<SortRefusal>> DataFile::sort(qint64 memory)
{
    using Result = Outcome<std::optional<SortRefusal>>;
    const Result tooLarge{SortRefusal{SortRefusal::Kind::TooLarge, QString()}, std::nullopt};
    const DirectoryLock lock(m_files, m_directory);
    if (lock.busy())
        return Result::failure(busy(path()));
    struct stat status {};
    const Outcome<int> opened =
        openRegularFile(m_files, path(), O_RDONLY, StoreError::Action::Read, &status);
    if (isMissing(opened.error))
        return sortContent(QByteArray(), memory, nullptr);
    if (!opened.ok())
        return Result::failure(*opened.error);
    // The sort holds the file's bytes and an index of its records; more than
    // the machine has would end in the system taking the memory back by
    // force. The bytes are known before reading, the records after. A file
    // that grows while it is read is stopped at what can be held.
    if (memory > 0 && qint64(status.st_size) > memory) {
        m_files.close(opened.value);
        return tooLarge;
    }
    try {
        PieceReader reader(m_files, opened.value);
        int read = reader.begin();
        bool fits = true;
        for (qint64 got = 0; read == 0 && fits && (got = reader.next()) != 0;) {
            read = got < 0 ? int(got) : 0;
            fits = memory <= 0 || reader.bytes().size() <= memory;
        }
        // A failing close of a file that was only read loses nothing.
        m_files.close(opened.value);
        if (read < 0)
            return Result::failure(StoreError{StoreError::Action::Read, path(), -read});
        if (!fits)
            return tooLarge;
        const QByteArray content = reader.take();
        return sortContent(content, memory, &status);
    } catch (const std::bad_alloc &) {
        return tooLarge;
    }
}

Outcome<std::optional<SortRefusal>> DataFile::sortContent(QByteArrayView content, qint64 memory,
                                                          const struct stat *asRead)
{
    using Result = Outcome<std::optional<SortRefusal>>;
    // Worked out before the scratch file is made, so that a refused file
    // leaves nothing behind.
    const SortedContent sorted(content, memory > 0 ? memory - content.size() : -1);
    if (sorted.refusal())
        return {sorted.refusal(), std::nullopt};
    Replacement replacement(m_files, path(), pathOf(kSortScratch));
    if (auto failed = replacement.begin())
        return Result::failure(*failed);
    if (asRead)
        replacement.expect(*asRead);
    else
        replacement.expectMissing();
    sorted.writeTo(replacement);
    if (auto failed = replacement.commit())
        return Result::failure(*failed);
    return {};
}

} // namespace zumivok
