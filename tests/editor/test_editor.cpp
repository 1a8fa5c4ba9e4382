// The entry editor as the user meets it: how New Entry and Edit Entry open
// it, what it shows, how it is left, its layout, its Help and Add Picture.
// Everything is driven through the main window's buttons and the editor's
// own controls.

#include "support/program.h"

#include <QApplication>

using namespace zumivok;
using namespace zumivok::test;

namespace {

const QString kEditCaption = QStringLiteral("ZumiVok Data Entry - Edit");
const QString kNamePreset = QStringLiteral("Type entry here");
const QString kDataPreset = QStringLiteral("Type data for the entry here");
const QString kNoPictureLine = QStringLiteral("No picture");

const QColor kRedColour(255, 0, 0);
const QColor kCyanColour(0, 255, 255);
const QColor kYellowColour(255, 255, 0);

} // namespace

class TestEditor : public QObject
{
    Q_OBJECT

private slots:
    void newEntryRightAfterStartUpShowsThePresets();
    void editEntryShowsTheEntryOnDisplayLocked();
    void editEntryRefusedWhileNoEntryIsShown();
    void mainWindowTakesNoInputWhileTheEditorIsOpen();
    void cancelHidesAndKeepsContentsButTheNextOpeningPresetsAnew();
    void titleBarCloseUnloadsTheWindowButKeepsTheDataDirectory();
    void escapeAndEnterPressNoButton();
    void windowHasItsDesignLayout();
    void tabOrderRunsThroughTheControlsInDesignOrder();
    void helpShowsTheSampleEntry();
    void addPictureSetsTheChosenPathAndCancelKeepsIt();
};

void TestEditor::newEntryRightAfterStartUpShowsThePresets()
{
    Program program(kSparkit);
    QVERIFY(!program.editor().isLoaded()); // start-up only hands over the directory
    QCOMPARE(program.editor().dataPath(), program.directory);

    QVERIFY(program.open("cmdNew", [&](EditorControls &editor) {
        editor.verifyShows(EditorMode::New, kNamePreset, kDataPreset, kNoPictureLine);
        QCOMPARE(editor.window->focusWidget(), editor.picEdit);
        // The presets are plain text, not selected: typing adds to them.
        QTest::keyClick(editor.name, Qt::Key_End);
        QTest::keyClicks(editor.name, "!");
        QCOMPARE(editor.name->text(), kNamePreset + QLatin1Char('!'));
        click(editor.cancel);
    }));
    QCOMPARE(program.catalogue.read(), kSparkit);
    QVERIFY(program.dialogs.boxes().isEmpty());
}

void TestEditor::editEntryShowsTheEntryOnDisplayLocked()
{
    Program program(kAlba + kSparkit);
    program.search(QStringLiteral("sparkit"));
    QCOMPARE(program.shown(), kSparkitText);

    QVERIFY(program.open("cmdEdit", [&](EditorControls &editor) {
        // The name as stored, not as typed; the text ends with a line break.
        editor.verifyShows(EditorMode::Edit, "SPARKIT", kSparkitText, "/pics/sparkit.png");
        QTest::keyClick(editor.name, Qt::Key_End);
        QTest::keyClicks(editor.name, "xyz");
        QTest::keyClick(editor.name, Qt::Key_Backspace);
        QCOMPARE(editor.name->text(), QStringLiteral("SPARKIT"));
        click(editor.cancel);
    }));

    // An entry without a picture shows its "No picture" line.
    program.search(QStringLiteral("Alba"));
    QVERIFY(program.open("cmdEdit", [&](EditorControls &editor) {
        editor.verifyShows(EditorMode::Edit, "ALBA", "12\r\nA white one.\r\n", kNoPictureLine);
        click(editor.cancel);
    }));
    QCOMPARE(program.catalogue.read(), kAlba + kSparkit);
}

void TestEditor::editEntryRefusedWhileNoEntryIsShown()
{
    const QString refusal = kNoEntryToEdit;
    Program program(kSparkit);
    // True when the click opened the editor (which is then hidden again).
    const auto editOpens = [&] {
        ModalDriver driver([](QWidget *modal) { modal->hide(); });
        click(program.button("cmdEdit"));
        return driver.ran();
    };

    QVERIFY(!editOpens()); // right after start-up
    QCOMPARE(program.shown(), refusal);
    QVERIFY(!editOpens());
    QCOMPARE(program.shown(), refusal);

    program.search(QStringLiteral("sparkit"));
    program.search(QStringLiteral("nobody"));
    QCOMPARE(program.shown(), kNotFound);
    QVERIFY(!editOpens());
    QCOMPARE(program.shown(), refusal);
    QVERIFY(!program.editor().isLoaded());
    QVERIFY(program.dialogs.boxes().isEmpty());
}

