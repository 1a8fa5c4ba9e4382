// Done and Delete Entry: which boxes they show, what they refuse, and the
// exact bytes they leave in zumivok.dat. Everything is driven through the
// main window's buttons and the editor's own controls.

#include "support/program.h"

#include <QFile>

using namespace zumivok;
using namespace zumivok::test;

namespace {

const QString kCantDoThat = QStringLiteral("Can't do that...");

// Save's boxes, by the letters they are known by: A to D.
const ScriptedDialogs::Box kSaveBoxes[] = {
    {QStringLiteral("You have to enter something for the 'Entry Data.'"), QString(), 0},
    {QStringLiteral("The Entry Name cannot start with a ~."), kCantDoThat, 64},
    {QStringLiteral("You must type in something for the Entry Name."), kCantDoThat, 64},
    {QStringLiteral("The Entry Name already exists.  Try editing that enty instead."), kCantDoThat,
     64}};

} // namespace

class TestEditorSave : public QObject
{
    Q_OBJECT

private slots:
    void doneShowsOneBoxPerFailedTestAndWritesNothing_data();
    void doneShowsOneBoxPerFailedTestAndWritesNothing();
    void doneStoresTheNameTrimmedInUpperCase_data();
    void doneStoresTheNameTrimmedInUpperCase();
    void doneRefusesWhatWouldNotReadBack_data();
    void doneRefusesWhatWouldNotReadBack();
    void newEntryIsAppendedAfterTheLastByte_data();
    void newEntryIsAppendedAfterTheLastByte();
    void editMovesTheRecordToTheEndAndDropsEmptyLines();
    void editStoresChangedDataAndPicture();
    void editOffersTheEntrysOwnTextAfterOtherCommands_data();
    void editOffersTheEntrysOwnTextAfterOtherCommands();
    void deleteYesRemovesEveryCaseVariantAndDoneWritesItBack();
    void deleteNoLeavesFileAndEditorAlone();
    void deleteInNewModeDoesNothing();
    void editAndDeleteAfterTheFileVanished();
    void editAndDeleteTakeALongNameWhole();
    void folderNamedInAnotherEncodingIsTheOneWritten();
};

void TestEditorSave::doneShowsOneBoxPerFailedTestAndWritesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("boxes"); // letters of Save's boxes, in order

    QTest::newRow("empty data") << "ALBA" << "" << "A";
    QTest::newRow("empty data and name") << "" << "" << "AC";
    QTest::newRow("empty data and tilde") << "~ALBA" << "" << "AB";
    QTest::newRow("tilde first") << "~NAME" << "text" << "B";
    QTest::newRow("blanks only") << "   " << "text" << "C";
    QTest::newRow("lower-case match") << "alba" << "text" << "D";
    QTest::newRow("several records bear it") << "Sparkit" << "text" << "D";
    QTest::newRow("trailing blank") << "SPARKIT " << "text" << "D";
    QTest::newRow("leading blank") << " alba" << "text" << "D";
}

void TestEditorSave::doneShowsOneBoxPerFailedTestAndWritesNothing()
{
    QFETCH(QString, name);
    QFETCH(QString, data);
    QFETCH(QString, boxes);
    const QByteArray content =
        kSparkit + "\r\n" + kAlba + record("sparkit", "No picture", {"an older one"});
    Program program(content);

    QVERIFY(program.open("cmdNew", [&](EditorControls &editor) {
        program.dialogs.chooseNext(QStringLiteral("/pics/new.png"));
        click(editor.picEdit);
        typeInto(editor.name, name);
        typeInto(editor.data, data);
        click(editor.done);

        QCOMPARE(program.dialogs.boxes().size(), boxes.size());
        for (qsizetype i = 0; i < boxes.size(); ++i) {
            const ScriptedDialogs::Box want = kSaveBoxes[boxes[i].unicode() - 'A'];
            const ScriptedDialogs::Box got = program.dialogs.boxes()[i];
            QCOMPARE(got.text, want.text);
            QCOMPARE(got.title, want.title);
            QCOMPARE(got.style, want.style);
        }
        // Still open with everything in it, for the user to correct.
        QVERIFY(editor.window->isVisible());
        editor.verifyShows(EditorMode::New, name, data, "/pics/new.png");
        click(editor.cancel);
    }));
    QCOMPARE(program.catalogue.read(), content);
}

