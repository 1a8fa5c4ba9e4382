#include "platform/files.h"
#include "store/codepage.h"
#include "store/data_file.h"
#include "store/append.h"
#include "store/replacement.h"
#include "support/failing_files.h"
#include "support/fixtures.h"
#include "support/temp_catalogue.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

using namespace zumivok;
using namespace zumivok::test;

class TestReading : public QObject
{
    Q_OBJECT

private slots:
    void separatorIsAlwaysInserted();
    void missingFileHoldsNoRecords();
    void whatIsNoRegularFileIsRefused_data();
    void whatIsNoRegularFileIsRefused();
    void failedCallsAreReportedAndClosed_data();
    void failedCallsAreReportedAndClosed();
    void shownTextsAreTheBytesOfTheFile();
    void filesReadInTinyPiecesGiveTheSameResults();
    void gigabytesAreReadInBoundedMemory();
    void errorsReadAsOneLine_data();
    void errorsReadAsOneLine();
};

void TestReading::separatorIsAlwaysInserted()
{
    Files files;
    QCOMPARE(DataFile(files, QStringLiteral("/")).pathOf(QStringLiteral("temp.dat")),
             QStringLiteral("//temp.dat"));

    const TempCatalogue catalogue;
    catalogue.write(record("SPARKIT", "No picture", {"25"}));
    const DataFile data(files, catalogue.directory() + '/');
    QCOMPARE(data.path(), catalogue.directory() + QStringLiteral("//zumivok.dat"));
    const Outcome<SearchHit> hit = data.search(u"sparkit");
    QVERIFY(hit.ok() && hit.value.entry);
    QCOMPARE(hit.value.entry->text, QStringLiteral("25\r\n"));
}

void TestReading::missingFileHoldsNoRecords()
{
    const TempCatalogue catalogue;
    Files files;
    const DataFile data(files, catalogue.directory());

    const Outcome<SearchHit> hit = data.search(u"A");
    QVERIFY(hit.ok() && hit.value.entryNumber == 0 && !hit.value.entry);
    QVERIFY(data.entryAt(1).ok() && !data.entryAt(1).value);
    QVERIFY(data.topicList().ok() && data.topicList().value.isEmpty());
    QVERIFY(data.containsName(u"A").ok() && !data.containsName(u"A").value);
    QVERIFY(!catalogue.exists()); // readers never create the file
}

void TestReading::whatIsNoRegularFileIsRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("directory") << "directory" << "Is a directory";
    QTest::newRow("fifo") << "fifo" << "Not a regular file";
    QTest::newRow("device") << "device" << "Not a regular file";
}

// Reading and every writing command refuse it at once, and leave it as it is.
void TestReading::whatIsNoRegularFileIsRefused()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    const TempCatalogue catalogue;
    const QString dataPath = catalogue.dataPath();
    const QByteArray path = QFile::encodeName(dataPath);
    if (kind == QLatin1String("directory"))
        QVERIFY(QDir().mkdir(dataPath));
    else if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(path.constData(), 0600), 0);
    else
        QCOMPARE(::symlink("/dev/null", path.constData()), 0);
    struct stat before {};
    QCOMPARE(::lstat(path.constData(), &before), 0);

    Files files;
    DataFile data(files, catalogue.directory());
    const qsizetype descriptors = openDescriptors();
    const auto describe = [](const std::optional<StoreError> &error) {
        return error ? error->describe() : QStringLiteral("done");
    };
    auto commands = std::async(std::launch::async, [&] {
        QStringList said{describe(data.topicList().error), describe(data.append(record("NEW"))),
                         describe(data.replaceEntry(u"A", record("A"))),
                         describe(data.erase(u"A")), describe(data.sort().error)};
        // Never tried on the device: a fault here must not replace /dev/null.
        if (kind != QLatin1String("device"))
            said << describe(replaceFile(files, dataPath, catalogue.filePath("temp.dat"), "x"));
        return said;
    });
    if (commands.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Play both ends, so that a command waiting at a FIFO, and the test, can end.
        const int reader = ::open(path.constData(), O_RDONLY | O_NONBLOCK);
        const int writer = ::open(path.constData(), O_WRONLY | O_NONBLOCK);
        char drained[4096];
        while (commands.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
            while (reader >= 0 && ::read(reader, drained, sizeof drained) > 0) { }
        }
        ::close(reader);
        ::close(writer);
        QFAIL("a command waited at the file");
    }
    const auto line = [&](const char *action) {
        return QStringLiteral("Could not %1 %2: %3.").arg(QLatin1String(action), dataPath, reason);
    };
    QStringList expected{line("read"), line("open"), line("read"), line("read"), line("read")};
    if (kind != QLatin1String("device"))
        expected << line("open");
    QCOMPARE(commands.get(), expected);

    const Outcome<SearchHit> hit = data.search(u"A");
    QCOMPARE(hit.error->action, StoreError::Action::Read);
    QCOMPARE(hit.error->reason, kind == QLatin1String("directory")
                                        ? StoreError::Reason::SystemError
                                        : StoreError::Reason::NotRegularFile);
    QCOMPARE(hit.error->describe(), line("read"));
    QVERIFY(!data.entryAt(1).ok() && !data.topicList().ok() && !data.containsName(u"A").ok());
    QCOMPARE(openDescriptors(), descriptors);
    struct stat after {};
    QCOMPARE(::lstat(path.constData(), &after), 0);
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(catalogue.entries(), QStringList{"zumivok.dat"});
}

