// The main window as the user first meets it: its start-up state, the look
// and place of its fifteen controls, captions that fit at every font and
// stand out from their faces in every palette (the editor's too), the tab
// order with its focus marks, the Enter key that runs Search from anywhere in
// the window, and Exit.

#include "support/program.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QKeyEvent>
#include <QPaintEngine>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyle>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

#include <algorithm>
#include <climits>

using namespace zumivok;
using namespace zumivok::test;

namespace {

// Records the keys that reach the window itself, which they do only after the
// control with the focus has seen them and passed them on.
class KeysAtWindow : public QObject
{
public:
    explicit KeysAtWindow(QWidget *window) : m_window(window) { window->installEventFilter(this); }
    QList<int> keys;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::KeyPress)
            keys.append(static_cast<QKeyEvent *>(event)->key());
        return false;
    }

private:
    QWidget *m_window;
};

// A paint device that keeps every line of text drawn on it, with the box the
// line takes (its advance across, the font's ascent and descent around the
// baseline) and its colour. Clipping does not hide a line from it.
class DrawnText : public QPaintDevice
{
public:
    struct Line
    {
        QString text;
        QRectF box;
        QColor colour;
    };

    explicit DrawnText(QWidget *control) : m_size(control->size()) { control->render(this); }
    const QList<Line> &lines() const { return m_engine.lines; }
    QPaintEngine *paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth: return m_size.width();
        case PdmHeight: return m_size.height();
        case PdmWidthMM: return m_size.width() * 254 / 960;
        case PdmHeightMM: return m_size.height() * 254 / 960;
        case PdmDepth: return 32;
        case PdmNumColors: return INT_MAX;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        default: return 96; // the dots per inch
        }
    }

private:
    class Engine : public QPaintEngine
    {
    public:
        Engine() : QPaintEngine(AllFeatures) {}
        QList<Line> lines;
        bool begin(QPaintDevice *) override { return true; }
        bool end() override { return true; }
        Type type() const override { return User; }
        void updateState(const QPaintEngineState &changed) override
        {
            if (changed.state() & DirtyTransform)
                m_transform = changed.transform();
            if (changed.state() & DirtyPen)
                m_colour = changed.pen().color();
        }
        void drawTextItem(const QPointF &at, const QTextItem &item) override
        {
            const QRectF box(at.x(), at.y() - item.ascent(), item.width(),
                             item.ascent() + item.descent());
            lines.append({item.text(), m_transform.mapRect(box), m_colour});
        }
        void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
        void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
        void drawPath(const QPainterPath &) override {}

    private:
        QTransform m_transform;
        QColor m_colour;
    };

    QSize m_size;
    mutable Engine m_engine;
};

// The room a control's caption is drawn in, and whether all of the caption
// must fit it or only its height: a picture path and the text of a one-line
// box may run on past the right edge, as they do by design.
struct CaptionRoom
{
    QRect room;
    bool whole = true;
};

std::optional<CaptionRoom> captionRoom(QWidget *control)
{
    const int frame = control->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, control);
    const QRect insideFrame = control->rect().adjusted(frame, frame, -frame, -frame);
    if (qobject_cast<QPushButton *>(control))
        return CaptionRoom{insideFrame, true}; // the face inside the bevel
    if (auto *label = qobject_cast<QLabel *>(control))
        return CaptionRoom{label->contentsRect(), label->objectName() != QLatin1String("lblPicName")};
    if (qobject_cast<QLineEdit *>(control))
        return CaptionRoom{insideFrame, false};
    return std::nullopt;
}

QString captionOf(QWidget *control)
{
    if (auto *button = qobject_cast<QPushButton *>(control))
        return button->text();
    if (auto *label = qobject_cast<QLabel *>(control))
        return label->text();
    return qobject_cast<QLineEdit *>(control)->text();
}

