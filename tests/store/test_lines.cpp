#include "store/lines.h"

#include <QTest>

using namespace zumivok;

class TestLines : public QObject
{
    Q_OBJECT

private slots:
    void splitsAtCrAndCrLfOnly_data();
    void splitsAtCrAndCrLfOnly();
};

void TestLines::splitsAtCrAndCrLfOnly_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<bool>("endsWithLineEnd");

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

    LineReader reader(bytes);
    QByteArrayList read;
    while (!reader.atEnd() && read.size() <= lines.size())
        read.append(reader.next().toByteArray());
    QCOMPARE(read, lines);
    QCOMPARE(reader.position(), bytes.size());
    // At the end it stays there.
    QVERIFY(reader.next().isEmpty());
    QVERIFY(reader.atEnd());
    QTEST(endsWithLineEnd(bytes), "endsWithLineEnd");
}

QTEST_APPLESS_MAIN(TestLines)

#include "test_lines.moc"