void TestReading::failedCallsAreReportedAndClosed_data()
{
    QTest::addColumn<int>("call");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("closes");
    QTest::newRow("open not permitted") << int(FailingFiles::Call::Open) << 1 << EACCES << 0;
    QTest::newRow("fstat fails") << int(FailingFiles::Call::Fstat) << 1 << EIO << 1;
    QTest::newRow("first read fails") << int(FailingFiles::Call::Read) << 1 << EIO << 1;
    QTest::newRow("read at the end fails") << int(FailingFiles::Call::Read) << 2 << EIO << 1;
}

void TestReading::failedCallsAreReportedAndClosed()
{
    QFETCH(int, call);
    QFETCH(int, n);
    QFETCH(int, error);
    const TempCatalogue catalogue;
    catalogue.write(record("SPARKIT"));
    FailingFiles files;
    const DataFile data(files, catalogue.directory());
    files.failOn(FailingFiles::Call(call), n, error);

    const qsizetype descriptors = openDescriptors();
    const Outcome<SearchHit> hit = data.search(u"sparkit");
    QVERIFY(!hit.ok() && !hit.value.entry);
    QCOMPARE(hit.error->describe(),
             QStringLiteral("Could not read %1: %2.").arg(catalogue.dataPath(), errorText(error)));
    QTEST(files.count(FailingFiles::Call::Close), "closes");
    QCOMPARE(openDescriptors(), descriptors);

    files.reset();
    files.failOn(FailingFiles::Call(call), n, error);
    QVERIFY(!data.topicList().ok());
}

void TestReading::shownTextsAreTheBytesOfTheFile()
{
    const TempCatalogue catalogue;
    const QByteArrayList lines = {"Caf\xE9 \x80 5, Stra\337e, \x93quoted\x94",
                                  "\x8A\x81\x8D\x8F\x90\x9D", "", "lone\nLF", "  blanks kept  "};
    catalogue.write(
        crlfLines({"// DO NOT EDIT THIS FILE", ""}) + record("FIRST")
        + crlfLines(QByteArrayList{"~Begin Entry", "\xC9T\xC9 \x9F", "C:\\\xE9t\xE9.bmp"} + lines
                    + QByteArrayList{"~End Entry"}));
    Files files;
    const DataFile data(files, catalogue.directory());

    const Outcome<SearchHit> hit = data.search(QStringLiteral("été ÿ"));
    QVERIFY(hit.ok() && hit.value.entry);
    QCOMPARE(hit.value.entryNumber, qint64(2));
    QCOMPARE(hit.value.entry->name, QStringLiteral("ÉTÉ Ÿ"));
    QCOMPARE(hit.value.entry->picture, QStringLiteral("C:\\été.bmp"));
    QCOMPARE(hit.value.entry->text,
             QStringLiteral("Café € 5, Straße, “quoted”\r\nŠ\u0081\u008D\u008F\u0090\u009D\r\n"
                            "\r\nlone\nLF\r\n  blanks kept  \r\n"));
    QCOMPARE(cp1252::encode(hit.value.entry->text), crlfLines(lines));
    QCOMPARE(data.entryAt(2).value->text, hit.value.entry->text);
    QCOMPARE(data.topicList().value, QStringLiteral("FIRST\r\nÉTÉ Ÿ\r\n"));
}

// A catalogue of more than four gigabytes, which no buffer the size of the
// file could hold, is read a piece at a time: positions pass 32 bits, and
// memory grows by a piece, not by the file.
void TestReading::gigabytesAreReadInBoundedMemory()
{
    test::GeneratedCatalogue files(qint64(42950000) * test::GeneratedCatalogue::kRecordSize);
    const DataFile data(files, QStringLiteral("/generated"));
    const qint64 before = test::peakMemory();
    const Outcome<SearchHit> hit = data.search(u"none");
    QVERIFY(hit.ok() && !hit.value.entry);
    QCOMPARE(hit.value.entryNumber, files.records());
    const Outcome<std::optional<ShownEntry>> last = data.entryAt(files.records());
    QVERIFY(last.ok() && last.value);
    QCOMPARE(last.value->name, QStringLiteral("ZUMLING"));
    QVERIFY2(test::peakMemory() - before < 64 * 1024 * 1024,
             qPrintable(QString::number(test::peakMemory() - before)));
}