// What the window's captions look like at the font and palette now set: one
// line per control, its name and place, then "fits" or what is cut off or
// unreadable, and for a button or a label the lowest contrast of its caption
// against its background. Empty lines of a text box, which draw nothing, count
// as fitting.
QStringList captionsAsDrawn(const QWidget *window)
{
    QStringList report;
    for (QWidget *control : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        const std::optional<CaptionRoom> room = captionRoom(control);
        if (!room)
            continue;
        QString drawnText;
        QStringList cut;
        const DrawnText drawn(control);
        for (const DrawnText::Line &line : drawn.lines()) {
            drawnText += line.text;
            const QRectF box = line.box;
            const QRectF inside(room->room);
            if (box.top() < inside.top() || box.bottom() > inside.bottom())
                cut << QStringLiteral("%1 to %2 high in %3 to %4")
                           .arg(box.top()).arg(box.bottom()).arg(inside.top()).arg(inside.bottom());
            if (room->whole && (box.left() < inside.left() || box.right() > inside.right()))
                cut << QStringLiteral("%1 to %2 wide in %3 to %4")
                           .arg(box.left()).arg(box.right()).arg(inside.left()).arg(inside.right());
        }
        const QString caption = captionOf(control);
        if (room->whole ? drawnText != caption : !caption.startsWith(drawnText))
            cut << QStringLiteral("drew \"%1\"").arg(drawnText);
        QString contrast;
        const bool button = qobject_cast<QPushButton *>(control);
        if (button || qobject_cast<QLabel *>(control)) {
            // What is behind the caption, away from it (the face or the red),
            // and the colour due there: the palette's own where it is readable.
            const QColor behind = control->grab().toImage().pixelColor(
                button ? QPoint(5, 5) : QPoint(control->width() - 2, control->height() / 2));
            QColor due = QApplication::palette().color(button ? QPalette::ButtonText
                                                              : QPalette::WindowText);
            if (contrastRatio(due, behind) < kReadableContrast)
                due = Qt::black;
            double lowest = 21;
            for (const DrawnText::Line &line : drawn.lines()) {
                lowest = std::min(lowest, contrastRatio(line.colour, behind));
                if (line.colour != due || lowest < kReadableContrast)
                    cut << QStringLiteral("%1 on %2 where %3 was due")
                               .arg(line.colour.name(), behind.name(), due.name());
            }
            contrast = QStringLiteral(", %1:1").arg(lowest, 0, 'f', 2);
        }
        const QRect place = control->geometry();
        report << QStringLiteral("%1 at %2,%3 %4x%5: %6%7")
                      .arg(control->objectName())
                      .arg(place.x()).arg(place.y()).arg(place.width()).arg(place.height())
                      .arg(cut.isEmpty() ? QStringLiteral("fits") : cut.join(QLatin1String(", ")),
                           contrast);
    }
    report.sort();
    return report;
}

// The places alone, without what was drawn there.
QStringList placesOf(QStringList drawn)
{
    return drawn.replaceInStrings(QRegularExpression(QStringLiteral(":.*")), QString());
}

