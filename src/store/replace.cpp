#include "store/replace.h"

#include "platform/files.h"
#include "store/data_file.h"
#include "store/records.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace zumivok {

namespace {

using Action = StoreError::Action;
using Reason = StoreError::Reason;

// The kernel copies a write page by page and stops for a fatal signal only
// between pages, so a write that ends within one page is whole or absent.
constexpr qint64 kPageSize = 4096;
// How much a replacement gathers before it writes.
constexpr qsizetype kWriteSize = 256 * 1024;

StoreError failure(Action action, const QString &path, int result,
                   const QString &target = QString())
{
    return StoreError{action, path, result < 0 ? -result : result, target};
}

StoreError refusal(Action action, const QString &path, Reason reason)
{
    StoreError error{action, path};
    error.reason = reason;
    return error;
}

// Refuses what is no regular file, and a file the user may not write to: the
// file is opened for writing, neither created nor emptied, which is the
// kernel's own check, the one an append meets, for root as for anyone.
std::optional<StoreError> refuseUnwritable(Files &files, const QString &target,
                                           const struct stat &status)
{
    if (S_ISDIR(status.st_mode))
        return failure(Action::Open, target, EISDIR);
    if (!S_ISREG(status.st_mode))
        return refusal(Action::Open, target, Reason::NotRegularFile);
    const int fd = files.open(target, O_WRONLY | O_NONBLOCK);
    if (fd < 0)
        return failure(Action::Open, target, fd);
    // Nothing was written: a failing close loses nothing.
    files.close(fd);
    return std::nullopt;
}

// An append in place, undone unless it completes: the file is cut back to its
// old length.
class AppendInPlace
{
public:
    AppendInPlace(Files &files, const QString &path, int fd, qint64 oldSize)
        : m_files(files), m_path(path), m_fd(fd), m_oldSize(oldSize)
    {
    }
    ~AppendInPlace()
    {
        if (m_done)
            return;
        const int fd = m_fd >= 0 ? m_fd : m_files.open(m_path, O_WRONLY);
        if (fd < 0)
            return;
        if (m_files.ftruncate(fd, m_oldSize) == 0)
            m_files.fsync(fd);
        m_files.close(fd);
    }
    Q_DISABLE_COPY_MOVE(AppendInPlace)

    std::optional<StoreError> write(QByteArrayView bytes)
    {
        if (const int wrote = writeAll(m_files, m_fd, bytes))
            return failure(Action::Write, m_path, wrote);
        if (const int synced = m_files.fsync(m_fd))
            return failure(Action::Sync, m_path, synced);
        const int closed = m_files.close(m_fd);
        // A failed close may report a lost write; the descriptor is gone all the same.
        m_fd = -1;
        if (closed)
            return failure(Action::Close, m_path, closed);
        m_done = true;
        return std::nullopt;
    }

private:
    Files &m_files;
    QString m_path;
    int m_fd;
    qint64 m_oldSize;
    bool m_done = false;
};

// Copies the whole of the file at path into out.
std::optional<StoreError> copyFile(Files &files, const QString &path, ByteSink &out,
                                   qsizetype pieceSize)
{
    const Outcome<int> opened = openRegularFile(files, path, O_RDONLY, Action::Read);
    if (!opened.ok())
        return opened.error;
    QByteArray piece(pieceSize, Qt::Uninitialized);
    qint64 got = 0;
    while ((got = files.read(opened.value, piece.data(), piece.size())) > 0)
        out.put(QByteArrayView(piece.constData(), got));
    // A failing close of a file that was only read loses nothing.
    files.close(opened.value);
    if (got < 0)
        return failure(Action::Read, path, int(got));
    return std::nullopt;
}

} // namespace

Outcome<int> openRegularFile(Files &files, const QString &path, int flags, Action action,
                             struct stat *status)
{
    const int fd = files.open(path, flags | O_NONBLOCK);
    if (fd < 0)
        return Outcome<int>::failure(failure(action, path, fd));
    struct stat found {};
    std::optional<StoreError> error;
    if (const int failed = files.fstat(fd, &found))
        error = failure(Action::Read, path, failed);
    else if (S_ISDIR(found.st_mode))
        error = failure(action, path, EISDIR);
    else if (!S_ISREG(found.st_mode))
        error = refusal(action, path, Reason::NotRegularFile);
    if (error) {
        files.close(fd);
        return Outcome<int>::failure(*error);
    }
    if (status)
        *status = found;
    return {fd, std::nullopt};
}

bool isMissing(const std::optional<StoreError> &error)
{
    return error && error->reason == Reason::SystemError && error->error == ENOENT;
}

StoreError endsInsideRecord(const QString &path, const QString &entry)
{
    StoreError refused = refusal(Action::Write, path, Reason::EndsInsideRecord);
    refused.entry = entry;
    return refused;
}

