#include "store/replacement.h"

#include "platform/files.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace zumivok {

namespace {

using Action = StoreError::Action;
using Reason = StoreError::Reason;

// How much a replacement gathers before it writes.
constexpr qsizetype kWriteSize = 256 * 1024;

// Refuses what is no regular file, and a file the user may not write to: the
// file is opened for writing, neither created nor emptied, which is the
// kernel's own check, the one an append meets, for root as for anyone.
std::optional<StoreError> refuseUnwritable(Files &files, const QString &target,
                                           const struct stat &status)
{
    if (S_ISDIR(status.st_mode))
        return StoreError::system(Action::Open, target, EISDIR);
    if (!S_ISREG(status.st_mode))
        return StoreError::refusal(Action::Open, target, Reason::NotRegularFile);
    const int fd = files.open(target, O_WRONLY | O_NONBLOCK);
    if (fd < 0)
        return StoreError::system(Action::Open, target, fd);
    // Nothing was written: a failing close loses nothing.
    files.close(fd);
    return std::nullopt;
}

} // namespace

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
        return StoreError::system(Action::Read, m_target, found);
    }
    // Replace what is there now, unless the caller knows better.
    m_expected = keepMode ? identityOf(status) : Identity();

    if (auto failed = createScratch(keepMode ? &status : nullptr))
        return failed;
    if (keepMode) {
        if (const int changed = m_files.fchmod(m_fd, status.st_mode & 07777))
            return abandon(StoreError::system(Action::Create, m_scratch, changed));
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
            StoreError refused =
                StoreError::refusal(Action::Create, m_scratch, Reason::ScratchIsDataFile);
            refused.target = m_target;
            return refused;
        }
        if (const int removed = m_files.unlink(m_scratch); removed < 0 && removed != -ENOENT)
            return StoreError::system(Action::Create, m_scratch, removed);
        m_fd = m_files.open(m_scratch, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
    }
    if (m_fd < 0)
        return StoreError::system(Action::Create, m_scratch, m_fd);
    m_made = true;
    return std::nullopt;
}

Replacement::Identity Replacement::identityOf(const struct stat &status)
{
    return std::tuple{status.st_dev, status.st_ino, status.st_size, status.st_mtim.tv_sec,
                      status.st_mtim.tv_nsec};
}

// Whether the target is still the file that was read, or still missing.
std::optional<StoreError> Replacement::refuseChangedTarget()
{
    struct stat now {};
    const int found = m_files.stat(m_target, &now);
    if (found != 0 && found != -ENOENT)
        return abandon(StoreError::system(Action::Read, m_target, found));
    if ((found == 0 ? identityOf(now) : Identity()) == m_expected)
        return std::nullopt;
    // Both stay: the file as the other program left it, and ours beside it.
    m_made = false;
    StoreError changed = StoreError::refusal(Action::Rename, m_target, Reason::ChangedMeanwhile);
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
        m_failed = StoreError::system(Action::Write, m_scratch, wrote);
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
        m_failed = StoreError::system(Action::Write, m_scratch, cut);
    else if (const qint64 moved = m_files.seek(m_fd, size); moved < 0)
        m_failed = StoreError::system(Action::Write, m_scratch, int(moved));
    m_written = size;
}

std::optional<StoreError> Replacement::commit()
{
    flush();
    if (m_failed)
        return abandon(*m_failed);
    if (const int synced = m_files.fsync(m_fd))
        return abandon(StoreError::system(Action::Sync, m_scratch, synced));
    const int closed = m_files.close(m_fd);
    // A failed close may report a lost write; the descriptor is gone all the same.
    m_fd = -1;
    if (closed)
        return abandon(StoreError::system(Action::Close, m_scratch, closed));
    if (auto changed = refuseChangedTarget())
        return changed;
    if (const int renamed = m_files.rename(m_scratch, m_target))
        return abandon(StoreError::system(Action::Rename, m_scratch, renamed, m_target));
    m_made = false;
    // The new content is in place, and stays; but the user should know that a
    // power cut may yet take the rename back.
    if (const int synced = syncDirectory(m_files, directoryOf(m_target))) {
        StoreError notDurable = StoreError::system(Action::Sync, m_target, synced);
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

} // namespace zumivok