// The names of a window's controls that set a font of their own.
QStringList controlsWithAFont(const QWidget *window)
{
    QStringList named;
    for (const QWidget *control : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (control->testAttribute(Qt::WA_SetFont))
            named << control->objectName();
    return named;
}

// The application font and palette for a while, taken up by the windows
// already open too.
class ApplicationLook
{
public:
    ApplicationLook(const QFont &font, const QPalette &palette)
        : m_font(QApplication::font()), m_palette(QApplication::palette())
    {
        QApplication::setFont(font);
        QApplication::setPalette(palette);
        QCoreApplication::sendPostedEvents();
    }
    ~ApplicationLook()
    {
        QApplication::setFont(m_font);
        QApplication::setPalette(m_palette);
    }
    ApplicationLook(const ApplicationLook &) = delete;
    ApplicationLook &operator=(const ApplicationLook &) = delete;

private:
    QFont m_font;
    QPalette m_palette;
};

// Light and dark desktops, high contrast, and a grey text that is readable
// on some faces only: window, window text, button, button text, highlight.
QList<std::pair<const char *, QPalette>> desktopPalettes()
{
    const auto palette = [](QStringList colours) {
        QPalette made{QColor::fromString(colours[2]), QColor::fromString(colours[0])};
        made.setColor(QPalette::WindowText, QColor::fromString(colours[1]));
        made.setColor(QPalette::ButtonText, QColor::fromString(colours[3]));
        made.setColor(QPalette::Highlight, QColor::fromString(colours[4]));
        return made;
    };
    return {{"light", QApplication::style()->standardPalette()},
            {"Adwaita dark", palette({"#353535", "#eeeeec", "#373737", "#eeeeec", "#15539e"})},
            {"high contrast", palette({"#000000", "#ffffff", "#000000", "#ffffff", "#1aebff"})},
            {"Solarized light", palette({"#eee8d5", "#586e75", "#eee8d5", "#586e75", "#268bd2"})}};
}

// Whether the control drew a solid focus frame between before and after: in
// each half of it, a row (column) has at least half its pixels changed to a
// colour that stands out from what was there.
bool markedAsFocused(const QImage &before, const QImage &after)
{
    const int width = before.width(), height = before.height();
    QList<int> rows(height), columns(width);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (contrastRatio(before.pixelColor(x, y), after.pixelColor(x, y)) >= kFocusMarkContrast)
                ++rows[y], ++columns[x];
    const auto most = [](const QList<int> &counts, qsizetype from, qsizetype to) {
        return *std::max_element(counts.begin() + from, counts.begin() + to);
    };
    return std::min(most(rows, 0, height / 2), most(rows, height / 2, height)) >= width / 2
           && std::min(most(columns, 0, width / 2), most(columns, width / 2, width)) >= height / 2;
}

const QByteArray kFile = kAlba + sparkit("No picture");

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void startUpStateAndTexts();
    void startUpPictureDrawnUnscaledOnWhite();
    void startUpOpensNoFileAndLeavesEditorUnloaded();
    void startUpFocusIsOnOutput();
    void controlsHaveTheirPlaceCaptionAndFace_data();
    void controlsHaveTheirPlaceCaptionAndFace();
    void captionsFitAndStandOutAtEveryFontAndPalette_data();
    void captionsFitAndStandOutAtEveryFontAndPalette();
    void outputIsReadOnlyWhiteOnBlackWithScrollBar();
    void tabVisitsAllControlsInOrderAndMarksThem_data();
    void tabVisitsAllControlsInOrderAndMarksThem();
    void enterSearchesAndStillReachesTheControl_data();
    void enterSearchesAndStillReachesTheControl();
    void enterAtStartUpSearchesThePresetText();
    void enterRepeatedSearchesEachTime();
    void otherKeysDoNotSearch_data();
    void otherKeysDoNotSearch();
    void enterInTheOpenEditorDoesNotSearch();
    void dataDirectoryStaysWhereItWasAtStartUp();
    void exitClosesEverythingWithoutTouchingFiles();
};

void MainWindowTest::startUpStateAndTexts()
{
    Fixture f;
    QCOMPARE(f.window->windowTitle(), QStringLiteral("ZumiVok \u00DF-2"));
    QCOMPARE(f.window->windowTitle().at(8).unicode(), char16_t(0x00DF));
    QVERIFY(f.showActive());
    QCOMPARE(f.window->size(), QSize(463, 368));

    QCOMPARE(f.output()->text(), kWelcome);
    QCOMPARE(f.output()->document()->blockCount(), 5); // four lines and an empty fifth
    QCOMPARE(f.input()->text(), kPreset);

    QCOMPARE(f.window->dataPath(), f.directory);
    QCOMPARE(f.window->currentEntry(), QString());
    QCOMPARE(f.window->entryNumber(), qint64(0));
    QCOMPARE(f.window->picturePath(), QString());

    // The background is red wherever no control stands: the lower left quarter.
    const QImage shot = f.window->grab().toImage();
    QCOMPARE(shot.pixelColor(60, 300), QColor(255, 0, 0));
    QCOMPARE(shot.pixelColor(200, 20), QColor(255, 0, 0));
}