void TestEditorSave::doneStoresTheNameTrimmedInUpperCase_data()
{
    // An empty name or data leaves the box's preset as it is.
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("pasted");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QByteArray>("added");

    QTest::newRow("presets untouched")
        << QString() << false << QString()
        << record("TYPE ENTRY HERE", "No picture", {"Type data for the entry here"});
    QTest::newRow("blank before a tilde") << " ~name" << false << "x"
                                          << record("~NAME", "No picture", {"x"});
    QTest::newRow("blanks around") << "  nix jr  " << false << "7"
                                   << record("NIX JR", "No picture", {"7"});
    QTest::newRow("accents") << QStringLiteral("café ß") << false << QStringLiteral("é")
                             << record("CAF\xC9 \xDF", "No picture", {"\xE9"});
    QTest::newRow("tab kept in the name") << "a\tb " << true << "x"
                                          << record("A\tB", "No picture", {"x"});
    QTest::newRow("blanks-only data unchanged") << "nix" << false << "   "
                                                << record("NIX", "No picture", {"   "});
    QTest::newRow("three data lines") << "nix" << false << "one\ntwo\nthree"
                                      << record("NIX", "No picture", {"one", "two", "three"});
    QTest::newRow("euro sign is 0x80") << "nix" << false << QStringLiteral("5 €")
                                       << record("NIX", "No picture", {"5 \x80"});
    QTest::newRow("marker words not at the start")
        << "nix" << false << "see ~End Entry\n~end entry\n ~Begin Entry"
        << record("NIX", "No picture", {"see ~End Entry", "~end entry", " ~Begin Entry"});
}

void TestEditorSave::doneStoresTheNameTrimmedInUpperCase()
{
    QFETCH(QString, name);
    QFETCH(bool, pasted);
    QFETCH(QString, data);
    QFETCH(QByteArray, added);
    Program program(kSparkit);

    QVERIFY(program.open("cmdNew", [&](EditorControls &editor) {
        if (pasted)
            pasteInto(editor.name, name);
        else if (!name.isEmpty())
            typeInto(editor.name, name);
        if (!data.isEmpty())
            typeInto(editor.data, data);
        click(editor.done);
        QVERIFY(!editor.window->isVisible());
    }));
    QCOMPARE(program.dialogs.texts(), QStringList());
    QCOMPARE(program.catalogue.read(), kSparkit + added);
}

void TestEditorSave::doneRefusesWhatWouldNotReadBack_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QByteArray>("tail"); // of the file, after SPARKIT's record
    QTest::addColumn<QString>("box"); // its whole text

    const QString marker =
        "No line of the Entry Data can start with \"~Begin Entry\" or \"~End Entry\":\r\n";
    const auto character = [](const char *shown, const char *code, const char *field) {
        return QStringLiteral("The character \"%1\" (U+%2) in the %3 cannot be stored in the "
                              "data file.").arg(QString::fromUtf8(shown), code, field);
    };
    const auto endsInside = [](const char *entry) {
        return QStringLiteral("The data file ends inside the entry %1, which has no \"~End Entry\" "
                              "line: a new entry written after it would become part of it.\r\n\r\n"
                              "The data file has not been changed.")
            .arg(entry);
    };
    QTest::newRow("line break in the name") << "A\nB" << "x" << "No picture" << QByteArray()
                                            << "The Entry Name cannot hold a line break.";
    QTest::newRow("data line ends the record")
        << "NIX" << "one\n~End Entry x" << "No picture" << QByteArray() << marker + "~End Entry x";
    QTest::newRow("data line starts a record")
        << "NIX" << "~Begin Entry" << "No picture" << QByteArray() << marker + "~Begin Entry";
    QTest::newRow("data beyond the code page") << "NIX" << QStringLiteral("5 Ā") << "No picture"
                                               << QByteArray() << character("Ā", "0100", "Entry Data");
    // The code in upper-case hex, as a character's code is written.
    QTest::newRow("data beyond the code page, code with letters")
        << "NIX" << QStringLiteral("Ω") << "No picture" << QByteArray()
        << character("Ω", "03A9", "Entry Data");
    // A character beyond 16 bits is named whole, not by its first half.
    QTest::newRow("picture path beyond 16 bits")
        << "NIX" << "x" << QStringLiteral("/pics/\U0001F600.png") << QByteArray()
        << character("\U0001F600", "1F600", "picture's path");
    QTest::newRow("name beyond the code page") << QStringLiteral("nĀx") << "x" << "No picture"
                                               << QByteArray() << character("Ā", "0100", "Entry Name");
    QTest::newRow("picture path beyond the code page")
        << "NIX" << "x" << QStringLiteral("/pics/Āx.png") << QByteArray()
        << character("Ā", "0100", "picture's path");
    // The new record would become part of the record the file ends inside.
    QTest::newRow("file ends with a begin marker")
        << "NIX" << "x" << "No picture" << QByteArray("~Begin Entry") << endsInside("without a name");
    QTest::newRow("file ends inside a record")
        << "NIX" << "x" << "No picture" << QByteArray("~Begin Entry\r\nOPEN\r\nNo picture\r\n7")
        << endsInside("OPEN");
}

