#include "platform/controls.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

using namespace zumivok;

namespace {

const QString kMixedBreaks = QStringLiteral("a\r\nb\nc\u00A0d\re");

// True when every pixel of the rectangle has exactly this colour.
bool allPixels(const QImage &image, const QRect &area, const QColor &colour, QString *why)
{
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y) != colour) {
                *why = QStringLiteral("(%1, %2) is %3").arg(x).arg(y).arg(image.pixelColor(x, y).name());
                return false;
            }
        }
    }
    return true;
}

} // namespace

class TestControls : public QObject
{
    Q_OBJECT

private slots:
    void textBoxReadsBackExactlyUntilTheUserTypes();
    void programChangesAreNotUserEdits();
    void readOnlyTextBoxStaysExact();
    void contrastRatioIsWcags_data();
    void contrastRatioIsWcags();
    void solidButtonFaceIsTheFaceColour_data();
    void solidButtonFaceIsTheFaceColour();
    void pictureBoxDrawsPictureUnscaledAtInsideTopLeft();
    void pictureBoxClipsALargePictureToTheInside();
    void paintedBackgroundIsSolid();
};

void TestControls::textBoxReadsBackExactlyUntilTheUserTypes()
{
    TextBox box;
    box.resize(200, 120);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.setText(kMixedBreaks);
    QCOMPARE(box.text(), kMixedBreaks);
    QVERIFY(!box.editedByUser());
    // CR LF, a lone LF and a lone CR each show as a line break.
    const QTextDocument *document = box.document();
    QCOMPARE(document->blockCount(), 4);
    QCOMPARE(document->findBlockByNumber(2).text(), QStringLiteral("c\u00A0d"));
    QCOMPARE(document->findBlockByNumber(3).text(), QStringLiteral("e"));

    QTest::keyClick(&box, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(&box, Qt::Key_X);
    QVERIFY(box.editedByUser());
    // Every break now reads back as CR LF; the no-break space survives.
    QCOMPARE(box.text(), QStringLiteral("a\r\nb\r\nc\u00A0d\r\nex"));

    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClicks(&box, QStringLiteral("y z"));
    QCOMPARE(box.text(), QStringLiteral("a\r\nb\r\nc\u00A0d\r\nex\r\ny z"));
    // Shift+Enter makes a line separator inside the paragraph; it is a break all the same.
    QTest::keyClick(&box, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClick(&box, Qt::Key_W);
    QCOMPARE(box.text(), QStringLiteral("a\r\nb\r\nc\u00A0d\r\nex\r\ny z\r\nw"));

    // Setting the text again makes it exact again.
    box.setText(QStringLiteral("one\ntwo"));
    QVERIFY(!box.editedByUser());
    QCOMPARE(box.text(), QStringLiteral("one\ntwo"));
}

void TestControls::programChangesAreNotUserEdits()
{
    TextBox box;
    box.setText(kMixedBreaks);
    // Showing, restyling, locking and moving the caret change no text.
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QFont font = box.font();
    font.setPointSize(font.pointSize() + 3);
    box.setFont(font);
    box.setReadOnly(true);
    box.setReadOnly(false);
    box.setLineWrapMode(QPlainTextEdit::NoWrap);
    QTest::keyClick(&box, Qt::Key_Down);
    QTest::keyClick(&box, Qt::Key_End, Qt::ShiftModifier);
    QVERIFY(!box.editedByUser());
    QCOMPARE(box.text(), kMixedBreaks);

    // Undoing a user's edit is still the user's doing: the text is no longer
    // what the program set, though it looks the same.
    QTest::keyClick(&box, Qt::Key_Q);
    box.undo();
    QVERIFY(box.editedByUser());
    QCOMPARE(box.text(), QStringLiteral("a\r\nb\r\nc\u00A0d\r\ne"));
}

void TestControls::readOnlyTextBoxStaysExact()
{
    TextBox box;
    box.setReadOnly(true);
    box.setText(kMixedBreaks);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::keyClicks(&box, QStringLiteral("typed"));
    QTest::keyClick(&box, Qt::Key_Backspace);
    QTest::keyClick(&box, Qt::Key_Return);
    QVERIFY(!box.editedByUser());
    QCOMPARE(box.text(), kMixedBreaks);
}

void TestControls::contrastRatioIsWcags_data()
{
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<double>("ratio"); // as WCAG 2 and its checkers give it
    QTest::newRow("black on white") << QColor(Qt::black) << kWhite << 21.0;
    QTest::newRow("black on red") << QColor(Qt::black) << kRed << 5.25;
    QTest::newRow("white on red") << kWhite << kRed << 4.0;
    QTest::newRow("the palest grey AA allows on white") << QColor(0x76, 0x76, 0x76) << kWhite << 4.54;
    QTest::newRow("Adwaita's dark theme text on yellow") << QColor(0xee, 0xee, 0xec) << kYellow << 1.08;
}

void TestControls::contrastRatioIsWcags()
{
    QFETCH(QColor, text);
    QFETCH(QColor, background);
    QFETCH(double, ratio);
    QCOMPARE(qRound(contrastRatio(text, background) * 100), qRound(ratio * 100));
    QCOMPARE(contrastRatio(background, text), contrastRatio(text, background));
}

void TestControls::solidButtonFaceIsTheFaceColour_data()
{
    QTest::addColumn<QColor>("face");
    QTest::addColumn<bool>("down");
    QTest::newRow("cyan") << kCyan << false;
    QTest::newRow("yellow") << kYellow << false;
    QTest::newRow("white") << kWhite << false;
    QTest::newRow("cyan, pressed") << kCyan << true;
}

void TestControls::solidButtonFaceIsTheFaceColour()
{
    QFETCH(QColor, face);
    QFETCH(bool, down);
    SolidButton button(QStringLiteral("Next"), face);
    button.setGeometry(0, 0, 73, 33);
    button.setDown(down);
    QCOMPARE(button.face(), face);
    QVERIFY(!button.autoDefault());

    const QImage image = button.grab().toImage();
    QCOMPARE(image.size(), QSize(73, 33));
    // A band along the top and a strip on the left, inside the bevel and away
    // from the centred caption.
    QString why;
    QVERIFY2(allPixels(image, QRect(4, 4, 65, 4), face, &why), qPrintable(why));
    QVERIFY2(allPixels(image, QRect(4, 4, 8, 25), face, &why), qPrintable(why));

    // The caption is drawn, in the dark button text colour.
    const QColor text = button.palette().color(QPalette::ButtonText);
    bool captionSeen = false;
    for (int x = 20; x < 53 && !captionSeen; ++x)
        for (int y = 10; y < 24 && !captionSeen; ++y)
            captionSeen = image.pixelColor(x, y) == text;
    QVERIFY(captionSeen);
}

void TestControls::pictureBoxDrawsPictureUnscaledAtInsideTopLeft()
{
    QImage picture(10, 8, QImage::Format_RGB32);
    picture.fill(QColor(0, 0, 255));
    picture.setPixelColor(0, 0, QColor(255, 0, 0));
    picture.setPixelColor(9, 7, QColor(0, 128, 0));

    PictureBox box;
    box.setGeometry(0, 0, 40, 30);
    box.setPicture(picture);
    QImage image = box.grab().toImage();

    QCOMPARE(box.contentsRect(), QRect(1, 1, 38, 28));
    QVERIFY(image.pixelColor(0, 0) != kWhite); // the border
    QCOMPARE(image.pixelColor(1, 1), QColor(255, 0, 0));
    QCOMPARE(image.pixelColor(10, 8), QColor(0, 128, 0));
    QCOMPARE(image.pixelColor(5, 5), QColor(0, 0, 255));
    QString why;
    QVERIFY2(allPixels(image, QRect(11, 1, 28, 28), kWhite, &why), qPrintable(why));
    QVERIFY2(allPixels(image, QRect(1, 9, 38, 20), kWhite, &why), qPrintable(why));

    // On a screen scaled by two the picture is enlarged smoothly: next to the
    // red corner pixel comes a blend of red and blue, not a second red one.
    QImage scaledUp(80, 60, QImage::Format_RGB32);
    scaledUp.setDevicePixelRatio(2);
    box.render(&scaledUp);
    const QColor blend = scaledUp.pixelColor(3, 3);
    QVERIFY2(blend.red() > 0 && blend.blue() > 0, qPrintable(blend.name()));
    QVERIFY2(blend != QColor(255, 0, 0) && blend != QColor(0, 0, 255), qPrintable(blend.name()));

    box.clearPicture();
    image = box.grab().toImage();
    QVERIFY2(allPixels(image, box.contentsRect(), kWhite, &why), qPrintable(why));
}

void TestControls::pictureBoxClipsALargePictureToTheInside()
{
    QImage picture(100, 100, QImage::Format_RGB32);
    picture.fill(QColor(0, 0, 255));
    PictureBox box;
    box.setGeometry(0, 0, 40, 30);
    box.setPicture(picture);
    const QImage image = box.grab().toImage();

    const QColor border = image.pixelColor(0, 0);
    QVERIFY(border != QColor(0, 0, 255));
    QCOMPARE(image.pixelColor(39, 29), border);
    QCOMPARE(image.pixelColor(39, 15), border);
    QCOMPARE(image.pixelColor(20, 29), border);
    QString why;
    QVERIFY2(allPixels(image, box.contentsRect(), QColor(0, 0, 255), &why), qPrintable(why));
}

void TestControls::paintedBackgroundIsSolid()
{
    QWidget window;
    window.resize(30, 20);
    paintBackground(&window, kRed);
    const QImage image = window.grab().toImage();
    QString why;
    QVERIFY2(allPixels(image, image.rect(), kRed, &why), qPrintable(why));
}

QTEST_MAIN(TestControls)
#include "test_controls.moc"