void MainWindowTest::startUpPictureDrawnUnscaledOnWhite()
{
    Fixture f;
    QVERIFY(f.showActive());
    auto *box = f.control<PictureBox>("picOutput");
    QVERIFY(box);
    const QImage picture = box->picture();
    QCOMPARE(picture.size(), QSize(164, 159));

    // Inside a one-pixel border the picture stands unscaled at the top left;
    // the rest of the 177 x 169 box is white.
    const QImage shot = box->grab().toImage();
    QCOMPARE(shot.size(), QSize(177, 169));
    for (const QPoint at : {QPoint(0, 0), QPoint(80, 40), QPoint(163, 158), QPoint(10, 150),
                            QPoint(150, 10)})
        QCOMPARE(shot.pixelColor(at + QPoint(1, 1)), picture.pixelColor(at));
    QCOMPARE(shot.pixelColor(170, 20), QColor(Qt::white));
    QCOMPARE(shot.pixelColor(20, 164), QColor(Qt::white));
    QCOMPARE(shot.pixelColor(174, 166), QColor(Qt::white));
    QVERIFY(shot.pixelColor(0, 80) != QColor(Qt::white));
    QVERIFY(shot.pixelColor(176, 80) != QColor(Qt::white));
}

void MainWindowTest::startUpOpensNoFileAndLeavesEditorUnloaded()
{
    // No data file at all: start-up must not notice, let alone create one.
    Fixture f(std::nullopt);
    QVERIFY(f.showActive());
    QCOMPARE(f.files.log(), QStringList());
    QVERIFY(!f.catalogue.exists());
    QCOMPARE(f.catalogue.entries(), QStringList());

    QVERIFY(!f.window->editor().isLoaded());
    QCOMPARE(f.window->editor().dataPath(), f.window->dataPath());
    QCOMPARE(f.dialogs.boxes().size(), 0);
}

void MainWindowTest::startUpFocusIsOnOutput()
{
    Fixture f;
    QVERIFY(f.showActive());
    QCOMPARE(QApplication::focusWidget(), f.output());
}

void MainWindowTest::controlsHaveTheirPlaceCaptionAndFace_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("place");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QColor>("face"); // invalid for the boxes

    const QColor cyan(0, 255, 255), yellow(255, 255, 0), white(255, 255, 255);
    const auto row = [](const char *name, QRect place, const char *caption, QColor face) {
        QTest::newRow(name) << QString::fromLatin1(name) << place << QString::fromLatin1(caption)
                            << face;
    };
    row("txtOutput", {240, 56, 217, 121}, "", QColor());
    row("txtInput", {240, 304, 217, 19}, "", QColor());
    row("cmdNext", {240, 216, 73, 33}, "Next", cyan);
    row("cmdPrev", {240, 184, 73, 33}, "Previous", cyan);
    row("cmdTopic", {312, 184, 73, 33}, "Topic", cyan);
    row("cmdBat", {312, 216, 73, 33}, "Chart", cyan);
    row("cmdEdit", {384, 184, 73, 33}, "Edit Entry", cyan);
    row("cmdNew", {384, 216, 73, 33}, "New Entry", cyan);
    row("cmdSearch", {400, 328, 57, 33}, "Search", yellow);
    row("cmdHelp", {240, 264, 49, 33}, "Help", white);
    row("cmdVersion", {288, 264, 57, 33}, "Version", white);
    row("cmdExit", {8, 8, 73, 33}, "Exit", cyan);
    row("picOutput", {8, 56, 177, 169}, "", QColor());
    row("cmdAlpha", {344, 264, 57, 33}, "Alpha Sort", white);
    row("cmdNumSort", {400, 264, 57, 33}, "Num Sort", white);
}

void MainWindowTest::controlsHaveTheirPlaceCaptionAndFace()
{
    QFETCH(QString, name);
    QFETCH(QRect, place);
    QFETCH(QString, caption);
    QFETCH(QColor, face);

    Fixture f;
    QVERIFY(f.showActive());
    QWidget *control = f.control(name.toLatin1().constData());
    QVERIFY(control);
    QCOMPARE(control->geometry(), place);
    QVERIFY(control->isVisible());
    if (!face.isValid())
        return;

    auto *button = qobject_cast<SolidButton *>(control);
    QVERIFY(button);
    QCOMPARE(button->text(), caption);
    QCOMPARE(button->face(), face);
    QVERIFY(!button->isDefault());
    QVERIFY(!button->autoDefault());
    // What the user sees: the face is filled with the colour, away from the caption.
    const QImage shot = f.window->grab().toImage();
    QCOMPARE(shot.pixelColor(place.topLeft() + QPoint(5, 5)), face);
    QCOMPARE(shot.pixelColor(place.bottomRight() - QPoint(5, 5)), face);
}

