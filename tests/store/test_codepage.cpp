#include "store/codepage.h"

#include <QSet>
#include <QTest>

using namespace zumivok;

class TestCodepage : public QObject
{
    Q_OBJECT

private slots:
    void everyByteComesBackUnchanged();
    void bytesDecodeToTheirCharacters_data();
    void bytesDecodeToTheirCharacters();
    void charactersOutsideTheCodePageAreFound_data();
    void charactersOutsideTheCodePageAreFound();
    void lowerOfAgreesWithQCharForEveryByte();
};

void TestCodepage::everyByteComesBackUnchanged()
{
    QByteArray all;
    for (int byte = 0; byte < 256; ++byte)
        all += char(byte);
    const QString text = cp1252::decode(all);
    QCOMPARE(QSet<QChar>(text.begin(), text.end()).size(), 256);
    QCOMPARE(cp1252::firstUnencodable(text), qsizetype(-1));
    QCOMPARE(cp1252::encode(text), all);
    for (int byte = 0; byte < 256; ++byte)
        QCOMPARE(cp1252::toUnicode(uchar(byte)), text[byte]);
}

void TestCodepage::bytesDecodeToTheirCharacters_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("unicode");
    QTest::newRow("euro") << 0x80 << 0x20AC;
    QTest::newRow("undefined 0x81") << 0x81 << 0x81;
    QTest::newRow("S caron") << 0x8A << 0x0160;
    QTest::newRow("undefined 0x9D") << 0x9D << 0x9D;
    QTest::newRow("Y diaeresis") << 0x9F << 0x0178;
    QTest::newRow("sharp s") << 0xDF << 0xDF;
}

void TestCodepage::bytesDecodeToTheirCharacters()
{
    QFETCH(int, byte);
    QFETCH(int, unicode);
    // Long enough to be decoded sixteen bytes at a time as well as one by one.
    const QByteArray bytes = QByteArray(20, 'a') + char(byte) + QByteArray(20, 'b');
    const QString text = QString(20, u'a') + QChar(char16_t(unicode)) + QString(20, u'b');
    QCOMPARE(cp1252::decode(bytes), text);
    QCOMPARE(cp1252::encode(text), bytes);
}

void TestCodepage::charactersOutsideTheCodePageAreFound_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qsizetype>("index");
    QTest::newRow("all in the code page") << QStringLiteral("Zürich € ß Š") << qsizetype(-1);
    // The C1 control U+0080 gave its byte to the euro sign.
    QTest::newRow("C1 control U+0080") << QStringLiteral("ab\u0080") << qsizetype(2);
    QTest::newRow("Polish L") << QStringLiteral("Łódź") << qsizetype(0);
    QTest::newRow("surrogate pair")
        << QStringLiteral("ok ") + QString::fromUcs4(U"\U0001F600") << qsizetype(3);
}

void TestCodepage::charactersOutsideTheCodePageAreFound()
{
    QFETCH(QString, text);
    QFETCH(qsizetype, index);
    QCOMPARE(cp1252::firstUnencodable(text), index);
    if (index >= 0)
        QVERIFY(!cp1252::canEncode(text[index]));
}

void TestCodepage::lowerOfAgreesWithQCharForEveryByte()
{
    for (int byte = 0; byte < 256; ++byte) {
        const QChar expected = cp1252::toUnicode(uchar(byte)).toLower();
        QVERIFY2(cp1252::lowerOf(uchar(byte)) == expected, qPrintable(QString::number(byte, 16)));
    }
    QCOMPARE(cp1252::lowerOf(0x8A), QChar(u'š'));
    QCOMPARE(cp1252::lowerOf(0xDF), QChar(u'ß'));
}

QTEST_APPLESS_MAIN(TestCodepage)

#include "test_codepage.moc"