void TestReading::filesReadInTinyPiecesGiveTheSameResults()
{
    const TempCatalogue catalogue;
    const QByteArray content = crlfLines({"// DO NOT EDIT THIS FILE", ""}) + record("FIRST", "p")
        + QByteArray("~Begin Entry more\r\nSECOND\rNo picture\r\n")
        + QByteArray("x\r\r\n\n~End Entry\r\n")
        + record("THIRD") + "~Begin Entry\r\nLAST";
    catalogue.write(content);
    for (const qsizetype piece : {1, 2, 3, 5, 13, 64}) {
        Files files;
        const DataFile data(files, catalogue.directory(), piece);
        const Outcome<SearchHit> hit = data.search(u"last");
        QVERIFY(hit.ok() && hit.value.entry);
        QCOMPARE(hit.value.entryNumber, qint64(4));
        QCOMPARE(hit.value.entry->name, QStringLiteral("LAST"));
        QCOMPARE(hit.value.entry->picture, QStringLiteral("No picture"));
        // "\n~End Entry" is no end marker: the LF stays inside its line.
        QCOMPARE(data.search(u"second").value.entry->text,
                 QStringLiteral("x\r\n\r\n\n~End Entry\r\n~Begin Entry\r\nTHIRD\r\n"
                                "No picture\r\n"));
        QCOMPARE(data.search(u"none").value.entryNumber, qint64(4));
        QCOMPARE(data.entryAt(3).value->name, QStringLiteral("THIRD"));
        QVERIFY(data.entryAt(5).ok() && !data.entryAt(5).value);
        QCOMPARE(data.topicList().value,
                 QStringLiteral("FIRST\r\nSECOND\r\nTHIRD\r\nLAST\r\n"));
        QVERIFY(data.containsName(u"third").value);
        QVERIFY(!data.containsName(u"fourth").value);
    }

    // A read that fails in the middle of the file is reported even when the
    // record sought came before it.
    FailingFiles files;
    const DataFile data(files, catalogue.directory(), 4);
    files.failOn(FailingFiles::Call::Read, 20, EIO);
    const Outcome<SearchHit> hit = data.search(u"first");
    QVERIFY(!hit.ok() && !hit.value.entry);
    QCOMPARE(hit.error->action, StoreError::Action::Read);
    QCOMPARE(hit.error->error, EIO);
    QCOMPARE(files.count(FailingFiles::Call::Read), 20);
    QCOMPARE(files.count(FailingFiles::Call::Close), 1);
    files.reset();
    files.failOn(FailingFiles::Call::Read, 20, EIO);
    QVERIFY(!data.topicList().ok());
}

void TestReading::errorsReadAsOneLine_data()
{
    using Action = StoreError::Action;
    using Reason = StoreError::Reason;
    QTest::addColumn<Action>("action");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("target");
    QTest::addColumn<Reason>("reason");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("line");
    const Reason system = Reason::SystemError;
    QTest::newRow("read") << Action::Read << EACCES << "" << system << ""
                          << "Could not read /home/ann/zumivok.dat: Permission denied.";
    QTest::newRow("rename")
        << Action::Rename << ENOSPC << "/home/ann/x" << system << ""
        << "Could not rename /home/ann/zumivok.dat to /home/ann/x: No space left on device.";
    QTest::newRow("no reason") << Action::Sync << 0 << "" << system << ""
                               << "Could not sync /home/ann/zumivok.dat.";
    QTest::newRow("not a regular file")
        << Action::Open << 0 << "" << Reason::NotRegularFile << ""
        << "Could not open /home/ann/zumivok.dat: Not a regular file.";
    QTest::newRow("ends inside a record")
        << Action::Write << 0 << "" << Reason::EndsInsideRecord << "OPEN\tONE"
        << "The data file ends inside the entry OPEN ONE, which has no \"~End Entry\" line: a "
           "new entry written after it would become part of it.";
    QTest::newRow("ends inside a record without a name")
        << Action::Write << 0 << "" << Reason::EndsInsideRecord << ""
        << "The data file ends inside the entry without a name, which has no \"~End Entry\" "
           "line: a new entry written after it would become part of it.";
}

void TestReading::errorsReadAsOneLine()
{
    QFETCH(StoreError::Action, action);
    QFETCH(int, error);
    QFETCH(QString, target);
    QFETCH(StoreError::Reason, reason);
    QFETCH(QString, entry);
    const StoreError storeError{action, QStringLiteral("/home/ann/zumivok.dat"), error, target,
                                reason, entry};
    QTEST(storeError.describe(), "line");
}

QTEST_GUILESS_MAIN(TestReading)

#include "test_reading.moc"
