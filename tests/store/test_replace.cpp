#include "store/replace.h"
#include "support/failing_files.h"
#include "support/temp_catalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>

using namespace zumivok;
using zumivok::test::FailingFiles;
using zumivok::test::TempCatalogue;
using Call = FailingFiles::Call;

Q_DECLARE_METATYPE(FailingFiles::Call)

namespace {

// Writes only a few bytes on its first write, so that the write after a
// partial one can be made to fail.
class ShortFirstWrite : public FailingFiles
{
public:
    qint64 write(int fd, const char *data, qint64 size) override
    {
        const bool first = std::exchange(m_first, false);
        return FailingFiles::write(fd, data, first ? std::min<qint64>(size, 5) : size);
    }

private:
    bool m_first = true;
};

// Plants a link to victim under the removed name right after the removal,
// as another process racing the replacement could.
class LinkAfterUnlink : public Files
{
public:
    explicit LinkAfterUnlink(const QString &victim) : m_victim(victim) { }
    int unlink(const QString &path) override
    {
        const int removed = Files::unlink(path);
        QFile::link(m_victim, path);
        return removed;
    }

private:
    QString m_victim;
};

int modeOf(const QString &path)
{
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : -1;
}

int openDescriptors()
{
    const QDir fds(QStringLiteral("/proc/self/fd"));
    return int(fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}

// Ends without a terminator, so that an append must add one first.
const QByteArray kOld = zumivok::test::record("ALBA") + "stray";
const QByteArray kNew = zumivok::test::record("NIX", "/pics/nix.png", {"7"});

} // namespace

class TestReplace : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ::umask(022); }
    void replaceWritesNewFileInOneStep_data();
    void replaceWritesNewFileInOneStep();
    void replaceFailureLeavesTargetAsItWas_data();
    void replaceFailureLeavesTargetAsItWas();
    void replaceIgnoresDirectorySyncAfterRename();
    void replaceNeverWritesThroughAPlantedLink();
    void appendStartsOnALineOfItsOwn_data();
    void appendStartsOnALineOfItsOwn();
    void appendFailureLeavesFileAsItWas_data();
    void appendFailureLeavesFileAsItWas();
    void linkedDataFileKeepsItsLink();
};

// A data file kept elsewhere through a symbolic link stays linked: the file it
// leads to gets the new content, its permissions and a scratch file beside it.
void TestReplace::linkedDataFileKeepsItsLink()
{
    TempCatalogue dir, elsewhere;
    const QString real = elsewhere.filePath("real.dat");
    TempCatalogue::writeFile(real, kOld);
    QCOMPARE(::chmod(QFile::encodeName(real).constData(), 0640), 0);
    QVERIFY(QFile::link(real, dir.dataPath()));
    Files files;

    const std::optional<StoreError> failed =
        replaceFile(files, dir.dataPath(), dir.filePath("temp.dat"), kNew);
    QVERIFY2(!failed, failed ? qPrintable(failed->describe()) : "");
    QCOMPARE(QFileInfo(dir.dataPath()).symLinkTarget(), real);
    QCOMPARE(TempCatalogue::readFile(real), kNew);
    QCOMPARE(modeOf(real), 0640);
    QCOMPARE(dir.entries(), QStringList{"zumivok.dat"});
    QCOMPARE(elsewhere.entries(), QStringList{"real.dat"});
}

void TestReplace::replaceWritesNewFileInOneStep_data()
{
    QTest::addColumn<int>("mode"); // of the target; -1: missing
    QTest::addColumn<QString>("scratch"); // "file", "link", "dangling" or empty
    QTest::newRow("permissions kept") << 0604 << "";
    QTest::newRow("missing target: 0666 less the umask") << -1 << "";
    QTest::newRow("stale scratch file replaced") << 0600 << "file";
    QTest::newRow("scratch link removed, its target untouched") << 0640 << "link";
    QTest::newRow("dangling scratch link not followed") << 0640 << "dangling";
}