void TestEditor::mainWindowTakesNoInputWhileTheEditorIsOpen()
{
    Program program(kSparkit + kAlba);
    program.search(QStringLiteral("sparkit"));
    // The search box now names another entry: a search that got through
    // would show it.
    typeInto(program.input(), QStringLiteral("alba"));
    QWindow *mainWindow = program.window->windowHandle();
    QPushButton *search = program.button("cmdSearch");
    const QPoint onSearch = search->mapTo(program.window.get(), search->rect().center());

    for (const char *opener : {"cmdNew", "cmdEdit"}) {
        QVERIFY(program.open(opener, [&](EditorControls &editor) {
            // Through the window system, as a user's click and key would come.
            QTest::mouseClick(mainWindow, Qt::LeftButton, Qt::NoModifier, onSearch);
            QTest::keyClick(mainWindow, Qt::Key_Return);
            QCOMPARE(program.shown(), kSparkitText);
            QCOMPARE(program.window->currentEntry(), QStringLiteral("SPARKIT"));
            QVERIFY(editor.window->isVisible());
            click(editor.cancel);
        }));
    }

    // The same click and key reach Search once the editor is gone.
    QTest::mouseClick(mainWindow, Qt::LeftButton, Qt::NoModifier, onSearch);
    QCOMPARE(program.window->currentEntry(), QStringLiteral("ALBA"));
    typeInto(program.input(), QStringLiteral("sparkit"));
    program.window->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), program.window.get());
    QTest::keyClick(mainWindow, Qt::Key_Return);
    QCOMPARE(program.window->currentEntry(), QStringLiteral("SPARKIT"));
}

void TestEditor::cancelHidesAndKeepsContentsButTheNextOpeningPresetsAnew()
{
    Program program(kSparkit);
    program.search(QStringLiteral("SPARKIT"));

    QVERIFY(program.open("cmdEdit", [&](EditorControls &editor) {
        typeInto(editor.data, QStringLiteral("changed"));
        click(editor.cancel);
        QVERIFY(!editor.window->isVisible());
    }));
    // Hidden, not unloaded: the controls hold what they held.
    frmEntry &editor = program.editor();
    QVERIFY(editor.isLoaded());
    QCOMPARE(editor.caption(), kEditCaption);
    QCOMPARE(editor.txtData()->text(), QStringLiteral("changed"));
    QCOMPARE(program.catalogue.read(), kSparkit);
    QCOMPARE(program.shown(), kSparkitText);

    // New mode presets name, data, lock and caption, and keeps the picture label.
    QVERIFY(program.open("cmdNew", [&](EditorControls &shown) {
        shown.verifyShows(EditorMode::New, kNamePreset, kDataPreset, "/pics/sparkit.png");
        typeInto(shown.name, QStringLiteral("ALBA"));
        click(shown.cancel);
    }));

    // Edit mode presets anew too, the lock included.
    QVERIFY(program.open("cmdEdit", [&](EditorControls &shown) {
        shown.verifyShows(EditorMode::Edit, "SPARKIT", kSparkitText, "/pics/sparkit.png");
        click(shown.cancel);
    }));
    QCOMPARE(program.catalogue.read(), kSparkit);
    QVERIFY(program.dialogs.boxes().isEmpty());
}