void MainWindowTest::captionsFitAndStandOutAtEveryFontAndPalette_data()
{
    QTest::addColumn<QString>("family"); // empty for the platform's default
    QTest::addColumn<qreal>("points");   // 0 when the size is in pixels
    QTest::addColumn<int>("pixels");
    QTest::addColumn<bool>("design"); // the design's font: no control sets one
    QTest::addColumn<QPalette>("palette");

    // A font DPI of 120 or 144 makes a 9 point font 15 or 18 pixels high,
    // while the layout keeps its pixels: every caption grows against its room.
    const QPalette light = QApplication::style()->standardPalette();
    QTest::newRow("platform default") << QString() << 0.0 << 0 << false << light;
    QTest::newRow("platform default at 120 dpi") << QString() << 0.0 << 15 << false << light;
    QTest::newRow("platform default at 144 dpi") << QString() << 0.0 << 18 << false << light;
    QTest::newRow("Debian's default, DejaVu Sans 9 pt") << "DejaVu Sans" << 9.0 << 0 << true << light;
    QTest::newRow("DejaVu Sans at 120 dpi") << "DejaVu Sans" << 0.0 << 15 << false << light;
    QTest::newRow("DejaVu Sans at 144 dpi") << "DejaVu Sans" << 0.0 << 18 << false << light;
    QTest::newRow("GNOME, Cantarell 11 pt") << "Cantarell" << 11.0 << 0 << false << light;
    QTest::newRow("KDE, Noto Sans 10 pt") << "Noto Sans" << 10.0 << 0 << false << light;
    // Fixed faces in a desktop's palette: each caption must stand out from its face.
    for (const auto &[name, palette] : desktopPalettes())
        QTest::addRow("palette: %s", name) << QString() << 0.0 << 0 << false << palette;
}

void MainWindowTest::captionsFitAndStandOutAtEveryFontAndPalette()
{
    QFETCH(QString, family);
    QFETCH(qreal, points);
    QFETCH(int, pixels);
    QFETCH(bool, design);
    QFETCH(QPalette, palette);
    if (!family.isEmpty() && !QFontDatabase::hasFamily(family))
        QSKIP("the font is not installed");

    QFont font = QApplication::font();
    if (!family.isEmpty())
        font.setFamilies({family});
    if (points > 0)
        font.setPointSizeF(points);
    if (pixels > 0)
        font.setPixelSize(pixels);
    // The places as the platform's default font has them, to hold on to.
    const Fixture atDefault;
    const QStringList mainPlaces = placesOf(captionsAsDrawn(atDefault.window.get()));
    QStringList editorPlaces, editorCaptions, editorFonts;
    QVERIFY(atDefault.open("cmdNew", [&](EditorControls &editor) {
        editorPlaces = placesOf(captionsAsDrawn(editor.window));
        click(editor.cancel);
    }));

    const ApplicationLook applied(font, palette);
    if (!family.isEmpty())
        QCOMPARE(QFontInfo(QApplication::font()).family(), family);
    // Started at this font and palette, and the window already open when they came.
    const Fixture started;
    for (const Fixture *program : {&started, &atDefault}) {
        const QStringList drawn = captionsAsDrawn(program->window.get());
        QCOMPARE(drawn.size(), 13); // twelve buttons and the search box
        QVERIFY2(drawn.filter(QStringLiteral(": fits")) == drawn, qPrintable(drawn.join(u'\n')));
        QCOMPARE(placesOf(drawn), mainPlaces);
        QCOMPARE(program->window->size(), QSize(463, 368));
        if (design)
            QCOMPARE(controlsWithAFont(program->window.get()), QStringList());
    }
    QVERIFY(started.open("cmdNew", [&](EditorControls &editor) {
        editorCaptions = captionsAsDrawn(editor.window);
        editorFonts = controlsWithAFont(editor.window);
        QCOMPARE(editor.window->size(), QSize(348, 327));
        click(editor.cancel);
    }));
    QCOMPARE(editorCaptions.size(), 9); // five buttons, three labels and the name box
    QVERIFY2(editorCaptions.filter(QStringLiteral(": fits")) == editorCaptions,
             qPrintable(editorCaptions.join(u'\n')));
    QCOMPARE(placesOf(editorCaptions), editorPlaces);
    if (design)
        QCOMPARE(editorFonts, QStringList());
}

