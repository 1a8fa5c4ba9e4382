#include "platform/files.h"
#include "support/failing_files.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

using namespace zumivok;
using namespace zumivok::test;

namespace {

// Distinct bytes everywhere, so that a lost or repeated block shows.
QByteArray pattern(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + i / 251) & 0xFF);
    return bytes;
}

// Real files whose writes take at most a few bytes at a time, or none at all.
class ShortWrites : public Files
{
public:
    explicit ShortWrites(qint64 most)
        : m_most(most)
    {
    }
    qint64 write(int fd, const char *data, qint64 size) override
    {
        ++calls;
        return m_most == 0 ? 0 : Files::write(fd, data, std::min(size, m_most));
    }
    int calls = 0;

private:
    qint64 m_most;
};

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void readAllReadsAWholeRegularFile_data();
    void readAllReadsAWholeRegularFile();
    void readAllGrowsPastTheFirstBufferForAPipe();
    void readAllReportsAFailedReadAndKeepsNothing();
    void writeAllLoopsOverShortWrites();
    void writeAllFailsOnAWriteThatMakesNoProgress();
    void syncDirectory();
    void syncDirectoryIgnoresAFileSystemThatCannotSyncDirectories();
    void directoryOf_data();
    void directoryOf();
    void errorTextNamesTheError();

private:
    QTemporaryDir m_dir;
};

void TestFiles::readAllReadsAWholeRegularFile_data()
{
    QTest::addColumn<qsizetype>("size");
    QTest::newRow("empty") << qsizetype(0);
    QTest::newRow("exactly the smallest buffer") << qsizetype(64 * 1024);
    QTest::newRow("several megabytes") << qsizetype(3 * 1024 * 1024 + 17);
}

void TestFiles::readAllReadsAWholeRegularFile()
{
    QFETCH(qsizetype, size);
    const QString path = m_dir.filePath(QStringLiteral("zumivok.dat"));
    const QByteArray bytes = pattern(size);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }
    Files files;
    const int fd = files.open(path, O_RDONLY);
    QVERIFY(fd >= 0);
    QByteArray content("left over from before");
    QCOMPARE(readAll(files, fd, content), 0);
    QCOMPARE(files.close(fd), 0);
    QCOMPARE(content.size(), bytes.size());
    QVERIFY(content == bytes);
}

void TestFiles::readAllGrowsPastTheFirstBufferForAPipe()
{
    // A pipe has no size to go by, so the buffer must double several times.
    int ends[2];
    QCOMPARE(::pipe(ends), 0);
    const QByteArray bytes = pattern(1024 * 1024 + 3);
    std::thread writer([&] {
        Files files;
        writeAll(files, ends[1], bytes);
        ::close(ends[1]);
    });
    Files files;
    QByteArray content;
    const int result = readAll(files, ends[0], content);
    writer.join();
    ::close(ends[0]);
    QCOMPARE(result, 0);
    QCOMPARE(content.size(), bytes.size());
    QVERIFY(content == bytes);
}

void TestFiles::readAllReportsAFailedReadAndKeepsNothing()
{
    const QString path = m_dir.filePath(QStringLiteral("zumivok.dat"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(pattern(200 * 1024));
    }
    // The first read takes the whole file; the second, which would see its
    // end, fails. What was read before must not be taken for the file.
    FailingFiles files;
    files.failOn(FailingFiles::Call::Read, 2, EIO);
    int fd = files.open(path, O_RDONLY);
    QVERIFY(fd >= 0);
    QByteArray content;
    QCOMPARE(readAll(files, fd, content), -EIO);
    QCOMPARE(files.count(FailingFiles::Call::Read), 2);
    QVERIFY(content.isEmpty());
    files.close(fd);

    files.reset();
    files.failOn(FailingFiles::Call::Fstat, 1, EBADF);
    fd = files.open(path, O_RDONLY);
    QVERIFY(fd >= 0);
    QCOMPARE(readAll(files, fd, content), -EBADF);
    QCOMPARE(files.count(FailingFiles::Call::Read), 0);
    files.close(fd);
}

void TestFiles::writeAllLoopsOverShortWrites()
{
    const QString path = m_dir.filePath(QStringLiteral("temp.dat"));
    ShortWrites files(3);
    const int fd = files.open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY(fd >= 0);
    const QByteArray bytes = pattern(1000);
    QCOMPARE(writeAll(files, fd, bytes), 0);
    QCOMPARE(files.close(fd), 0);
    QCOMPARE(files.calls, 334);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll() == bytes);
}

void TestFiles::writeAllFailsOnAWriteThatMakesNoProgress()
{
    ShortWrites files(0);
    const int fd = files.open(m_dir.filePath(QStringLiteral("temp.dat")), O_WRONLY | O_CREAT, 0644);
    QVERIFY(fd >= 0);
    QCOMPARE(writeAll(files, fd, QByteArrayView("abc")), -EIO);
    QCOMPARE(files.calls, 1);
    // Nothing to write needs no call at all.
    QCOMPARE(writeAll(files, fd, QByteArrayView()), 0);
    QCOMPARE(files.calls, 1);
    files.close(fd);
}

void TestFiles::syncDirectory()
{
    Files files;
    QCOMPARE(zumivok::syncDirectory(files, m_dir.path()), 0);
    QCOMPARE(zumivok::syncDirectory(files, m_dir.filePath(QStringLiteral("gone"))), -ENOENT);

    const QString plain = m_dir.filePath(QStringLiteral("zumivok.dat"));
    QFile file(plain);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QCOMPARE(zumivok::syncDirectory(files, plain), -ENOTDIR);

    FailingFiles failing;
    failing.failOn(FailingFiles::Call::Fsync, 1, EIO);
    QCOMPARE(zumivok::syncDirectory(failing, m_dir.path()), -EIO);
    QCOMPARE(failing.count(FailingFiles::Call::Close), 1);
}

void TestFiles::syncDirectoryIgnoresAFileSystemThatCannotSyncDirectories()
{
    for (const int error : {EINVAL, ENOTSUP}) {
        FailingFiles files;
        files.failOn(FailingFiles::Call::Fsync, 1, error);
        QCOMPARE(zumivok::syncDirectory(files, m_dir.path()), 0);
        QCOMPARE(files.count(FailingFiles::Call::Close), 1);
    }
}

void TestFiles::directoryOf_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("directory");
    QTest::newRow("bare name") << "zumivok.dat" << ".";
    QTest::newRow("relative") << "pictures/sparkit.png" << "pictures";
    QTest::newRow("absolute") << "/home/zum/data/zumivok.dat" << "/home/zum/data";
    QTest::newRow("in the root") << "/zumivok.dat" << "/";
    // A data directory of "/" gives "/" + "/" + the name.
    QTest::newRow("root, doubled separator") << "//zumivok.dat" << "/";
    QTest::newRow("doubled separator") << "/data//zumivok.dat" << "/data/";
    QTest::newRow("root alone") << "/" << "/";
    QTest::newRow("blank in the name") << "/my data/zumi.dat" << "/my data";
}

void TestFiles::directoryOf()
{
    QFETCH(QString, path);
    QTEST(zumivok::directoryOf(path), "directory");
}

void TestFiles::errorTextNamesTheError()
{
    QCOMPARE(errorText(ENOSPC), QStringLiteral("No space left on device"));
    QCOMPARE(errorText(-ENOSPC), QStringLiteral("No space left on device"));
    QCOMPARE(errorText(-EACCES), QStringLiteral("Permission denied"));
}

QTEST_GUILESS_MAIN(TestFiles)
#include "test_files.moc"