void TestEditorSave::doneRefusesWhatWouldNotReadBack()
{
    QFETCH(QString, name);
    QFETCH(QString, data);
    QFETCH(QString, picture);
    QFETCH(QByteArray, tail);
    QFETCH(QString, box);
    const QByteArray content = kSparkit + "\r\n" + tail;

    // Edit mode's name box is locked: only the other rows apply there.
    const bool inName = name != QLatin1String("NIX");
    for (const char *opener : {"cmdNew", "cmdEdit"}) {
        if (inName && QByteArray(opener) == "cmdEdit")
            continue;
        Program program(content);
        program.search(QStringLiteral("sparkit"));
        click(program.button("cmdTopic"));
        const QString names = program.shown();
        QVERIFY(program.open(opener, [&](EditorControls &editor) {
            program.dialogs.chooseNext(picture);
            click(editor.picEdit);
            if (!editor.name->isReadOnly())
                pasteInto(editor.name, name);
            const QString typedName = editor.name->text();
            typeInto(editor.data, data);
            const QString typedData = editor.data->text();
            click(editor.done);

            QCOMPARE(program.dialogs.boxes().size(), 1);
            QCOMPARE(program.dialogs.boxes()[0].text, box);
            QVERIFY(editor.window->isVisible());
            editor.verifyShows(QByteArray(opener) == "cmdEdit" ? EditorMode::Edit : EditorMode::New,
                               typedName, typedData, picture);
            // Nothing was written, so the same click meets the same refusal.
            click(editor.done);
            QCOMPARE(program.dialogs.boxes().size(), 2);
            QCOMPARE(program.dialogs.boxes()[1].text, program.dialogs.boxes()[0].text);
            click(editor.cancel);
        }));
        QCOMPARE(program.catalogue.read(), content);
        QCOMPARE(program.catalogue.entries(), QStringList{"zumivok.dat"});
        click(program.button("cmdTopic"));
        QCOMPARE(program.shown(), names);
        program.search(name);
        QCOMPARE(program.shown(), kNotFound);
    }
}

void TestEditorSave::newEntryIsAppendedAfterTheLastByte_data()
{
    QTest::addColumn<std::optional<QByteArray>>("content");
    QTest::addColumn<QByteArray>("between"); // what Save puts before its record

    const QByteArray header = "// DO NOT EDIT THIS FILE\r\n";
    QTest::newRow("missing file") << std::optional<QByteArray>() << QByteArray();
    QTest::newRow("empty file") << std::optional<QByteArray>("") << QByteArray();
    QTest::newRow("header, stray text, empty lines")
        << std::optional<QByteArray>(header + "\r\n" + kSparkit + "stray\r\n\r\n") << QByteArray();
    QTest::newRow("last line without terminator")
        << std::optional<QByteArray>(kSparkit.chopped(2)) << QByteArray("\r\n");
    QTest::newRow("last line ended by a lone CR")
        << std::optional<QByteArray>(kSparkit.chopped(1)) << QByteArray();
    QTest::newRow("lone LF stays inside the last line")
        << std::optional<QByteArray>(kSparkit + "x\n") << QByteArray("\r\n");
}