void MainWindowTest::outputIsReadOnlyWhiteOnBlackWithScrollBar()
{
    Fixture f;
    QVERIFY(f.showActive());
    TextBox *output = f.output();
    QCOMPARE(output->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QVERIFY(output->verticalScrollBar()->isVisible());
    QCOMPARE(output->palette().color(QPalette::Base), QColor(Qt::black));
    QCOMPARE(output->palette().color(QPalette::Text), QColor(Qt::white));
    const QImage shot = output->viewport()->grab().toImage();
    QCOMPARE(shot.pixelColor(shot.width() - 4, shot.height() - 4), QColor(Qt::black));

    // The user can place the caret and select, but typing, deleting and
    // pasting over the text change nothing.
    QTest::mouseClick(output->viewport(), Qt::LeftButton, {}, QPoint(20, 8));
    QCOMPARE(QApplication::focusWidget(), output);
    QTest::keyClick(output, Qt::Key_A, Qt::ControlModifier);
    QVERIFY(output->textCursor().hasSelection());
    QTest::keyClicks(output, "xyz");
    QTest::keyClick(output, Qt::Key_Delete);
    QTest::keyClick(output, Qt::Key_Backspace);
    QTest::keyClick(output, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(output->text(), kWelcome);
    QVERIFY(!output->editedByUser());

    // A long line wraps instead of scrolling sideways.
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QTest::mouseClick(f.control("cmdNumSort"), Qt::LeftButton);
    QVERIFY(output->document()->firstBlock().layout()->lineCount() > 1);
}

void MainWindowTest::tabVisitsAllControlsInOrderAndMarksThem_data()
{
    QTest::addColumn<QPalette>("palette");
    for (const auto &[name, palette] : desktopPalettes())
        QTest::newRow(name) << palette;
}

void MainWindowTest::tabVisitsAllControlsInOrderAndMarksThem()
{
    QFETCH(QPalette, palette);
    const ApplicationLook coloured(QApplication::font(), palette);
    Fixture f;
    QVERIFY(f.showActive());
    const QStringList order{"txtInput", "cmdNext", "cmdPrev", "cmdTopic", "cmdBat",
                            "cmdEdit", "cmdNew", "cmdSearch", "cmdHelp", "cmdVersion",
                            "cmdExit", "picOutput", "cmdAlpha", "cmdNumSort", "txtOutput"};
    QCOMPARE(QApplication::focusWidget(), f.output());
    // The buttons and the picture box as they look without the focus.
    QHash<QWidget *, QImage> unfocused;
    for (QWidget *control : f.window->findChildren<QWidget *>())
        if (qobject_cast<SolidButton *>(control) || qobject_cast<PictureBox *>(control))
            unfocused.insert(control, control->grab().toImage());
    QCOMPARE(unfocused.size(), 13);
    QStringList visited, unmarked;
    for (qsizetype i = 0; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *focused = QApplication::focusWidget();
        visited.append(focused->objectName());
        if (unfocused.contains(focused)
            && !markedAsFocused(unfocused.value(focused), focused->grab().toImage()))
            unmarked.append(focused->objectName());
    }
    QCOMPARE(visited, order);
    QCOMPARE(unmarked, QStringList());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cmdNumSort"));
    // Going round the window ran no command.
    QCOMPARE(f.files.log(), QStringList());
    QCOMPARE(f.output()->text(), kWelcome);

    // Space presses the button that has the focus.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(f.output()->text().startsWith(QStringLiteral("In the interest of getting")));
}

void MainWindowTest::enterSearchesAndStillReachesTheControl_data()
{
    QTest::addColumn<int>("tabs"); // Tab presses from txtOutput to the control
    QTest::addColumn<QString>("focused");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");

    const auto row = [](const char *title, int tabs, const char *focused, Qt::Key key,
                        Qt::KeyboardModifiers modifiers) {
        QTest::newRow(title) << tabs << QString::fromLatin1(focused) << int(key)
                             << int(modifiers);
    };
    row("txtInput, Enter", 1, "txtInput", Qt::Key_Return, Qt::NoModifier);
    row("txtInput, keypad Enter", 1, "txtInput", Qt::Key_Enter, Qt::KeypadModifier);
    row("txtInput, Shift+Enter", 1, "txtInput", Qt::Key_Return, Qt::ShiftModifier);
    row("txtInput, Ctrl+Enter", 1, "txtInput", Qt::Key_Return, Qt::ControlModifier);
    row("txtInput, Alt+Enter", 1, "txtInput", Qt::Key_Return, Qt::AltModifier);
    row("txtOutput, Enter", 0, "txtOutput", Qt::Key_Return, Qt::NoModifier);
    row("txtOutput, Ctrl+Shift+Enter", 0, "txtOutput", Qt::Key_Return,
        Qt::ControlModifier | Qt::ShiftModifier);
    row("cmdNext, Enter", 2, "cmdNext", Qt::Key_Return, Qt::NoModifier);
    row("cmdNext, Shift+Enter", 2, "cmdNext", Qt::Key_Return, Qt::ShiftModifier);
    row("cmdSearch, keypad Enter", 8, "cmdSearch", Qt::Key_Enter, Qt::KeypadModifier);
    row("cmdExit, Enter", 11, "cmdExit", Qt::Key_Return, Qt::NoModifier);
    row("picOutput, Enter", 12, "picOutput", Qt::Key_Return, Qt::NoModifier);
}

void MainWindowTest::enterSearchesAndStillReachesTheControl()
{
    QFETCH(int, tabs);
    QFETCH(QString, focused);
    QFETCH(int, key);
    QFETCH(int, modifiers);

    Fixture f(kFile);
    QVERIFY(f.showActive());
    f.typeSearch(QStringLiteral("sparkit"));
    QTest::mouseClick(f.output()->viewport(), Qt::LeftButton);
    for (int i = 0; i < tabs; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget *target = QApplication::focusWidget();
    QVERIFY(target);
    QCOMPARE(target->objectName(), focused);

    QSignalSpy returnPressed(f.input(), &QLineEdit::returnPressed);
    KeysAtWindow atWindow(f.window.get());
    f.files.reset();
    QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

    // Search ran, once, with what the search box holds.
    QCOMPARE(f.dataFileOpens(), 1);
    QCOMPARE(f.window->currentEntry(), QStringLiteral("SPARKIT"));
    QCOMPARE(f.window->entryNumber(), qint64(2));
    QCOMPARE(f.output()->text(), QStringLiteral("25\r\nAn electric mouse.\r\n"));
    QCOMPARE(f.input()->text(), QStringLiteral("sparkit"));

    // The key went on to the control, which passed it up to the window as
    // these controls do with Enter, and nothing else was pressed by it.
    QCOMPARE(atWindow.keys.count(key), 1);
    if (focused == QLatin1String("txtInput") && modifiers == Qt::NoModifier)
        QCOMPARE(returnPressed.size(), 1);
    QCOMPARE(QApplication::focusWidget(), target);
    QVERIFY(f.window->isVisible()); // Enter on Exit did not press it
}

void MainWindowTest::enterAtStartUpSearchesThePresetText()
{
    Fixture f(kFile + record("TYPE ENTRY TO SEARCH FOR HERE", "No picture", {"found"}));
    QVERIFY(f.showActive());
    QCOMPARE(QApplication::focusWidget(), f.output());
    QTest::keyClick(f.output(), Qt::Key_Return);
    QCOMPARE(f.window->currentEntry(), QStringLiteral("TYPE ENTRY TO SEARCH FOR HERE"));
    QCOMPARE(f.window->entryNumber(), qint64(3));
    QCOMPARE(f.output()->text(), QStringLiteral("found\r\n"));
    QCOMPARE(f.input()->text(), kPreset);
}

void MainWindowTest::enterRepeatedSearchesEachTime()
{
    Fixture f(kFile);
    QVERIFY(f.showActive());
    f.typeSearch(QStringLiteral("alba"));
    f.files.reset();
    // A key held down: the first key-down and the platform's repeats.
    for (const bool repeat : {false, true, true}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"),
                        repeat);
        QApplication::sendEvent(f.input(), &press);
    }
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(f.input(), &release);
    QCOMPARE(f.dataFileOpens(), 3);
    QCOMPARE(f.window->currentEntry(), QStringLiteral("ALBA"));
}

void MainWindowTest::otherKeysDoNotSearch_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("letter") << int(Qt::Key_S) << int(Qt::NoModifier);
    QTest::newRow("space") << int(Qt::Key_Space) << int(Qt::NoModifier);
    QTest::newRow("Ctrl+M, the control code of CR") << int(Qt::Key_M) << int(Qt::ControlModifier);
    QTest::newRow("Escape") << int(Qt::Key_Escape) << int(Qt::NoModifier);
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << int(Qt::NoModifier);
    QTest::newRow("F1") << int(Qt::Key_F1) << int(Qt::NoModifier);
    QTest::newRow("Down") << int(Qt::Key_Down) << int(Qt::NoModifier);
}

void MainWindowTest::otherKeysDoNotSearch()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    Fixture f(kFile);
    QVERIFY(f.showActive());
    // Not a button: Space presses a button, and that would be a click, not a key.
    for (QWidget *target : {static_cast<QWidget *>(f.output()), static_cast<QWidget *>(f.input()),
                            f.control("picOutput")}) {
        target->setFocus(Qt::TabFocusReason);
        QCOMPARE(QApplication::focusWidget(), target);
        QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    }
    QCOMPARE(f.files.log(), QStringList());
    QCOMPARE(f.output()->text(), kWelcome);
    QCOMPARE(f.window->entryNumber(), qint64(0));
    QVERIFY(f.window->isVisible());
}

