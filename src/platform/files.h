#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <chrono>

#include <sys/stat.h>
#include <sys/types.h>

namespace zumivok {

// The one place that makes system calls on files. Each call mirrors its POSIX
// namesake but reports failure as a negative errno instead of -1 and errno, so
// that a test double can make any single call fail without touching the rest.
// Paths are QStrings that hold any bytes a file name may have (encodePath).
class Files
{
public:
    Files() = default;
    virtual ~Files() = default;
    Files(const Files &) = delete;
    Files &operator=(const Files &) = delete;

    // Returns a file descriptor, or -errno. O_CLOEXEC is always added.
    virtual int open(const QString &path, int flags, mode_t mode = 0);
    // Returns the number of bytes, or -errno. EINTR is retried inside.
    virtual qint64 read(int fd, char *buffer, qint64 size);
    virtual qint64 write(int fd, const char *data, qint64 size);
    // Return 0, or -errno.
    virtual int fsync(int fd);
    virtual int close(int fd);
    virtual int fstat(int fd, struct stat *status);
    virtual int lstat(const QString &path, struct stat *status);
    // Follows links, as open does.
    virtual int stat(const QString &path, struct stat *status);
    virtual int fchmod(int fd, mode_t mode);
    virtual int ftruncate(int fd, qint64 length);
    virtual int rename(const QString &from, const QString &to);
    virtual int unlink(const QString &path);
    // flock(2): an advisory lock on an open file or directory.
    virtual int flock(int fd, int operation);
    // Returns the new offset, or -errno.
    virtual qint64 seek(int fd, qint64 offset);
    // The path with every link and "." or ".." resolved; empty when it cannot be.
    virtual QString canonicalPath(const QString &path);
};

// A file name's bytes as text and back, losslessly: UTF-8 where the bytes are
// UTF-8, and each other byte as a code unit of its own (U+DC80 to U+DCFF), so
// that a folder named in another encoding is still the folder that was meant.
QByteArray encodePath(const QString &path);
QString decodePath(QByteArrayView bytes);
// A path as a message shows it: each byte that is not UTF-8 as its Latin-1
// character ("Sammlung-\xE4" reads "Sammlung-ä").
QString displayPath(const QString &path);
// The current directory, exactly as the system names it; empty when it has no name.
QString currentDirectory();
// Makes a write past the file-size limit fail with EFBIG instead of killing
// the process, so that a half-made append can be undone.
void ignoreFileSizeSignal();

// An exclusive advisory lock (flock) on a directory, held while the object
// lives: it adds no file. It waits up to wait for another process's lock to
// go, and is busy() when it did not. A directory that cannot be opened or
// locked at all (a file system without locks) is taken as locked.
class DirectoryLock
{
public:
    DirectoryLock(Files &files, const QString &directory, std::chrono::milliseconds wait);
    ~DirectoryLock();
    DirectoryLock(const DirectoryLock &) = delete;
    DirectoryLock &operator=(const DirectoryLock &) = delete;

    bool busy() const { return m_busy; }

private:
    Files &m_files;
    int m_fd = -1;
    bool m_busy = false;
};

// Whether two paths lead to the same file.
bool sameFile(Files &files, const QString &a, const QString &b);

// The system's text for a (positive or negative) errno, e.g. "No space left on device".
QString errorText(int error);

// Reads the whole of an open file, of at most limit bytes: the size is only a
// hint, and a file that grows past the limit while it is read is stopped
// there. Returns 0, -EFBIG for a file larger than limit, or -errno.
int readAll(Files &files, int fd, QByteArray &content, qint64 limit = qint64(1) << 62);
// Writes all of data, looping over short writes. Returns 0, or -errno.
int writeAll(Files &files, int fd, QByteArrayView data);
// Opens a directory and syncs it, so that a rename in it is durable. Returns 0, or -errno.
int syncDirectory(Files &files, const QString &directory);
// The directory part of a path ("." when it has none).
QString directoryOf(const QString &path);

} // namespace zumivok