void TestReplace::replaceWritesNewFileInOneStep()
{
    QFETCH(int, mode);
    QFETCH(QString, scratch);
    TempCatalogue dir, elsewhere;
    const QString scratchPath = dir.filePath("temp.dat");
    const QString victim = elsewhere.filePath("precious.txt");
    if (mode >= 0) {
        dir.write(kOld);
        QCOMPARE(::chmod(QFile::encodeName(dir.dataPath()).constData(), mode_t(mode)), 0);
    }
    if (scratch == "file")
        TempCatalogue::writeFile(scratchPath, QByteArray(4096, 'x'));
    if (scratch == "link")
        TempCatalogue::writeFile(victim, "not ours");
    if (scratch == "link" || scratch == "dangling")
        QVERIFY(QFile::link(victim, scratchPath));
    Files files;

    const std::optional<StoreError> failed = replaceFile(files, dir.dataPath(), scratchPath, kNew);
    QVERIFY2(!failed, failed ? qPrintable(failed->describe()) : "");
    QCOMPARE(dir.read(), kNew);
    QCOMPARE(modeOf(dir.dataPath()), mode >= 0 ? mode : 0644);
    QCOMPARE(dir.entries(), QStringList{"zumivok.dat"});
    QCOMPARE(TempCatalogue::readFile(victim), scratch == "link" ? "not ours" : QByteArray());
}

void TestReplace::replaceFailureLeavesTargetAsItWas_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("missing");
    QTest::newRow("lstat") << Call::Lstat << 1 << "read" << false;
    QTest::newRow("removing an old scratch") << Call::Unlink << 1 << "create" << false;
    QTest::newRow("open") << Call::Open << 1 << "create" << false;
    QTest::newRow("fchmod") << Call::Fchmod << 1 << "create" << false;
    QTest::newRow("write") << Call::Write << 1 << "write" << false;
    QTest::newRow("write after a partial one") << Call::Write << 2 << "write" << false;
    QTest::newRow("fsync") << Call::Fsync << 1 << "sync" << false;
    QTest::newRow("close") << Call::Close << 1 << "close" << false;
    QTest::newRow("rename") << Call::Rename << 1 << "rename" << false;
    QTest::newRow("write, target missing") << Call::Write << 1 << "write" << true;
}

void TestReplace::replaceFailureLeavesTargetAsItWas()
{
    QFETCH(Call, call);
    QFETCH(int, n);
    QFETCH(QString, action);
    QFETCH(bool, missing);
    TempCatalogue dir;
    if (!missing)
        dir.write(kOld);
    ShortFirstWrite files;
    files.failOn(call, n, EIO);
    const int descriptors = openDescriptors();

    const std::optional<StoreError> failed =
        replaceFile(files, dir.dataPath(), dir.filePath("temp.dat"), kNew);
    QVERIFY(failed);
    QCOMPARE(failed->action, action);
    QCOMPARE(failed->path, dir.filePath(action == "read" ? "zumivok.dat" : "temp.dat"));
    QCOMPARE(failed->error, EIO);
    QCOMPARE(failed->target, action == "rename" ? dir.dataPath() : QString());
    QCOMPARE(dir.read(), missing ? QByteArray() : kOld);
    QCOMPARE(dir.entries(), missing ? QStringList{} : QStringList{"zumivok.dat"});
    QCOMPARE(openDescriptors(), descriptors);
}

void TestReplace::replaceIgnoresDirectorySyncAfterRename()
{
    TempCatalogue dir;
    dir.write(kOld);
    FailingFiles files;
    files.failOn(Call::Fsync, 2, EIO); // the scratch file's sync, then the directory's
    QVERIFY(!replaceFile(files, dir.dataPath(), dir.filePath("temp.dat"), kNew));
    QCOMPARE(files.count(Call::Fsync), 2);
    QCOMPARE(dir.read(), kNew);
}

