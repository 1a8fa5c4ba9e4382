#include "store/append.h"
#include "store/replacement.h"
#include "support/failing_files.h"
#include "support/fixtures.h"
#include "support/temp_catalogue.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>

using namespace zumivok;
using namespace zumivok::test;
using Call = FailingFiles::Call;
using Action = StoreError::Action;

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

// Checks that the directory of target was synced after the rename that put
// the new file in place, so that the rename is what the sync makes durable.
void verifySyncedAfterRename(const FailingFiles &files, const QString &scratch,
                             const QString &target)
{
    const QStringList &log = files.log();
    const qsizetype renamed = log.indexOf(QStringLiteral("rename ") + scratch + " -> " + target);
    const QRegularExpression directorySync(QStringLiteral("^fsync \\d+ ")
                                           + QRegularExpression::escape(directoryOf(target))
                                           + QLatin1Char('$'));
    const qsizetype synced = log.indexOf(directorySync);
    QVERIFY2(renamed >= 0 && synced > renamed, qPrintable(log.join(QLatin1String(", "))));
}

// Ends without a terminator, so that an append must add one first.
const QByteArray kOld = zumivok::test::record("ALBA") + "stray";
const QByteArray kNew = zumivok::test::record("NIX", "/pics/nix.png", {"7"});
// The same, ending so close to the end of a page that the new record, with the
// CR LF before it, goes past it: the append goes through the replacement.
const QByteArray kOldNearPageEnd = kOld + "\r\n" + QByteArray(4096 - kOld.size() - 12, 'x');

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
    void replaceWarnsOfAFailedDirectorySyncAndKeepsTheNewContent();
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
    FailingFiles files;

    const std::optional<StoreError> failed = replaceFile(files, dir.dataPath(), scratchPath, kNew);
    QVERIFY2(!failed, failed ? qPrintable(failed->describe()) : "");
    verifySyncedAfterRename(files, scratchPath, dir.dataPath());
    QCOMPARE(dir.read(), kNew);
    QCOMPARE(modeOf(dir.dataPath()), mode >= 0 ? mode : 0644);
    QCOMPARE(dir.entries(), QStringList{"zumivok.dat"});
    QCOMPARE(TempCatalogue::readFile(victim), scratch == "link" ? "not ours" : QByteArray());
}

void TestReplace::replaceFailureLeavesTargetAsItWas_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<int>("n");
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("file"); // the one the error names
    QTest::addColumn<bool>("missing");
    const QString data = QStringLiteral("zumivok.dat");
    const QString scratch = QStringLiteral("temp.dat");
    QTest::newRow("lstat") << Call::Lstat << 1 << Action::Read << data << false;
    QTest::newRow("target not writable") << Call::Open << 1 << Action::Open << data << false;
    QTest::newRow("removing an old scratch") << Call::Unlink << 1 << Action::Create << scratch
                                             << false;
    QTest::newRow("open") << Call::Open << 2 << Action::Create << scratch << false;
    QTest::newRow("fchmod") << Call::Fchmod << 1 << Action::Create << scratch << false;
    QTest::newRow("write") << Call::Write << 1 << Action::Write << scratch << false;
    QTest::newRow("write after a partial one") << Call::Write << 2 << Action::Write << scratch
                                               << false;
    QTest::newRow("fsync") << Call::Fsync << 1 << Action::Sync << scratch << false;
    // The first close is the one of the target, opened to see that it may be written.
    QTest::newRow("close") << Call::Close << 2 << Action::Close << scratch << false;
    QTest::newRow("rename") << Call::Rename << 1 << Action::Rename << scratch << false;
    QTest::newRow("write, target missing") << Call::Write << 1 << Action::Write << scratch << true;
}

void TestReplace::replaceFailureLeavesTargetAsItWas()
{
    QFETCH(Call, call);
    QFETCH(int, n);
    QFETCH(Action, action);
    QFETCH(QString, file);
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
    QCOMPARE(failed->path, dir.filePath(file));
    QCOMPARE(failed->error, EIO);
    QCOMPARE(failed->target, action == Action::Rename ? dir.dataPath() : QString());
    QCOMPARE(dir.read(), missing ? QByteArray() : kOld);
    QCOMPARE(dir.entries(), missing ? QStringList{} : QStringList{"zumivok.dat"});
    QCOMPARE(openDescriptors(), descriptors);
}

// The rename is made, so the new content stays; but a power cut may take it
// back, and the user is told so.
void TestReplace::replaceWarnsOfAFailedDirectorySyncAndKeepsTheNewContent()
{
    TempCatalogue dir;
    dir.write(kOld);
    FailingFiles files;
    files.failOn(Call::Fsync, 2, EIO); // the scratch file's sync, then the directory's
    const std::optional<StoreError> warned =
        replaceFile(files, dir.dataPath(), dir.filePath("temp.dat"), kNew);
    QVERIFY(warned && warned->changeMade());
    QCOMPARE(warned->describe(),
             "The change is saved in " + dir.dataPath()
                 + ", but its folder could not be synced: Input/output error. It may not "
                   "survive a power cut.");
    QCOMPARE(files.count(Call::Fsync), 2);
    QCOMPARE(dir.read(), kNew);
    QCOMPARE(dir.entries(), QStringList{"zumivok.dat"});
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
    QCOMPARE(failed->action, Action::Create);
    QCOMPARE(failed->error, EEXIST);
    QCOMPARE(TempCatalogue::readFile(victim), QByteArray("not ours"));
    QCOMPARE(dir.read(), kOld);
}