void MainWindowTest::enterInTheOpenEditorDoesNotSearch()
{
    Fixture f(kFile);
    QVERIFY(f.showActive());
    f.files.reset();
    QVERIFY(f.open("cmdNew", [&](EditorControls &editor) {
        QCOMPARE(editor.window->windowTitle(), QStringLiteral("ZumiVok Data Entry - New"));
        QApplication::setActiveWindow(editor.window);
        QTRY_COMPARE(QApplication::activeWindow(), editor.window);
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus && focus->window() == editor.window);
        QTest::keyClick(focus, Qt::Key_Return);
        QTest::keyClick(editor.name, Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(editor.window->isVisible()); // Enter presses no button in the editor either
        click(editor.cancel);
    }));
    QCOMPARE(f.dataFileOpens(), 0);
    QCOMPARE(f.output()->text(), kWelcome);
    QCOMPARE(f.window->currentEntry(), QString());
}

void MainWindowTest::dataDirectoryStaysWhereItWasAtStartUp()
{
    Fixture f(kFile);
    QVERIFY(f.showActive());
    // The fixture has moved the process elsewhere since start-up; the window
    // still reads its own data file.
    QVERIFY(QDir::currentPath() != f.directory);
    f.typeSearch(QStringLiteral("alba"));
    QTest::mouseClick(f.control("cmdSearch"), Qt::LeftButton);
    QCOMPARE(f.window->currentEntry(), QStringLiteral("ALBA"));
    QVERIFY(f.files.log().contains(QStringLiteral("open ") + f.directory
                                   + QStringLiteral("/zumivok.dat")));
    QCOMPARE(f.window->dataPath(), f.directory);
    QCOMPARE(f.window->editor().dataPath(), f.directory);
}

void MainWindowTest::exitClosesEverythingWithoutTouchingFiles()
{
    Fixture f(kFile);
    QVERIFY(f.showActive());
    // Load the editor first (New Entry, Cancel), so that Exit has a hidden window to close.
    QVERIFY(f.open("cmdNew", [](EditorControls &editor) { click(editor.cancel); }));
    QVERIFY(f.window->editor().isLoaded());

    QTest::mouseClick(f.control("cmdExit"), Qt::LeftButton);
    QTRY_VERIFY(!f.window->isVisible());
    QVERIFY(!f.window->editor().isLoaded());
    QCOMPARE(f.files.log(), QStringList());
    QCOMPARE(f.dialogs.boxes().size(), 0);
    QCOMPARE(f.catalogue.read(), kFile);
    QCOMPARE(f.catalogue.entries(), QStringList{"zumivok.dat"});
}

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