void TestReplace::replaceNeverWritesThroughAPlantedLink()
{
    TempCatalogue dir;
    dir.write(kOld);
    const QString victim = dir.filePath("precious.txt");
    TempCatalogue::writeFile(victim, "not ours");
    LinkAfterUnlink files(victim);
    const std::optional<StoreError> failed =
        replaceFile(files, dir.dataPath(), dir.filePath("temp.dat"), kNew);
    QVERIFY(failed);
    QCOMPARE(failed->action, QStringLiteral("create"));
    QCOMPARE(failed->error, EEXIST);
    QCOMPARE(TempCatalogue::readFile(victim), QByteArray("not ours"));
    QCOMPARE(dir.read(), kOld);
}

void TestReplace::appendStartsOnALineOfItsOwn_data()
{
    QTest::addColumn<QByteArray>("old");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("missing file created") << QByteArray() << kNew;
    QTest::newRow("ends in CR LF") << QByteArray("A\r\n") << "A\r\n" + kNew;
    QTest::newRow("ends in CR") << QByteArray("A\r") << "A\r" + kNew;
    QTest::newRow("ends in LF CR") << QByteArray("A\n\r") << "A\n\r" + kNew;
    QTest::newRow("no terminator") << QByteArray("x") << "x\r\n" + kNew;
    QTest::newRow("ends in a lone LF") << QByteArray("A\n") << "A\n\r\n" + kNew;
}

void TestReplace::appendStartsOnALineOfItsOwn()
{
    QFETCH(QByteArray, old);
    QFETCH(QByteArray, expected);
    TempCatalogue dir;
    if (!old.isEmpty())
        dir.write(old);
    Files files;
    QVERIFY(!appendToFile(files, dir.dataPath(), kNew));
    QCOMPARE(dir.read(), expected);
    QCOMPARE(modeOf(dir.dataPath()), 0644);
}

void TestReplace::appendFailureLeavesFileAsItWas_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("missing"); // then the file made by the append goes again
    QTest::newRow("open") << Call::Open << 1 << "open" << false;
    QTest::newRow("fstat") << Call::Fstat << 1 << "read" << false;
    QTest::newRow("pread") << Call::Pread << 1 << "read" << false;
    QTest::newRow("write") << Call::Write << 1 << "write" << false;
    QTest::newRow("write after a partial one") << Call::Write << 2 << "write" << false;
    QTest::newRow("fsync") << Call::Fsync << 1 << "sync" << false;
    QTest::newRow("close") << Call::Close << 1 << "close" << false;
    QTest::newRow("missing: create") << Call::Open << 2 << "create" << true;
    QTest::newRow("missing: fstat") << Call::Fstat << 1 << "read" << true;
    QTest::newRow("missing: write after a partial one") << Call::Write << 2 << "write" << true;
    QTest::newRow("missing: fsync") << Call::Fsync << 1 << "sync" << true;
    QTest::newRow("missing: close") << Call::Close << 1 << "close" << true;
}

void TestReplace::appendFailureLeavesFileAsItWas()
{
    QFETCH(Call, call);
    QFETCH(int, n);
    QFETCH(QString, action);
    QFETCH(bool, missing);
    TempCatalogue dir;
    if (!missing)
        dir.write(kOld);
    ShortFirstWrite files;
    files.failOn(call, n, EDQUOT);
    const int descriptors = openDescriptors();

    const std::optional<StoreError> failed = appendToFile(files, dir.dataPath(), kNew);
    QVERIFY(failed);
    QCOMPARE(failed->action, action);
    QCOMPARE(failed->path, dir.dataPath());
    QCOMPARE(failed->error, EDQUOT);
    QCOMPARE(dir.read(), missing ? QByteArray() : kOld);
    QCOMPARE(dir.entries(), missing ? QStringList{} : QStringList{"zumivok.dat"});
    QCOMPARE(openDescriptors(), descriptors);
}

QTEST_GUILESS_MAIN(TestReplace)
#include "test_replace.moc"
