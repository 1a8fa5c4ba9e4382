#pragma once

#include "platform/files.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <functional>

namespace zumivok::test {

// Real files, except that the n-th call of one kind fails with a chosen errno
// (ENOSPC unless said otherwise), so that every step of a write can be made
// to fail in turn. Calls of each kind are counted from 1; a kind can also fail
// every time. Every call is logged in order as "kind path" (a rename as
// "rename from -> to"), or "kind fd path" for a call on a descriptor opened
// here, so that the order of calls on each file can be checked.
class FailingFiles : public Files
{
public:
    enum class Call { Open, Read, Stat, Write, Fsync, Close, Fstat, Lstat, Fchmod, Ftruncate,
                      Rename, Unlink, Flock, Seek, CanonicalPath };
    static constexpr int kCalls = 15;

    // Runs before every call, of whatever kind, before it is counted.
    std::function<void(Call)> beforeCall;

    // Fail the n-th call of this kind (n >= 1); n = 0 means every call.
    void failOn(Call call, int n, int error = ENOSPC);
    // Fail only calls whose path ends with suffix (for the calls that take a path).
    void onlyForPath(const QString &suffix) { m_pathSuffix = suffix; }
    // Refuse, as the kernel does for a file without write permission, every
    // open for writing of a path ending with suffix, besides any other failure.
    void refuseWritingTo(const QString &suffix, int error = EACCES);
    void reset();

    int count(Call call) const { return m_counts[static_cast<int>(call)]; }
    const QStringList &log() const { return m_log; }

    int open(const QString &path, int flags, mode_t mode = 0) override;
    qint64 read(int fd, char *buffer, qint64 size) override;
    qint64 write(int fd, const char *data, qint64 size) override;
    int fsync(int fd) override;
    int close(int fd) override;
    int fstat(int fd, struct stat *status) override;
    int lstat(const QString &path, struct stat *status) override;
    int stat(const QString &path, struct stat *status) override;
    int fchmod(int fd, mode_t mode) override;
    int ftruncate(int fd, qint64 length) override;
    int rename(const QString &from, const QString &to) override;
    int unlink(const QString &path) override;
    int flock(int fd, int operation) override;
    qint64 seek(int fd, qint64 offset) override;
    // A failed one gives no path, as when the path cannot be resolved.
    QString canonicalPath(const QString &path) override;

private:
    // Counts the call and returns -errno when it is to fail, else 0.
    int tick(Call call, const QString &what, bool pathMatches = true);
    QString described(int fd) const;
    bool matches(const QString &path) const
    {
        return m_pathSuffix.isEmpty() || path.endsWith(m_pathSuffix);
    }

    int m_counts[kCalls] = {};
    Call m_failCall = Call::Open;
    int m_failN = -1;
    int m_failError = ENOSPC;
    QString m_pathSuffix;
    QString m_readOnlySuffix;
    int m_readOnlyError = EACCES;
    QHash<int, QString> m_openPaths; // of the descriptors opened here
    QStringList m_log;
};

// A data file that exists only as a size and a pattern: every read serves the
// next bytes of one record, "ZUMLING", repeated, so that a catalogue of
// gigabytes can be read without being written anywhere or held in memory.
// Every path names it; nothing can be written. Its status may state another
// size (statedSize), as for a file that grows while it is read.
class GeneratedCatalogue : public Files
{
public:
    explicit GeneratedCatalogue(qint64 size, qint64 statedSize = -1)
        : m_size(size), m_statedSize(statedSize < 0 ? size : statedSize)
    {
    }

    static constexpr qint64 kRecordSize = 100;
    qint64 records() const { return m_size / kRecordSize; }

    int open(const QString &path, int flags, mode_t mode = 0) override;
    qint64 read(int fd, char *buffer, qint64 size) override;
    int close(int fd) override;
    int fstat(int fd, struct stat *status) override;
    int lstat(const QString &path, struct stat *status) override;

private:
    static constexpr int kDescriptor = 1000;
    qint64 m_size;
    qint64 m_statedSize;
    qint64 m_offset = 0;
};

// A figure of the process's memory from /proc/self/status, in bytes, or -1:
// "VmRSS:" the resident memory now, "VmHWM:" its peak so far.
qint64 memoryFigure(const char *field);
inline qint64 peakMemory()
{
    return memoryFigure("VmHWM:");
}

} // namespace zumivok::test