void TestReplace::appendStartsOnALineOfItsOwn_data()
{
    QTest::addColumn<QByteArray>("old");
    QTest::addColumn<QByteArray>("added"); // after old, for kNew
    QTest::addColumn<bool>("replaced"); // through the scratch file, not one write
    QTest::newRow("missing file created") << QByteArray() << kNew << true;
    QTest::newRow("ends in CR LF") << QByteArray("A\r\n") << kNew << false;
    QTest::newRow("ends in CR") << QByteArray("A\r") << kNew << false;
    QTest::newRow("ends in LF CR") << QByteArray("A\n\r") << kNew << false;
    QTest::newRow("no terminator") << QByteArray("x") << "\r\n" + kNew << false;
    QTest::newRow("ends in a lone LF") << QByteArray("A\n") << "\r\n" + kNew << false;
    QTest::newRow("up to the page's end")
        << kOldNearPageEnd.left(4096 - kNew.size() - 2) + "\r\n" << kNew << false;
    QTest::newRow("past the page's end, no terminator")
        << kOldNearPageEnd << "\r\n" + kNew << true;
    QTest::newRow("past the next page's end")
        << kOldNearPageEnd + QByteArray(4096, 'y') + "\r\n" << kNew << true;
    const QByteArray large = zumivok::test::record("BIG", "No picture", {QByteArray(300000, 'z')});
    QTest::newRow("a record of many pages") << QByteArray("A\r\n") << large << true;
}

// Both ways give the same bytes; the one write is kept for what ends within
// the page where the file ends, which a crash leaves whole or absent.
void TestReplace::appendStartsOnALineOfItsOwn()
{
    QFETCH(QByteArray, old);
    QFETCH(QByteArray, added);
    QFETCH(bool, replaced);
    TempCatalogue dir;
    if (!old.isEmpty())
        dir.write(old);
    FailingFiles files;
    const QByteArray record = added.startsWith("\r\n") ? added.sliced(2) : added;
    QVERIFY(!appendRecord(files, dir.dataPath(), dir.filePath("temp.dat"), record, {},
                          LineReader::kPieceSize));
    QCOMPARE(dir.read(), old + added);
    QCOMPARE(modeOf(dir.dataPath()), 0644);
    QCOMPARE(dir.entries(), QStringList{"zumivok.dat"});
    QCOMPARE(files.count(Call::Rename), replaced ? 1 : 0);
    if (replaced)
        verifySyncedAfterRename(files, dir.filePath("temp.dat"), dir.dataPath());
}

void TestReplace::appendFailureLeavesFileAsItWas_data()
{
    QTest::addColumn<QByteArray>("old"); // empty: missing, and no file is made
    QTest::addColumn<Call>("call");
    QTest::addColumn<int>("n");
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("file"); // the one the error names
    const QString data = QStringLiteral("zumivok.dat");
    const QString scratch = QStringLiteral("temp.dat");
    const QByteArray none;
    QTest::newRow("open") << kOld << Call::Open << 1 << Action::Open << data;
    QTest::newRow("fstat") << kOld << Call::Fstat << 1 << Action::Read << data;
    QTest::newRow("read") << kOld << Call::Read << 1 << Action::Read << data;
    QTest::newRow("write") << kOld << Call::Write << 1 << Action::Write << data;
    QTest::newRow("write after a partial one") << kOld << Call::Write << 2 << Action::Write << data;
    QTest::newRow("fsync") << kOld << Call::Fsync << 1 << Action::Sync << data;
    // The file is read, and closed (close 1), before it is opened to append to.
    QTest::newRow("close") << kOld << Call::Close << 2 << Action::Close << data;
    QTest::newRow("missing: lstat") << none << Call::Lstat << 1 << Action::Read << data;
    QTest::newRow("missing: create") << none << Call::Open << 2 << Action::Create << scratch;
    QTest::newRow("missing: write after a partial one")
        << none << Call::Write << 2 << Action::Write << scratch;
    QTest::newRow("missing: fsync") << none << Call::Fsync << 1 << Action::Sync << scratch;
    QTest::newRow("missing: close") << none << Call::Close << 1 << Action::Close << scratch;
    QTest::newRow("missing: rename") << none << Call::Rename << 1 << Action::Rename << scratch;
    const QByteArray near = kOldNearPageEnd;
    QTest::newRow("past the page: read") << near << Call::Read << 1 << Action::Read << data;
    QTest::newRow("past the page: not writable") << near << Call::Open << 2 << Action::Open << data;
    QTest::newRow("past the page: write after a partial one")
        << near << Call::Write << 2 << Action::Write << scratch;
    QTest::newRow("past the page: rename")
        << near << Call::Rename << 1 << Action::Rename << scratch;
}

void TestReplace::appendFailureLeavesFileAsItWas()
{
    QFETCH(QByteArray, old);
    QFETCH(Call, call);
    QFETCH(int, n);
    QFETCH(Action, action);
    QFETCH(QString, file);
    TempCatalogue dir;
    if (!old.isEmpty())
        dir.write(old);
    ShortFirstWrite files;
    files.failOn(call, n, EDQUOT);
    const int descriptors = openDescriptors();

    const std::optional<StoreError> failed = appendRecord(
        files, dir.dataPath(), dir.filePath("temp.dat"), kNew, {}, LineReader::kPieceSize);
    QVERIFY(failed);
    QCOMPARE(failed->action, action);
    QCOMPARE(failed->path, dir.filePath(file));
    QCOMPARE(failed->error, EDQUOT);
    QCOMPARE(dir.read(), old);
    QCOMPARE(dir.entries(), old.isEmpty() ? QStringList{} : QStringList{"zumivok.dat"});
    QCOMPARE(openDescriptors(), descriptors);
}

QTEST_GUILESS_MAIN(TestReplace)
#include "test_replace.moc"