void TestEditor::titleBarCloseUnloadsTheWindowButKeepsTheDataDirectory()
{
    Program program(kSparkit);
    program.search(QStringLiteral("sparkit"));
    QVERIFY(program.open("cmdEdit", [&](EditorControls &editor) {
        QCOMPARE(editor.picName->text(), QStringLiteral("/pics/sparkit.png"));
        editor.window->close();
    }));
    QVERIFY(!program.editor().isLoaded());
    QCOMPARE(program.editor().dataPath(), program.directory);
    QCOMPARE(program.catalogue.read(), kSparkit);

    // Loaded again with the design values; a save still finds the data file.
    QVERIFY(program.open("cmdNew", [&](EditorControls &editor) {
        editor.verifyShows(EditorMode::New, kNamePreset, kDataPreset, kNoPictureLine);
        typeInto(editor.name, QStringLiteral("alba"));
        typeInto(editor.data, QStringLiteral("12"));
        click(editor.done);
        QVERIFY(!editor.window->isVisible());
    }));
    QVERIFY(program.dialogs.boxes().isEmpty());
    QCOMPARE(program.catalogue.read(), kSparkit + record("ALBA", "No picture", {"12"}));
}

void TestEditor::escapeAndEnterPressNoButton()
{
    Program program(kSparkit);
    QVERIFY(program.open("cmdNew", [&](EditorControls &editor) {
        typeInto(editor.name, QStringLiteral("ALBA"));
        QTest::keyClick(editor.name, Qt::Key_Return);
        QTest::keyClick(editor.name, Qt::Key_Enter);
        QTest::keyClick(editor.name, Qt::Key_Escape);
        QTest::keyClick(editor.window, Qt::Key_Escape);
        QVERIFY(editor.window->isVisible());
        QCOMPARE(editor.name->text(), QStringLiteral("ALBA"));

        // In the data box Enter starts a new line and Escape does nothing.
        typeInto(editor.data, QStringLiteral("one"));
        QTest::keyClick(editor.data, Qt::Key_Return);
        QTest::keyClicks(editor.data, "two");
        QTest::keyClick(editor.data, Qt::Key_Escape);
        QCOMPARE(editor.data->text(), QStringLiteral("one\r\ntwo"));
        QVERIFY(editor.window->isVisible());
        click(editor.cancel);
    }));
    QVERIFY(program.dialogs.boxes().isEmpty());
    QCOMPARE(program.catalogue.read(), kSparkit);
}

void TestEditor::windowHasItsDesignLayout()
{
    Program program;
    // Loading the window, before any opening, gives the design values.
    frmEntry &loaded = program.editor();
    QCOMPARE(loaded.caption(), QStringLiteral("ZumiVok Data Entry"));
    QCOMPARE(loaded.txtEntry()->text(), QString());
    QCOMPARE(loaded.txtData()->text(), QStringLiteral("Enter the text data for the entry here"));
    QCOMPARE(loaded.lblPicName()->text(), kNoPictureLine);

    struct Expected
    {
        const char *name;
        QRect place;
        QString caption;
        std::optional<QColor> face; // buttons only
    };
    const QList<Expected> expected{
        {"cmdPicEdit", {144, 8, 81, 33}, QStringLiteral("Add Picture"), kCyanColour},
        {"txtEntry", {0, 24, 137, 19}, QString(), std::nullopt},
        {"lblEntry", {0, 8, 105, 17}, QStringLiteral("Entry Name:"), std::nullopt},
        {"txtData", {0, 72, 337, 177}, QString(), std::nullopt},
        {"lblData", {0, 56, 105, 17}, QStringLiteral("Entry Data:"), std::nullopt},
        {"cmdDone", {272, 288, 73, 33}, QStringLiteral("Done"), kCyanColour},
        {"cmdErase", {128, 288, 73, 33}, QStringLiteral("Delete Entry"), kYellowColour},
        {"lblPicName", {144, 48, 193, 17}, kNoPictureLine, std::nullopt},
        {"cmdHelp", {8, 288, 57, 33}, QStringLiteral("Help"), kCyanColour},
        {"cmdCancel", {208, 288, 57, 33}, QStringLiteral("Cancel"), kCyanColour},
    };

    QVERIFY(program.open("cmdNew", [&](EditorControls &editor) {
        QCOMPARE(editor.window->size(), QSize(348, 327));
        const QImage face = editor.window->grab().toImage();
        // Empty background right of Add Picture, and under the labels' captions.
        QCOMPARE(face.pixelColor(300, 20), kRedColour);
        QCOMPARE(face.pixelColor(100, 10), kRedColour);
        QCOMPARE(face.pixelColor(330, 60), kRedColour);

        for (const Expected &want : expected) {
            auto *widget = control<QWidget>(editor.window, want.name);
            QVERIFY2(widget->isVisible(), want.name);
            QCOMPARE(widget->geometry(), want.place);
            if (auto *button = qobject_cast<QPushButton *>(widget)) {
                QCOMPARE(button->text(), want.caption);
                QVERIFY2(!button->isDefault() && !button->autoDefault(), want.name);
                // Filled with its face colour, away from the caption and the bevel.
                const QImage drawn = button->grab().toImage();
                QCOMPARE(drawn.pixelColor(6, 6), *want.face);
                QCOMPARE(drawn.pixelColor(drawn.width() - 7, drawn.height() - 7), *want.face);
            } else if (auto *label = qobject_cast<QLabel *>(widget)) {
                QCOMPARE(label->text(), want.caption);
                QCOMPARE(label->focusPolicy(), Qt::NoFocus);
            }
        }
        // The data box wraps and scrolls; the name box is one line.
        QCOMPARE(editor.data->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        QCOMPARE(editor.data->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        click(editor.cancel);
    }));
}

void TestEditor::tabOrderRunsThroughTheControlsInDesignOrder()
{
    Program program;
    QVERIFY(program.open("cmdNew", [&](EditorControls &editor) {
        editor.window->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), editor.window);
        QCOMPARE(QApplication::focusWidget(), editor.picEdit);
        QStringList visited;
        for (int step = 0; step < 7; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, QStringList({"txtEntry", "txtData", "cmdDone", "cmdErase", "cmdHelp",
                                       "cmdCancel", "cmdPicEdit"}));
        // Shift+Tab walks back, and Space presses the button that has the focus.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), editor.cancel);
        QTest::keyClick(editor.cancel, Qt::Key_Space);
    }));
}

