#include "support/failing_files.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <fcntl.h>

namespace zumivok::test {

void FailingFiles::failOn(Call call, int n, int error)
{
    m_failCall = call;
    m_failN = n;
    m_failError = error;
}

void FailingFiles::refuseWritingTo(const QString &suffix, int error)
{
    m_readOnlySuffix = suffix;
    m_readOnlyError = error;
}

void FailingFiles::reset()
{
    std::fill(std::begin(m_counts), std::end(m_counts), 0);
    m_failN = -1;
    m_pathSuffix.clear();
    m_readOnlySuffix.clear();
    m_log.clear();
}

int FailingFiles::tick(Call call, const QString &what, bool pathMatches)
{
    static const char *const names[kCalls] = {"open", "read", "stat", "write", "fsync", "close",
                                              "fstat", "lstat", "fchmod", "ftruncate",
                                              "rename", "unlink", "flock", "seek", "canonicalPath"};
    if (beforeCall)
        beforeCall(call);
    const int index = static_cast<int>(call);
    const int n = ++m_counts[index];
    m_log.append(QString::fromLatin1(names[index]) + ' ' + what);
    if (call != m_failCall || !pathMatches)
        return 0;
    if (m_failN == 0 || m_failN == n)
        return -m_failError;
    return 0;
}

QString FailingFiles::described(int fd) const
{
    const auto path = m_openPaths.constFind(fd);
    return path == m_openPaths.cend() ? QString::number(fd)
                                      : QString::number(fd) + ' ' + *path;
}

#define ZV_FAIL_OR(call, what, matches, real)                                                      \
    if (const int failed = tick(call, what, matches))                                              \
        return failed;                                                                             \
    return real

int FailingFiles::open(const QString &path, int flags, mode_t mode)
{
    if (const int failed = tick(Call::Open, path, matches(path)))
        return failed;
    const bool writing = (flags & O_ACCMODE) != O_RDONLY;
    if (writing && !m_readOnlySuffix.isEmpty() && path.endsWith(m_readOnlySuffix))
        return -m_readOnlyError;
    const int fd = Files::open(path, flags, mode);
    if (fd >= 0)
        m_openPaths.insert(fd, path);
    return fd;
}

qint64 FailingFiles::read(int fd, char *buffer, qint64 size)
{
    ZV_FAIL_OR(Call::Read, described(fd), true, Files::read(fd, buffer, size));
}

qint64 FailingFiles::write(int fd, const char *data, qint64 size)
{
    ZV_FAIL_OR(Call::Write, described(fd), true, Files::write(fd, data, size));
}

int FailingFiles::fsync(int fd)
{
    ZV_FAIL_OR(Call::Fsync, described(fd), true, Files::fsync(fd));
}

int FailingFiles::close(int fd)
{
    // The descriptor is released even when the close is made to fail.
    const int failed = tick(Call::Close, described(fd));
    m_openPaths.remove(fd);
    const int closed = Files::close(fd);
    return failed ? failed : closed;
}

int FailingFiles::fstat(int fd, struct stat *status)
{
    ZV_FAIL_OR(Call::Fstat, described(fd), true, Files::fstat(fd, status));
}

int FailingFiles::lstat(const QString &path, struct stat *status)
{
    ZV_FAIL_OR(Call::Lstat, path, matches(path), Files::lstat(path, status));
}

int FailingFiles::stat(const QString &path, struct stat *status)
{
    ZV_FAIL_OR(Call::Stat, path, matches(path), Files::stat(path, status));
}

int FailingFiles::fchmod(int fd, mode_t mode)
{
    ZV_FAIL_OR(Call::Fchmod, described(fd), true, Files::fchmod(fd, mode));
}

int FailingFiles::ftruncate(int fd, qint64 length)
{
    ZV_FAIL_OR(Call::Ftruncate, described(fd), true, Files::ftruncate(fd, length));
}

int FailingFiles::rename(const QString &from, const QString &to)
{
    ZV_FAIL_OR(Call::Rename, from + " -> " + to, matches(from) || matches(to),
               Files::rename(from, to));
}

int FailingFiles::unlink(const QString &path)
{
    ZV_FAIL_OR(Call::Unlink, path, matches(path), Files::unlink(path));
}

int FailingFiles::flock(int fd, int operation)
{
    ZV_FAIL_OR(Call::Flock, described(fd), true, Files::flock(fd, operation));
}

qint64 FailingFiles::seek(int fd, qint64 offset)
{
    ZV_FAIL_OR(Call::Seek, described(fd), true, Files::seek(fd, offset));
}

QString FailingFiles::canonicalPath(const QString &path)
{
    if (tick(Call::CanonicalPath, path, matches(path)))
        return QString();
    return Files::canonicalPath(path);
}

#undef ZV_FAIL_OR

namespace {

const QByteArray &generatedRecord()
{
    static const QByteArray record = [] {
        QByteArray bytes = "~Begin Entry\r\nZUMLING\r\nNo picture\r\n";
        const QByteArray end = "~End Entry\r\n";
        bytes += QByteArray(GeneratedCatalogue::kRecordSize - bytes.size() - end.size() - 2, 'x');
        return bytes + "\r\n" + end;
    }();
    return record;
}

} // namespace

int GeneratedCatalogue::open(const QString &, int flags, mode_t)
{
    if ((flags & O_ACCMODE) != O_RDONLY)
        return -EROFS;
    m_offset = 0;
    return kDescriptor;
}

qint64 GeneratedCatalogue::read(int fd, char *buffer, qint64 size)
{
    if (fd != kDescriptor)
        return -EBADF;
    const QByteArray &record = generatedRecord();
    const qint64 wanted = std::clamp<qint64>(m_size - m_offset, 0, size);
    for (qint64 done = 0; done < wanted;) {
        const qint64 at = (m_offset + done) % kRecordSize;
        const qint64 piece = std::min(wanted - done, kRecordSize - at);
        std::memcpy(buffer + done, record.constData() + at, size_t(piece));
        done += piece;
    }
    m_offset += wanted;
    return wanted;
}

int GeneratedCatalogue::close(int fd)
{
    return fd == kDescriptor ? 0 : -EBADF;
}

int GeneratedCatalogue::fstat(int fd, struct stat *status)
{
    if (fd != kDescriptor)
        return -EBADF;
    *status = {};
    status->st_mode = S_IFREG | 0644;
    status->st_size = off_t(m_statedSize);
    return 0;
}

int GeneratedCatalogue::lstat(const QString &, struct stat *status)
{
    *status = {};
    status->st_mode = S_IFREG | 0644;
    status->st_size = off_t(m_size);
    return 0;
}

qint64 memoryFigure(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

} // namespace zumivok::test
