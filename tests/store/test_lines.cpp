#include "store/lines.h"

#include <QTest>

using namespace zumivok;

class TestLines : public QObject
{
    Q_OBJECT

private slots:
    void splitsAtCrAndCrLfOnly_data();
    void splitsAtCrAndCrLfOnly();
    void scansAndLooksAheadAcrossPieces();
};

void TestLines::splitsAtCrAndCrLfOnly_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<bool>("endsWithTerminator");

    QTest::newRow("empty file") << QByteArray() << QByteArrayList{} << true;
    QTest::newRow("no terminator") << QByteArray("a\r\nb") << QByteArrayList{"a", "b"} << false;
    QTest::newRow("CR LF adds no empty line") << QByteArray("a\r\n") << QByteArrayList{"a"} << true;
    QTest::newRow("CR adds no empty line") << QByteArray("a\r") << QByteArrayList{"a"} << true;
    QTest::newRow("lone CR ends a line") << QByteArray("a\rb") << QByteArrayList{"a", "b"} << false;
    QTest::newRow("lone LF stays inside")
        << QByteArray("a\nb\n") << QByteArrayList{"a\nb\n"} << false;
    QTest::newRow("empty lines") << QByteArray("\r\n\r\n\r") << QByteArrayList{"", "", ""} << true;
    QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << QByteArrayList{"a", "", "b"} << false;
    QTest::newRow("LF after CR LF") << QByteArray("a\r\n\n") << QByteArrayList{"a", "\n"} << false;
    QTest::newRow("LF CR") << QByteArray("a\n\rb") << QByteArrayList{"a\n", "b"} << false;
}

void TestLines::splitsAtCrAndCrLfOnly()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArrayList, lines);

    // Pieces of every size up to the whole, so that a terminator falls
    // across two pieces too.
    for (const qsizetype piece : {1, 2, 3, 256 * 1024}) {
        MemorySource source(bytes);
        LineReader reader(source, piece);
        QByteArrayList read;
        while (!reader.atEnd() && read.size() <= lines.size())
            read.append(reader.readLine());
        QCOMPARE(read, lines);
        QCOMPARE(reader.position(), bytes.size());
        QTEST(reader.endedWithTerminator(), "endsWithTerminator");
    }
}

// A scan for a marker stops only where a line begins with it, and a look at a
// line's start does not move the reader.
void TestLines::scansAndLooksAheadAcrossPieces()
{
    // A marker after a lone LF does not start a line.
    const QByteArray bytes = "x~Begin Entry\n~Begin Entry\r\n~Begin Entry\r\n"
        + QByteArray(100, 'a') + "\n\r" + "~Begin Entry\r~End";
    for (const qsizetype piece : {1, 5, 256 * 1024}) {
        MemorySource source(bytes);
        LineReader reader(source, piece);
        QVERIFY(reader.skipToLineStartingWith("~Begin Entry"));
        QCOMPARE(reader.position(), bytes.indexOf("\r\n~Begin Entry\r\n") + 2);
        reader.skipLine();
        QCOMPARE(reader.lineStart(3), QByteArrayView("aaa"));
        QCOMPARE(reader.readLine().size(), 101);
        QVERIFY(reader.skipToLineStartingWith("~Begin Entry"));
        reader.skipLine();
        QVERIFY(!reader.skipToLineStartingWith("~End Entry"));
        QVERIFY(reader.atEnd());
    }
}

QTEST_APPLESS_MAIN(TestLines)

#include "test_lines.moc"