void TestEditorSave::newEntryIsAppendedAfterTheLastByte()
{
    QFETCH(std::optional<QByteArray>, content);
    QFETCH(QByteArray, between);
    Program program(content);

    QVERIFY(program.open("cmdNew", [&](EditorControls &editor) {
        program.dialogs.chooseNext(QStringLiteral("/pics/alba.png"));
        click(editor.picEdit);
        typeInto(editor.name, QStringLiteral("Alba"));
        typeInto(editor.data, QStringLiteral("12\nA white one."));
        click(editor.done);
        QVERIFY(!editor.window->isVisible());
    }));
    QCOMPARE(program.dialogs.texts(), QStringList());
    QCOMPARE(program.catalogue.read(), content.value_or(QByteArray()) + between
                                      + record("ALBA", "/pics/alba.png", {"12", "A white one."}));
    QCOMPARE(program.catalogue.entries(), QStringList{"zumivok.dat"});
}

void TestEditorSave::editMovesTheRecordToTheEndAndDropsEmptyLines()
{
    const QByteArray header = "// DO NOT EDIT THIS FILE\r\n";
    const QByteArray sparkit =
        record("SPARKIT", "/pics/sparkit.png", {"25", "", "An electric mouse."});
    const QByteArray alba = record("ALBA", "No picture", {"12", "", "A white one."});
    // Records edited by hand: an empty picture line, an empty name line.
    // Their lines must not shift when the empty lines around them go.
    const QByteArray noPicture = record("NIX", "", {"", "7"});
    const QByteArray noName = crlfLines({"~Begin Entry", "", "No picture", "", "x", "~End Entry"});
    Program program(header + "\r\n" + sparkit + "\r\n" + alba + "\r\n" + noPicture + noName
                    + record("Sparkit", "No picture", {"a second one"}) + "\r\n");
    program.search(QStringLiteral("sparkit"));
    const QString shown = program.shown();
    QCOMPARE(shown, QStringLiteral("25\r\n\r\nAn electric mouse.\r\n"));

    QVERIFY(program.open("cmdEdit", [&](EditorControls &editor) {
        QCOMPARE(editor.data->text(), shown);
        click(editor.done);
        QVERIFY(!editor.window->isVisible());
    }));
    QCOMPARE(program.dialogs.texts(), QStringList());
    // Every record of that name goes, every other empty line goes, and the
    // text from the display ends in one empty data line.
    QCOMPARE(program.catalogue.read(),
             header + record("ALBA", "No picture", {"12", "A white one."})
                 + record("NIX", "", {"7"})
                 + crlfLines({"~Begin Entry", "", "No picture", "x", "~End Entry"})
                 + record("SPARKIT", "/pics/sparkit.png", {"25", "", "An electric mouse.", ""}));
    QCOMPARE(program.catalogue.entries(), QStringList{"zumivok.dat"});
    QCOMPARE(program.shown(), shown);
}

void TestEditorSave::editStoresChangedDataAndPicture()
{
    Program program(kSparkit + kAlba);
    program.search(QStringLiteral("SPARKIT"));

    QVERIFY(program.open("cmdEdit", [&](EditorControls &editor) {
        typeInto(editor.data, QStringLiteral("26\nFaster now."));
        program.dialogs.chooseNext(QStringLiteral("/pics/sparkit2.png"));
        click(editor.picEdit);
        click(editor.done);
        QVERIFY(!editor.window->isVisible());
    }));
    QCOMPARE(program.dialogs.texts(), QStringList());
    QCOMPARE(program.catalogue.read(),
             kAlba + record("SPARKIT", "/pics/sparkit2.png", {"26", "Faster now."}));
    // The main window goes on showing the text from before the edit.
    QCOMPARE(program.shown(), kSparkitText);
    QCOMPARE(program.window->picturePath(), QStringLiteral("/pics/sparkit.png"));
}

void TestEditorSave::editOffersTheEntrysOwnTextAfterOtherCommands_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("Help") << QByteArray("cmdHelp");
    QTest::newRow("Version") << QByteArray("cmdVersion");
    QTest::newRow("Topic") << QByteArray("cmdTopic");
    QTest::newRow("Chart") << QByteArray("cmdBat");
    QTest::newRow("Num Sort") << QByteArray("cmdNumSort");
}

