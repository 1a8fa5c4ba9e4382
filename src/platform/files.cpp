#include "platform/files.h"

#include <algorithm>
#include <thread>
#include <utility>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace zumivok {

namespace {

// Runs a system call until it is not interrupted; returns its result or -errno.
template <typename Call>
auto retrying(Call call) -> decltype(call())
{
    for (;;) {
        const auto result = call();
        if (result >= 0)
            return result;
        if (errno != EINTR)
            return -errno;
    }
}

constexpr char16_t kEscapeBase = 0xDC00;

bool isEscapedByte(char16_t unit)
{
    return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
}

// The length of the well-formed UTF-8 sequence at the start of bytes, or 0.
qsizetype utf8Length(QByteArrayView bytes)
{
    const auto at = [&bytes](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = at(0);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // no overlong form
        if (lead == 0xED)
            high = 0x9F; // no surrogate
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F; // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (bytes.size() < length || at(1) < low || at(1) > high)
        return 0;
    for (qsizetype i = 2; i < length; ++i) {
        if (at(i) < 0x80 || at(i) > 0xBF)
            return 0;
    }
    return length;
}

} // namespace

QByteArray encodePath(const QString &path)
{
    QByteArray bytes;
    bytes.reserve(path.size());
    qsizetype plain = 0; // start of the run of text not yet encoded
    const auto flush = [&](qsizetype end) {
        bytes.append(QStringView(path).sliced(plain, end - plain).toUtf8());
    };
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path[i].unicode();
        const bool afterHigh = i > 0 && path[i - 1].isHighSurrogate();
        if (isEscapedByte(unit) && !afterHigh) {
            flush(i);
            bytes.append(char(unit - kEscapeBase));
            plain = i + 1;
        }
    }
    flush(path.size());
    return bytes;
}

QString decodePath(QByteArrayView bytes)
{
    QString path;
    path.reserve(bytes.size());
    while (!bytes.isEmpty()) {
        const qsizetype length = utf8Length(bytes);
        if (length == 0) {
            path.append(QChar(char16_t(kEscapeBase + static_cast<unsigned char>(bytes[0]))));
            bytes = bytes.sliced(1);
        } else {
            path.append(QString::fromUtf8(bytes.first(length)));
            bytes = bytes.sliced(length);
        }
    }
    return path;
}

QString displayPath(const QString &path)
{
    QString shown = path;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const char16_t unit = shown[i].unicode();
        if (isEscapedByte(unit) && !(i > 0 && path[i - 1].isHighSurrogate())) {
            const char16_t byte = unit - kEscapeBase;
            // Latin-1 has no characters of its own from 0x80 to 0x9F.
            shown[i] = byte >= 0xA0 ? QChar(byte) : QChar::ReplacementCharacter;
        }
    }
    return shown;
}

QString currentDirectory()
{
    char *name = ::getcwd(nullptr, 0);
    if (!name)
        return QString();
    const QString path = decodePath(QByteArrayView(name));
    std::free(name);
    return path;
}

void ignoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

int Files::open(const QString &path, int flags, mode_t mode)
{
    const QByteArray name = encodePath(path);
    return retrying([&] { return ::open(name.constData(), flags | O_CLOEXEC, mode); });
}

qint64 Files::read(int fd, char *buffer, qint64 size)
{
    return retrying([&] { return qint64(::read(fd, buffer, size_t(size))); });
}

qint64 Files::write(int fd, const char *data, qint64 size)
{
    return retrying([&] { return qint64(::write(fd, data, size_t(size))); });
}

int Files::fsync(int fd)
{
    return retrying([&] { return ::fsync(fd); });
}

int Files::close(int fd)
{
    // A close interrupted by a signal has still released the descriptor.
    return ::close(fd) == 0 || errno == EINTR ? 0 : -errno;
}

int Files::fstat(int fd, struct stat *status)
{
    return ::fstat(fd, status) == 0 ? 0 : -errno;
}

int Files::lstat(const QString &path, struct stat *status)
{
    return ::lstat(encodePath(path).constData(), status) == 0 ? 0 : -errno;
}

