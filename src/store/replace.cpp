#include "store/replace.h"

#include "platform/files.h"
#include "store/lines.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>

namespace zumivok {

namespace {

StoreError failure(const char *action, const QString &path, int result,
                   const QString &target = QString())
{
    return StoreError{QString::fromLatin1(action), path, result < 0 ? -result : result, target};
}

// The scratch file was opened by us; it goes again, closed or not, so that a
// failed replacement leaves nothing behind.
StoreError abandonScratch(Files &files, int fd, const QString &scratch, StoreError error)
{
    if (fd >= 0)
        files.close(fd);
    files.unlink(scratch);
    return error;
}

// Reads the last bytes of the file (at most two, fewer when it is shorter).
int readTail(Files &files, int fd, qint64 size, QByteArray &tail)
{
    const qint64 wanted = std::min<qint64>(size, 2);
    tail.resize(wanted);
    qint64 filled = 0;
    while (filled < wanted) {
        const qint64 got = files.pread(fd, tail.data() + filled, wanted - filled,
                                       size - wanted + filled);
        if (got < 0)
            return int(got);
        if (got == 0)
            break; // shrunk under us: judge by what is there
        filled += got;
    }
    tail.truncate(filled);
    return 0;
}

} // namespace

std::optional<StoreError> replaceFile(Files &files, const QString &linkOrTarget,
                                      const QString &scratchPath, QByteArrayView content)
{
    // A data file that is a symbolic link keeps its link: the file it leads
    // to is replaced, through a scratch file beside that file.
    QString target = linkOrTarget;
    QString scratch = scratchPath;
    struct stat status {};
    int found = files.lstat(target, &status);
    if (found == 0 && S_ISLNK(status.st_mode)) {
        const QString resolved = QFileInfo(target).canonicalFilePath();
        if (!resolved.isEmpty()) {
            target = resolved;
            scratch = directoryOf(resolved) + QLatin1Char('/') + QFileInfo(scratchPath).fileName();
            found = files.lstat(target, &status);
        }
    }
    // The new file takes the old one's permissions; a missing target (or a
    // dangling link) gets the usual 0666 less the umask.
    bool keepMode = false;
    if (found == 0)
        keepMode = !S_ISLNK(status.st_mode);
    else if (found != -ENOENT)
        return failure("read", target, found);

    // Whatever holds the scratch name is removed, never followed: a link named
    // temp.dat must not lead our writing to another file.
    if (const int removed = files.unlink(scratch); removed < 0 && removed != -ENOENT)
        return failure("create", scratch, removed);

    const int fd = files.open(scratch, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
    if (fd < 0)
        return failure("create", scratch, fd);
    if (keepMode) {
        if (const int changed = files.fchmod(fd, status.st_mode & 07777))
            return abandonScratch(files, fd, scratch, failure("create", scratch, changed));
    }
    if (const int wrote = writeAll(files, fd, content))
        return abandonScratch(files, fd, scratch, failure("write", scratch, wrote));
    if (const int synced = files.fsync(fd))
        return abandonScratch(files, fd, scratch, failure("sync", scratch, synced));
    // A failed close may report a lost write; the descriptor is gone all the same.
    if (const int closed = files.close(fd))
        return abandonScratch(files, -1, scratch, failure("close", scratch, closed));
    if (const int renamed = files.rename(scratch, target))
        return abandonScratch(files, -1, scratch, failure("rename", scratch, renamed, target));

    // The new content is in place; a directory that cannot be synced only
    // makes the rename less durable, and the old content is gone either way.
    syncDirectory(files, directoryOf(target));
    return std::nullopt;
}

std::optional<StoreError> appendToFile(Files &files, const QString &path, QByteArrayView data)
{
    bool created = false;
    int fd = files.open(path, O_RDWR | O_APPEND);
    if (fd == -ENOENT) {
        fd = files.open(path, O_RDWR | O_APPEND | O_CREAT | O_EXCL, 0666);
        if (fd < 0)
            return failure("create", path, fd);
        created = true;
    } else if (fd < 0) {
        return failure("open", path, fd);
    }

    // Undoes this call: the file goes back to its old length, or goes away when
    // this call made it.
    qint64 oldSize = 0;
    auto undo = [&](int openFd, StoreError error) {
        if (created) {
            files.unlink(path);
            if (openFd >= 0)
                files.close(openFd);
            return error;
        }
        int cutFd = openFd;
        if (cutFd < 0)
            cutFd = files.open(path, O_WRONLY);
        if (cutFd >= 0) {
            if (files.ftruncate(cutFd, oldSize) == 0)
                files.fsync(cutFd);
            files.close(cutFd);
        }
        return error;
    };

    struct stat status {};
    if (const int found = files.fstat(fd, &status)) {
        // Nothing written yet: only a file made by this call needs undoing.
        if (created)
            files.unlink(path);
        files.close(fd);
        return failure("read", path, found);
    }
    oldSize = qint64(status.st_size);

    // A last line without its terminator would swallow our begin marker.
    QByteArray joined;
    QByteArrayView bytes = data;
    if (oldSize > 0) {
        QByteArray tail;
        if (const int read = readTail(files, fd, oldSize, tail)) {
            if (created)
                files.unlink(path);
            files.close(fd);
            return failure("read", path, read);
        }
        if (!endsWithLineEnd(tail)) {
            joined.reserve(data.size() + 2);
            joined.append("\r\n").append(data);
            bytes = joined;
        }
    }

    if (const int wrote = writeAll(files, fd, bytes))
        return undo(fd, failure("write", path, wrote));
    if (const int synced = files.fsync(fd))
        return undo(fd, failure("sync", path, synced));
    if (const int closed = files.close(fd))
        return undo(-1, failure("close", path, closed));

    // A file made here needs its name made durable too.
    if (created)
        syncDirectory(files, directoryOf(path));
    return std::nullopt;
}

} // namespace zumivok