void TestEditorSave::editOffersTheEntrysOwnTextAfterOtherCommands()
{
    QFETCH(QByteArray, command);
    Program program(kSparkit + kAlba);
    program.search(QStringLiteral("sparkit"));
    click(program.button(command.constData()));
    QVERIFY(program.shown() != kSparkitText);

    QVERIFY(program.open("cmdEdit", [&](EditorControls &editor) {
        editor.verifyShows(EditorMode::Edit, "SPARKIT", kSparkitText, "/pics/sparkit.png");
        click(editor.done);
    }));
    QCOMPARE(program.dialogs.texts(), QStringList());
    QCOMPARE(program.catalogue.read(),
             kAlba + record("SPARKIT", "/pics/sparkit.png", {"25", "An electric mouse.", ""}));
}

void TestEditorSave::deleteYesRemovesEveryCaseVariantAndDoneWritesItBack()
{
    Program program(kSparkit + "\r\n" + kAlba + record("sParkit", "No picture", {"old"}) + "\r\n");
    program.search(QStringLiteral("sparkit"));

    const auto deleteIt = [&](EditorControls &editor) {
        program.dialogs.clear();
        program.dialogs.answerNext(Dialogs::Yes);
        click(editor.erase);
        QCOMPARE(program.dialogs.boxes().size(), 1);
        const ScriptedDialogs::Box box = program.dialogs.boxes()[0];
        QCOMPARE(box.text, QStringLiteral("Are you sure you want to delete the entry SPARKIT?"));
        QCOMPARE(box.title, QStringLiteral("Whoa, there!"));
        QCOMPARE(box.style, 4);
        QVERIFY(!editor.window->isVisible());
    };
    QVERIFY(program.open("cmdEdit", deleteIt));
    QCOMPARE(program.catalogue.read(), kAlba);
    QCOMPARE(program.catalogue.entries(), QStringList{"zumivok.dat"});
    // The main window still shows the deleted entry.
    QCOMPARE(program.shown(), kSparkitText);
    QCOMPARE(program.window->currentEntry(), QStringLiteral("SPARKIT"));

    // Edit Entry opens it again; deleting once more leaves the file as it is.
    QVERIFY(program.open("cmdEdit", deleteIt));
    QCOMPARE(program.catalogue.read(), kAlba);

    // ... and Done appends it anew from the text still on display.
    QVERIFY(program.open("cmdEdit", [&](EditorControls &editor) {
        editor.verifyShows(EditorMode::Edit, "SPARKIT", kSparkitText, "/pics/sparkit.png");
        click(editor.done);
        QVERIFY(!editor.window->isVisible());
    }));
    QCOMPARE(program.catalogue.read(),
             kAlba + record("SPARKIT", "/pics/sparkit.png", {"25", "An electric mouse.", ""}));
}

void TestEditorSave::deleteNoLeavesFileAndEditorAlone()
{
    // Empty lines that any rewrite would drop.
    const QByteArray content = "\r\n" + kSparkit + "\r\n" + kAlba + "\r\n";
    Program program(content);
    program.search(QStringLiteral("Sparkit"));

    QVERIFY(program.open("cmdEdit", [&](EditorControls &editor) {
        typeInto(editor.data, QStringLiteral("changed"));
        program.dialogs.answerNext(Dialogs::No);
        click(editor.erase);
        QCOMPARE(program.dialogs.texts(),
                 QStringList{"Are you sure you want to delete the entry SPARKIT?"});
        QVERIFY(editor.window->isVisible());
        QCOMPARE(editor.data->text(), QStringLiteral("changed"));
        click(editor.cancel);
    }));
    QCOMPARE(program.catalogue.read(), content);
}

void TestEditorSave::deleteInNewModeDoesNothing()
{
    const QByteArray content = "\r\n" + kSparkit + "\r\n";
    Program program(content);
    program.search(QStringLiteral("sparkit"));

    QVERIFY(program.open("cmdNew", [&](EditorControls &editor) {
        // Even with the name of an existing entry in the box.
        typeInto(editor.name, QStringLiteral("SPARKIT"));
        click(editor.erase);
        QCOMPARE(program.dialogs.texts(), QStringList());
        QVERIFY(editor.window->isVisible());
        click(editor.cancel);
    }));
    QCOMPARE(program.catalogue.read(), content);
}