int Files::stat(const QString &path, struct stat *status)
{
    return ::stat(encodePath(path).constData(), status) == 0 ? 0 : -errno;
}

int Files::fchmod(int fd, mode_t mode)
{
    return ::fchmod(fd, mode) == 0 ? 0 : -errno;
}

int Files::ftruncate(int fd, qint64 length)
{
    return retrying([&] { return ::ftruncate(fd, off_t(length)); });
}

int Files::rename(const QString &from, const QString &to)
{
    return ::rename(encodePath(from).constData(), encodePath(to).constData()) == 0 ? 0 : -errno;
}

int Files::unlink(const QString &path)
{
    return ::unlink(encodePath(path).constData()) == 0 ? 0 : -errno;
}

int Files::flock(int fd, int operation)
{
    return retrying([&] { return ::flock(fd, operation); });
}

qint64 Files::seek(int fd, qint64 offset)
{
    const off_t moved = ::lseek(fd, off_t(offset), SEEK_SET);
    return moved < 0 ? -errno : qint64(moved);
}

QString Files::canonicalPath(const QString &path)
{
    char *resolved = ::realpath(encodePath(path).constData(), nullptr);
    if (!resolved)
        return QString();
    const QString result = decodePath(QByteArrayView(resolved));
    std::free(resolved);
    return result;
}

DirectoryLock::DirectoryLock(Files &files, const QString &directory,
                             std::chrono::milliseconds wait)
    : m_files(files), m_fd(files.open(directory, O_RDONLY | O_DIRECTORY))
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (m_fd >= 0 && files.flock(m_fd, LOCK_EX | LOCK_NB) == -EWOULDBLOCK) {
        if (std::chrono::steady_clock::now() >= deadline) {
            m_busy = true;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

DirectoryLock::~DirectoryLock()
{
    // Closing the directory releases the lock.
    if (m_fd >= 0)
        m_files.close(m_fd);
}

bool sameFile(Files &files, const QString &a, const QString &b)
{
    struct stat first {}, second {};
    return files.stat(a, &first) == 0 && files.stat(b, &second) == 0
        && first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error < 0 ? -error : error));
}

int readAll(Files &files, int fd, QByteArray &content, qint64 limit)
{
    content.clear();
    struct stat status {};
    if (const int failed = files.fstat(fd, &status))
        return failed;
    // The size is only a hint: the file may grow or shrink while it is read.
    const qint64 hint = S_ISREG(status.st_mode) ? status.st_size + 1 : 0;
    QByteArray buffer(std::min(std::max<qint64>(hint, 64 * 1024), limit + 1), Qt::Uninitialized);
    qint64 filled = 0;
    for (;;) {
        // Never more than one byte past the limit, which tells that it is passed.
        if (filled == buffer.size())
            buffer.resize(std::min(buffer.size() * 2, limit + 1));
        const qint64 got = files.read(fd, buffer.data() + filled, buffer.size() - filled);
        if (got == 0)
            break;
        if (got < 0)
            return int(got);
        filled += got;
        if (filled > limit)
            return -EFBIG;
    }
    buffer.truncate(filled);
    content = std::move(buffer);
    return 0;
}

int writeAll(Files &files, int fd, QByteArrayView data)
{
    qint64 done = 0;
    while (done < data.size()) {
        const qint64 wrote = files.write(fd, data.data() + done, data.size() - done);
        if (wrote < 0)
            return int(wrote);
        if (wrote == 0)
            return -EIO;
        done += wrote;
    }
    return 0;
}

int syncDirectory(Files &files, const QString &directory)
{
    const int fd = files.open(directory, O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return fd;
    const int synced = files.fsync(fd);
    const int closed = files.close(fd);
    // Some file systems cannot sync a directory; the rename is made all the same.
    if (synced == -EINVAL || synced == -ENOTSUP)
        return closed;
    return synced ? synced : closed;
}

QString directoryOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QStringLiteral(".");
    if (slash == 0)
        return QStringLiteral("/");
    return path.left(slash);
}

} // namespace zumivok