bool sameFile(Files &files, const QString &a, const QString &b)
{
    struct stat first {}, second {};
    return files.stat(a, &first) == 0 && files.stat(b, &second) == 0
        && first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

Replacement::Replacement(Files &files, const QString &target, const QString &scratch)
    : m_files(files), m_target(target), m_scratch(scratch)
{
}

Replacement::~Replacement()
{
    if (m_made)
        abandon(StoreError{});
}

std::optional<StoreError> Replacement::begin()
{
    // A data file that is a symbolic link keeps its link: the file it leads
    // to is replaced, through a scratch file beside that file.
    struct stat status {};
    int found = m_files.lstat(m_target, &status);
    if (found == 0 && S_ISLNK(status.st_mode)) {
        const QString resolved = m_files.canonicalPath(m_target);
        if (!resolved.isEmpty()) {
            m_target = resolved;
            found = m_files.lstat(m_target, &status);
        }
    }
    // The new file takes the old one's permissions; a missing target (or a
    // dangling link) gets the usual 0666 less the umask.
    bool keepMode = false;
    if (found == 0 && !S_ISLNK(status.st_mode)) {
        if (auto refused = refuseUnwritable(m_files, m_target, status))
            return refused;
        keepMode = true;
    } else if (found != 0 && found != -ENOENT) {
        return failure(Action::Read, m_target, found);
    }
    // Replace what is there now, unless the caller knows better.
    if (keepMode)
        expect(status);
    else
        expectMissing();

    if (auto failed = createScratch(keepMode ? &status : nullptr))
        return failed;
    if (keepMode) {
        if (const int changed = m_files.fchmod(m_fd, status.st_mode & 07777))
            return abandon(failure(Action::Create, m_scratch, changed));
    }
    return std::nullopt;
}

// In the data directory the scratch name is the program's own: whatever holds
// it is removed, never followed, so that a link named temp.dat cannot lead our
// writing to another file. But a name that leads to the data file itself is
// refused, since removing or filling it would lose the catalogue. Beside a
// linked data file in another folder every name belongs to the user, so the
// scratch file gets a hidden name that nothing else has.
std::optional<StoreError> Replacement::createScratch(const struct stat *target)
{
    const QString name = QFileInfo(m_scratch).fileName();
    const QString targetDirectory = directoryOf(m_target);
    if (!sameFile(m_files, directoryOf(m_scratch), targetDirectory)) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_scratch = targetDirectory + QStringLiteral("/.") + name + QLatin1Char('-')
                + QString::number(QRandomGenerator::global()->generate64(), 36);
            m_fd = m_files.open(m_scratch, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
            if (m_fd != -EEXIST)
                break;
        }
    } else {
        struct stat scratch {};
        if (target && m_files.stat(m_scratch, &scratch) == 0 && scratch.st_dev == target->st_dev
            && scratch.st_ino == target->st_ino) {
            StoreError refused = refusal(Action::Create, m_scratch, Reason::ScratchIsDataFile);
            refused.target = m_target;
            return refused;
        }
        if (const int removed = m_files.unlink(m_scratch); removed < 0 && removed != -ENOENT)
            return failure(Action::Create, m_scratch, removed);
        m_fd = m_files.open(m_scratch, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
    }
    if (m_fd < 0)
        return failure(Action::Create, m_scratch, m_fd);
    m_made = true;
    return std::nullopt;
}

void Replacement::expect(const struct stat &asRead)
{
    m_expected = Identity{true, asRead.st_dev, asRead.st_ino, asRead.st_size,
                          asRead.st_mtim.tv_sec, asRead.st_mtim.tv_nsec};
}

void Replacement::expectMissing()
{
    m_expected = Identity{};
}

// Whether the target is still the file that was read, or still missing.
std::optional<StoreError> Replacement::refuseChangedTarget()
{
    if (!m_expected)
        return std::nullopt;
    struct stat now {};
    const int found = m_files.stat(m_target, &now);
    if (found != 0 && found != -ENOENT)
        return abandon(failure(Action::Read, m_target, found));
    const Identity current = found != 0
        ? Identity{}
        : Identity{true, now.st_dev, now.st_ino, now.st_size, now.st_mtim.tv_sec,
                   now.st_mtim.tv_nsec};
    if (current == *m_expected)
        return std::nullopt;
    // Both stay: the file as the other program left it, and ours beside it.
    m_made = false;
    StoreError changed = refusal(Action::Rename, m_target, Reason::ChangedMeanwhile);
    changed.target = m_scratch;
    return changed;
}

void Replacement::put(QByteArrayView bytes)
{
    if (m_failed || bytes.isEmpty())
        return;
    // Gathered into writes of kWriteSize; most puts are a line or less.
    if (m_pending.size() < kWriteSize)
        m_pending.resize(kWriteSize);
    if (m_used + bytes.size() > m_pending.size())
        flush();
    if (bytes.size() >= m_pending.size()) {
        write(bytes);
        return;
    }
    std::memcpy(m_pending.data() + m_used, bytes.data(), size_t(bytes.size()));
    m_used += bytes.size();
}

void Replacement::flush()
{
    write(QByteArrayView(m_pending.constData(), m_used));
    m_used = 0;
}

void Replacement::write(QByteArrayView bytes)
{
    if (m_failed || bytes.isEmpty())
        return;
    if (const int wrote = writeAll(m_files, m_fd, bytes))
        m_failed = failure(Action::Write, m_scratch, wrote);
    m_written += bytes.size();
}

void Replacement::truncate(qint64 size)
{
    if (m_failed)
        return;
    if (size >= m_written) {
        m_used = size - m_written;
        return;
    }
    // Already written: the file is cut back and written on from there.
    m_used = 0;
    if (const int cut = m_files.ftruncate(m_fd, size))
        m_failed = failure(Action::Write, m_scratch, cut);
    else if (const qint64 moved = m_files.seek(m_fd, size); moved < 0)
        m_failed = failure(Action::Write, m_scratch, int(moved));
    m_written = size;
}

std::optional<StoreError> Replacement::commit()
{
    flush();
    if (m_failed)
        return abandon(*m_failed);
    if (const int synced = m_files.fsync(m_fd))
        return abandon(failure(Action::Sync, m_scratch, synced));
    const int closed = m_files.close(m_fd);
    // A failed close may report a lost write; the descriptor is gone all the same.
    m_fd = -1;
    if (closed)
        return abandon(failure(Action::Close, m_scratch, closed));
    if (auto changed = refuseChangedTarget())
        return changed;
    if (const int renamed = m_files.rename(m_scratch, m_target))
        return abandon(failure(Action::Rename, m_scratch, renamed, m_target));
    m_made = false;
    // The new content is in place, and stays; but the user should know that a
    // power cut may yet take the rename back.
    if (const int synced = syncDirectory(m_files, directoryOf(m_target))) {
        StoreError notDurable = failure(Action::Sync, m_target, synced);
        notDurable.reason = Reason::NotDurable;
        return notDurable;
    }
    return std::nullopt;
}

// The scratch file was made by us; it goes again, closed or not, so that a
// failed replacement leaves nothing behind.
StoreError Replacement::abandon(StoreError error)
{
    if (m_fd >= 0)
        m_files.close(m_fd);
    m_fd = -1;
    m_files.unlink(m_scratch);
    m_made = false;
    return error;
}

std::optional<StoreError> replaceFile(Files &files, const QString &target, const QString &scratch,
                                      QByteArrayView content)
{
    Replacement replacement(files, target, scratch);
    if (auto failed = replacement.begin())
        return failed;
    replacement.put(content);
    return replacement.commit();
}

std::optional<StoreError> appendToFile(Files &files, const QString &path, QByteArrayView data,
                                       qsizetype pieceSize)
{
    const QString scratch = directoryOf(path) + QLatin1Char('/') + DataFile::kEraseScratch;
    struct stat status {};
    const Outcome<int> opened =
        openRegularFile(files, path, O_RDWR | O_APPEND, Action::Open, &status);
    if (isMissing(opened.error))
        return replaceFile(files, path, scratch, data);
    if (!opened.ok())
        return opened.error;
    const qint64 oldSize = qint64(status.st_size);

    // How the file ends: inside a record, or with a last line that has no
    // terminator, which would swallow our begin marker.
    FileSource source(files, opened.value);
    LineReader lines(source, pieceSize);
    const std::optional<QString> open = recordOpenAtEnd(lines);
    const auto refused = [&]() -> std::optional<StoreError> {
        if (lines.error())
            return failure(Action::Read, path, lines.error());
        if (open)
            return endsInsideRecord(path, *open);
        return std::nullopt;
    }();
    if (refused) {
        files.close(opened.value);
        return refused;
    }
    QByteArray joined;
    QByteArrayView bytes = data;
    if (!lines.endedWithTerminator()) {
        joined.reserve(data.size() + 2);
        joined.append(kLineEnd).append(data);
        bytes = joined;
    }
    if (oldSize % kPageSize + bytes.size() <= kPageSize)
        return AppendInPlace(files, path, opened.value, oldSize).write(bytes);

    // Too large for one page: the old content and the record replace the
    // file in one step.
    files.close(opened.value);
    Replacement replacement(files, path, scratch);
    if (auto failed = replacement.begin())
        return failed;
    replacement.expect(status);
    if (auto failed = copyFile(files, path, replacement, pieceSize))
        return failed;
    replacement.put(bytes);
    return replacement.commit();
}

} // namespace zumivok