void TestEditor::helpShowsTheSampleEntry()
{
    const QString text = QStringLiteral(
        "If this is a Zumling, be sure to put it's number on the top line of the 'Entry Data' "
        "text box all by itself. Here is Sparkit as an example:\r\n\r\n25\r\n"
        "Our favorite Zumling.  An electric mouse.  Uses the familiar attack known as "
        "Voltlash.  Also uses speed to evade its enemies.\r\n\r\n"
        "This will allow the Numeric Sort to work.");
    Program program(kSparkit);
    QVERIFY(program.open("cmdNew", [&](EditorControls &editor) {
        click(editor.help);
        QCOMPARE(program.dialogs.boxes().size(), 1);
        const ScriptedDialogs::Box box = program.dialogs.boxes().constFirst();
        QCOMPARE(box.title, QStringLiteral("If it's a Zumling..."));
        QCOMPARE(box.style, 0);
        QCOMPARE(box.text, text);
        QCOMPARE(box.text.split(QStringLiteral("\r\n")).count(QString()), 2);
        // The editor stays open with its contents.
        QVERIFY(editor.window->isVisible());
        editor.verifyShows(EditorMode::New, kNamePreset, kDataPreset, kNoPictureLine);
        click(editor.cancel);
    }));
    QCOMPARE(program.catalogue.read(), kSparkit);
}

void TestEditor::addPictureSetsTheChosenPathAndCancelKeepsIt()
{
    Program program(kSparkit);
    QVERIFY(program.open("cmdNew", [&](EditorControls &editor) {
        program.dialogs.chooseNext(std::nullopt);
        click(editor.picEdit);
        QCOMPARE(editor.picName->text(), kNoPictureLine);

        const QString chosen = QStringLiteral("/home/ann/My Pictures/sparkit (2).png");
        program.dialogs.chooseNext(chosen);
        click(editor.picEdit);
        QCOMPARE(editor.picName->text(), chosen);

        program.dialogs.chooseNext(std::nullopt);
        click(editor.picEdit);
        QCOMPARE(editor.picName->text(), chosen);
        QCOMPARE(program.dialogs.fileDialogsShown(), 3);
        QVERIFY(program.dialogs.boxes().isEmpty());
        QVERIFY(editor.window->isVisible());
        click(editor.cancel);
    }));

    // The chosen path stays after Cancel and carries into the next New Entry.
    QVERIFY(program.open("cmdNew", [&](EditorControls &editor) {
        QCOMPARE(editor.picName->text(), QStringLiteral("/home/ann/My Pictures/sparkit (2).png"));
        click(editor.cancel);
    }));
    QCOMPARE(program.catalogue.read(), kSparkit);
}

QTEST_MAIN(TestEditor)
#include "test_editor.moc"