void TestEditorSave::editAndDeleteAfterTheFileVanished()
{
    // Edit writes the entry into a new file; Delete makes no file.
    for (const bool edit : {true, false}) {
        Program program(kSparkit);
        program.search(QStringLiteral("sparkit"));
        QVERIFY(QFile::remove(program.catalogue.dataPath()));
        QVERIFY(program.open("cmdEdit", [&](EditorControls &editor) {
            program.dialogs.answerNext(Dialogs::Yes);
            click(edit ? editor.done : editor.erase);
            QVERIFY(!editor.window->isVisible());
        }));
        if (edit) {
            QCOMPARE(program.dialogs.texts(), QStringList());
            QCOMPARE(program.catalogue.read(), record("SPARKIT", "/pics/sparkit.png",
                                                 {"25", "An electric mouse.", ""}));
        } else {
            QCOMPARE(program.dialogs.boxes().size(), 1); // the question only
            QVERIFY(!program.catalogue.exists());
        }
        QCOMPARE(program.catalogue.entries(), edit ? QStringList{"zumivok.dat"} : QStringList());
    }
}

// Names longer than a line box's usual limit of 32,767 characters reach the
// editor, and the record it looks for, whole.
void TestEditorSave::editAndDeleteTakeALongNameWhole()
{
    const QByteArray shortOne = record("SHORT", "No picture", {"keep me"});
    const QByteArray longName(40000, 'L');
    Program program(shortOne + record(longName, "No picture", {"original text"}));
    click(program.button("cmdNext"));
    click(program.button("cmdNext"));
    QCOMPARE(program.input()->text().size(), longName.size());

    QVERIFY(program.open("cmdEdit", [&](EditorControls &editor) {
        QCOMPARE(editor.name->text().size(), longName.size());
        click(editor.done);
        QVERIFY(!editor.window->isVisible());
    }));
    QCOMPARE(program.dialogs.texts(), QStringList());
    QCOMPARE(program.catalogue.read(),
             shortOne + record(longName, "No picture", {"original text", ""}));

    QVERIFY(program.open("cmdEdit", [&](EditorControls &editor) {
        program.dialogs.answerNext(Dialogs::Yes);
        click(editor.erase);
        QVERIFY(!editor.window->isVisible());
    }));
    QCOMPARE(program.catalogue.read(), shortOne);
}

// A start folder whose name is not UTF-8 (Latin-1 "ä") is the folder read
// and written, and a message names it readably.
void TestEditorSave::folderNamedInAnotherEncodingIsTheOneWritten()
{
    const QByteArray sparkit = record("SPARKIT", "No picture", {"25"});
    Program program(sparkit, "Sammlung-\xE4");
    QVERIFY(encodePath(program.directory).endsWith("/Sammlung-\xE4"));
    const QString data = program.directory + QStringLiteral("/zumivok.dat");
    program.search(QStringLiteral("sparkit"));
    QCOMPARE(program.shown(), QStringLiteral("25\r\n"));

    const auto addAlba = [&] {
        return program.open("cmdNew", [&](EditorControls &editor) {
            typeInto(editor.name, QStringLiteral("Alba"));
            typeInto(editor.data, QStringLiteral("12"));
            click(editor.done);
            if (editor.window->isVisible())
                click(editor.cancel);
        });
    };
    program.files.failOn(FailingFiles::Call::Write, 1, ENOSPC);
    QVERIFY(addAlba());
    QCOMPARE(program.dialogs.boxes().size(), 1);
    const QString shownPath = displayPath(data);
    QVERIFY(shownPath.endsWith(QStringLiteral("/Sammlung-\u00E4/zumivok.dat")));
    QVERIFY2(program.dialogs.boxes()[0].text.startsWith("Could not write " + shownPath + ": "),
             qPrintable(program.dialogs.boxes()[0].text));

    program.files.reset();
    QVERIFY(addAlba());
    QCOMPARE(program.dialogs.boxes().size(), 1);
    QCOMPARE(TempCatalogue::readFile(data), sparkit + record("ALBA", "No picture", {"12"}));
}

QTEST_MAIN(TestEditorSave)
#include "test_editor_save.moc"
