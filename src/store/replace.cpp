#include "store/replace.h"

#include "platform/files.h"
#include "store/data_file.h"
#include "store/lines.h"
#include "store/rewrite.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>

namespace zumivok {

namespace {

using Action = StoreError::Action;
using Reason = StoreError::Reason;

// The kernel copies a write page by page and stops for a fatal signal only
// between pages, so a write that ends within one page is whole or absent.
constexpr qint64 kPageSize = 4096;
// How much of the file's end is read at first to see how it ends.
constexpr qint64 kFirstTailPiece = 64 * 1024;

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

// The scratch file was opened by us; it goes again, closed or not, so that a
// failed replacement leaves nothing behind.
StoreError abandonScratch(Files &files, int fd, const QString &scratch, StoreError error)
{
    if (fd >= 0)
        files.close(fd);
    files.unlink(scratch);
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

// Reads length bytes at offset, fewer when the file has shrunk under us.
int readAt(Files &files, int fd, qint64 offset, qint64 length, QByteArray &bytes)
{
    bytes.resize(length);
    qint64 filled = 0;
    while (filled < length) {
        const qint64 got = files.pread(fd, bytes.data() + filled, length - filled, offset + filled);
        if (got < 0)
            return int(got);
        if (got == 0)
            break; // shrunk under us: judge by what is there
        filled += got;
    }
    bytes.truncate(filled);
    return 0;
}

// How a file ends, as far as an append cares.
struct FileEnd
{
    bool lineEnded = true; // its last line has a terminator (or it is empty)
    std::optional<StoreError> refused; // it ends inside a record
};

// Reads the end of the file at path, of size bytes, a growing piece at a
// time, until the piece holds the file's last begin-marker line or is the
// whole file.
int readFileEnd(Files &files, int fd, const QString &path, qint64 size, FileEnd &end)
{
    QByteArray piece;
    for (qint64 length = std::min(size, kFirstTailPiece);; length = std::min(size, 2 * length)) {
        const qint64 start = size - length;
        if (const int read = readAt(files, fd, start, length, piece))
            return read;
        end.lineEnded = endsWithLineEnd(piece);
        // The piece is judged from its first line start on, where the file's
        // lines start too.
        qsizetype from = 0;
        if (start > 0) {
            const qsizetype cr = piece.indexOf('\r');
            from = cr < 0 ? piece.size() : cr + 1;
            if (from < piece.size() && piece[from] == '\n')
                ++from;
        }
        const QByteArrayView lines = QByteArrayView(piece).sliced(from);
        if (start == 0 || lastBeginMarkerLine(lines) >= 0) {
            end.refused = refuseAppendAfter(lines, path);
            return 0;
        }
    }
}

// Appends bytes that end within the page where the file ends, with one synced
// write; on failure the file is cut back to its old length.
std::optional<StoreError> writeWithinPage(Files &files, int fd, const QString &path,
                                          qint64 oldSize, QByteArrayView bytes)
{
    const auto undo = [&](int openFd, StoreError error) {
        const int cutFd = openFd >= 0 ? openFd : files.open(path, O_WRONLY);
        if (cutFd >= 0) {
            if (files.ftruncate(cutFd, oldSize) == 0)
                files.fsync(cutFd);
            files.close(cutFd);
        }
        return error;
    };
    if (const int wrote = writeAll(files, fd, bytes))
        return undo(fd, failure(Action::Write, path, wrote));
    if (const int synced = files.fsync(fd))
        return undo(fd, failure(Action::Sync, path, synced));
    if (const int closed = files.close(fd))
        return undo(-1, failure(Action::Close, path, closed));
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

std::optional<StoreError> refuseAppendAfter(QByteArrayView content, const QString &path)
{
    const std::optional<QString> open = recordOpenAtEnd(content);
    if (!open)
        return std::nullopt;
    StoreError refused = refusal(Action::Write, path, Reason::EndsInsideRecord);
    refused.entry = *open;
    return refused;
}

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
    if (found == 0 && !S_ISLNK(status.st_mode)) {
        if (auto refused = refuseUnwritable(files, target, status))
            return refused;
        keepMode = true;
    } else if (found != 0 && found != -ENOENT) {
        return failure(Action::Read, target, found);
    }

    // Whatever holds the scratch name is removed, never followed: a link named
    // temp.dat must not lead our writing to another file.
    if (const int removed = files.unlink(scratch); removed < 0 && removed != -ENOENT)
        return failure(Action::Create, scratch, removed);

    const int fd = files.open(scratch, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
    if (fd < 0)
        return failure(Action::Create, scratch, fd);
    if (keepMode) {
        if (const int changed = files.fchmod(fd, status.st_mode & 07777))
            return abandonScratch(files, fd, scratch, failure(Action::Create, scratch, changed));
    }
    if (const int wrote = writeAll(files, fd, content))
        return abandonScratch(files, fd, scratch, failure(Action::Write, scratch, wrote));
    if (const int synced = files.fsync(fd))
        return abandonScratch(files, fd, scratch, failure(Action::Sync, scratch, synced));
    // A failed close may report a lost write; the descriptor is gone all the same.
    if (const int closed = files.close(fd))
        return abandonScratch(files, -1, scratch, failure(Action::Close, scratch, closed));
    if (const int renamed = files.rename(scratch, target))
        return abandonScratch(files, -1, scratch,
                              failure(Action::Rename, scratch, renamed, target));

    // The new content is in place; a directory that cannot be synced only
    // makes the rename less durable, and the old content is gone either way.
    syncDirectory(files, directoryOf(target));
    return std::nullopt;
}

std::optional<StoreError> appendToFile(Files &files, const QString &path, QByteArrayView data)
{
    const QString scratch = directoryOf(path) + QLatin1Char('/') + DataFile::kEraseScratch;
    struct stat status {};
    const Outcome<int> opened =
        openRegularFile(files, path, O_RDWR | O_APPEND, Action::Open, &status);
    if (isMissing(opened.error))
        return replaceFile(files, path, scratch, data);
    if (!opened.ok())
        return opened.error;
    const int fd = opened.value;
    const qint64 oldSize = qint64(status.st_size);

    FileEnd end;
    if (oldSize > 0) {
        if (const int read = readFileEnd(files, fd, path, oldSize, end)) {
            files.close(fd);
            return failure(Action::Read, path, read);
        }
    }
    if (end.refused) {
        files.close(fd);
        return end.refused;
    }

    // A last line without its terminator would swallow our begin marker.
    QByteArray joined;
    QByteArrayView bytes = data;
    if (!end.lineEnded) {
        joined.reserve(data.size() + 2);
        joined.append("\r\n").append(data);
        bytes = joined;
    }
    if (oldSize % kPageSize + bytes.size() <= kPageSize)
        return writeWithinPage(files, fd, path, oldSize, bytes);

    // Too large for one page: the old content and the record replace the
    // file in one step.
    QByteArray content;
    const int read = readAll(files, fd, content);
    // Only read so far: a failing close loses nothing.
    files.close(fd);
    if (read < 0)
        return failure(Action::Read, path, read);
    content.append(bytes);
    return replaceFile(files, path, scratch, content);
}

} // namespace zumivok
