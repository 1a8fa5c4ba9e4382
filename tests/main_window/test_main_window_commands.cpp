// The main window's commands that read the data file or show a fixed text:
// Search, Next and Previous, Topic, Help, Version, Chart, Num Sort, and what
// Edit Entry refuses or hands the editor; and how they behave when the data
// file is missing, unreadable, cut short or very long.

#include "editor/frm_entry.h"
#include "main_window/frm_vok.h"
#include "platform/controls.h"
#include "support/modal.h"
#include "support/program.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <optional>
#include <sys/stat.h>

using namespace zumivok;
using namespace zumivok::test;

namespace {

const QString kNotFound = QStringLiteral("Entry not found.");
const QString kRefusal = QStringLiteral("There is no valid entry selected to edit.\r\n\r\n"
                                        "Search and locate a real entry and *then* click 'Edit.'");

QImage asArgb(const QImage &image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

// The program over an empty data file unless told otherwise, with what these
// tests look at besides: the picture shown at start-up, the one shown now, and
// picture files written for real.
struct Fixture : Program
{
    explicit Fixture(const std::optional<QByteArray> &content = QByteArray()) : Program(content) {}

    QImage startUpPicture = pictureBox()->picture();

    QImage picture() const { return asArgb(pictureBox()->picture()); }

    // A picture file in the data directory, written for real.
    QString writePicture(const QString &name, const QColor &colour, QSize size) const
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = catalogue.filePath(name);
        if (!image.save(path))
            qWarning("cannot write %s", qPrintable(path));
        return path;
    }
};

QImage filled(const QColor &colour, QSize size)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// Records named R1..Rn (or R00001.. with width), each with one data line.
QByteArray numberedRecords(int count, int width = 0)
{
    QByteArray bytes;
    for (int i = 1; i <= count; ++i) {
        const QByteArray number = QByteArray::number(i).rightJustified(width, '0');
        bytes += record("R" + number, "No picture", {"text " + number});
    }
    return bytes;
}

const QByteArray kAlba = record("ALBA", "No picture", {"12", "A white one."});
const QByteArray kSparkit = record("SPARKIT", "No picture", {"25", "An electric mouse."});
const QString kSparkitText = QStringLiteral("25\r\nAn electric mouse.\r\n");

const QString kHelp = QStringList{
    "- HELP -",
    "",
    "To look up an entry:",
    "Type a word in the white text box below and click 'Search'",
    "",
    "To add a new entry:",
    "1. Click 'New Entry'",
    "2. On the 'Data Entry' form, type in the name of the entry in the 'Entry Name:' text box",
    "3. On the 'Data Entry' form, type in the text data for the entry in the 'Entry Data:' text "
    "box",
    "4. On the 'Data Entry' form, click 'Add Picture' and select a picture to go with the entry",
    "5. On the 'Data Entry' form, click 'Done'",
    "",
    "To edit an existing entry:",
    "1. Search for and display entry",
    "2. Click 'Edit Entry'",
    "3. On the 'Data Entry' form, edit the text data for the entry in the 'Entry Data:' text box",
    "4. To change or add a picture, on the 'Data Entry' form, click 'Add Picture' and select a "
    "picture to go with the entry",
    "5. On the 'Data Entry' form, click 'Done'",
}.join(QStringLiteral("\r\n"));
const QString kChart =
    QStringLiteral("Again, in the interest of time, I've not finished this yet.  Hang on.");
const QString kNumSort = QStringLiteral(
    "In the interest of getting this thing done today, I've not debugged the Numeric Sort yet.  "
    "It's deactivated right now.  It just chomps up the data file and spits out garbage (but "
    "it's sorted!).  The Alpha Sort works fine, though.");

} // namespace

class MainWindowCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void search_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("number");
        QTest::addColumn<QString>("text");

        QTest::newRow("lower case finds upper case") << kAlba + kSparkit << "sparkit" << "SPARKIT"
                                                     << qint64(2) << kSparkitText;
        QTest::newRow("mixed case") << kAlba + kSparkit << "SpArKiT" << "SPARKIT" << qint64(2)
                                    << kSparkitText;
        QTest::newRow("first of two case variants")
            << record("Nix", "No picture", {"first"}) + record("NIX", "No picture", {"second"})
            << "NIX" << "Nix" << qint64(1) << "first\r\n";
        QTest::newRow("third record after header, empty lines and stray text")
            << "// DO NOT EDIT THIS FILE\r\n\r\n\r\n" + kAlba + "\r\nstray text\r\n" + kSparkit
                   + "\r\n" + record("THIRD", "No picture", {"x"})
            << "third" << "THIRD" << qint64(3) << "x\r\n";
        QTest::newRow("no data lines, empty text") << kAlba + record("EMPTY") << "empty" << "EMPTY"
                                                   << qint64(2) << "";
        QTest::newRow("blanks stored by hand are matched, not trimmed")
            << kAlba + record(" PADDED ", "No picture", {"p"}) << " padded " << " PADDED "
            << qint64(2) << "p\r\n";
        QTest::newRow("empty input finds the empty name")
            << kAlba + record("", "No picture", {"nameless"}) << "" << "" << qint64(2)
            << "nameless\r\n";
        QTest::newRow("begin marker followed by more text")
            << crlfLines({"~Begin Entry 7", "SEVEN", "No picture", "seven", "~End Entry"})
            << "seven" << "SEVEN" << qint64(1) << "seven\r\n";
        QTest::newRow("end marker followed by a full stop")
            << crlfLines({"~Begin Entry", "DOT", "No picture", "a", "~End Entry.", "b"}) << "dot"
            << "DOT" << qint64(1) << "a\r\n";
        QTest::newRow("data line beginning with ~End Entry ends the record")
            << crlfLines({"~Begin Entry", "EARLY", "No picture", "one", "~End Entry here", "two",
                          "~End Entry"})
            << "early" << "EARLY" << qint64(1) << "one\r\n";
        const QByteArray nested = crlfLines({"~Begin Entry", "OUTER", "No picture", "~Begin Entry",
                                             "INNER", "No picture", "inner data", "~End Entry"});
        QTest::newRow("begin marker in passed-over data is a record")
            << nested + kSparkit << "inner" << "INNER" << qint64(2) << "inner data\r\n";
        QTest::newRow("begin marker in passed-over data is counted")
            << nested + kSparkit << "sparkit" << "SPARKIT" << qint64(3) << kSparkitText;
        QTest::newRow("lone CR ends a line, lone LF stays in it")
            << QByteArray("~Begin Entry\rCR\rNo picture\ra\nb\r\nc\r~End Entry\r") << "cr" << "CR"
            << qint64(1) << "a\nb\r\nc\r\n";
        QTest::newRow("accented capital, Windows-1252")
            << kAlba + record("\xC9" "CLAIR", "No picture", {"caf\xE9"}) << "\u00E9clair"
            << "\u00C9CLAIR" << qint64(2) << "caf\u00E9\r\n";

        // Not found: the rows' name is empty and the text is the refusal.
        const auto notFound = [](const char *title, const QByteArray &file, const QString &typed,
                                 qint64 records) {
            QTest::newRow(title) << file << typed << QString() << records << kNotFound;
        };
        notFound("five records, another name", numberedRecords(5), "nobody", 5);
        notFound("the preset text", kAlba + kSparkit, QString(), 2);
        notFound("leading blank", kAlba + kSparkit, " sparkit", 2);
        notFound("trailing blank", kAlba + kSparkit, "sparkit ", 2);
        notFound("empty input, no empty name", kAlba + kSparkit, "", 2);
        notFound("stored blank, typed without", record(" PADDED"), "padded", 1);
        notFound("name is only the start of a stored one", kSparkit, "spark", 1);
        notFound("empty file", QByteArray(), "sparkit", 0);
        notFound("header only", "// DO NOT EDIT THIS FILE\r\n", "sparkit", 0);
        notFound("markers in lower case are no markers",
                 crlfLines({"~begin entry", "LOW", "No picture", "~end entry"}), "low", 0);
        notFound("a data line is no name",
                 crlfLines({"~Begin Entry", "HOST", "No picture", "GUEST", "~End Entry"}), "guest",
                 1);
    }

    void search()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, typed); // null: the start-up preset is searched
        QFETCH(QString, name);
        QFETCH(qint64, number);
        QFETCH(QString, text);

        Fixture f(file);
        if (typed.isNull())
            click(f.button("cmdSearch"));
        else
            f.search(typed);
        QCOMPARE(f.window->currentEntry(), name);
        QCOMPARE(f.window->entryNumber(), number);
        QCOMPARE(f.shown(), text);
        // A failed search leaves the picture line as it was: here, none yet.
        QCOMPARE(f.window->picturePath(),
                 text == kNotFound ? QString() : QStringLiteral("No picture"));
        QCOMPARE(f.input()->text(), typed.isNull() ? kPreset : typed);
        QCOMPARE(f.pictureBox()->picture(), f.startUpPicture);
        QCOMPARE(f.catalogue.read(), file);
    }

    void picturesFollowTheEntry_data()
    {
        QTest::addColumn<bool>("byNext");
        QTest::newRow("Search") << false;
        QTest::newRow("Next") << true;
    }

    void picturesFollowTheEntry()
    {
        QFETCH(bool, byNext);

        Fixture f;
        const QString red = f.writePicture(QStringLiteral("red.png"), Qt::red, {20, 10});
        const QString blue = f.writePicture(QStringLiteral("blue.bmp"), Qt::blue, {12, 30});
        const QString missing = f.catalogue.filePath(QStringLiteral("missing.png"));
        const QString garbage = f.catalogue.filePath(QStringLiteral("garbage.png"));
        TempCatalogue::writeFile(garbage, "this is no picture\r\n");
        const QString fifo = f.catalogue.filePath(QStringLiteral("fifo.png"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString directory = f.catalogue.filePath(QStringLiteral("folder.png"));
        QVERIFY(QDir().mkdir(directory));

        struct Step
        {
            QString name, pictureLine;
            QImage shown; // what picOutput holds afterwards; null: nothing
        };
        const QImage redImage = filled(Qt::red, {20, 10});
        const QImage blueImage = filled(Qt::blue, {12, 30});
        const QList<Step> steps{
            {"PLAIN", "No picture", f.picture()}, // the start-up picture stays
            {"RED", red, redImage},
            {"PLAINAGAIN", "No picture", redImage},
            {"GONE", missing, redImage},
            {"LOWER", "no picture", redImage}, // a path, not the absence of one
            {"BLUE", blue, blueImage},
            {"PIPE", fifo, blueImage},
            {"FOLDER", directory, blueImage},
            {"GARBAGE", garbage, blueImage},
            {"CLEARED", "", QImage()},
            {"STILLCLEARED", "No picture", QImage()},
            {"REDAGAIN", red, redImage},
        };
        QByteArray file;
        for (const Step &step : steps)
            file += record(step.name.toLatin1(), step.pictureLine.toLatin1(),
                           {"about " + step.name.toLatin1()});
        f.catalogue.write(file);

        for (qsizetype i = 0; i < steps.size(); ++i) {
            const Step &step = steps[i];
            if (byNext)
                click(f.button("cmdNext"));
            else
                f.search(step.name.toLower());
            QCOMPARE(f.window->currentEntry(), step.name);
            QCOMPARE(f.window->entryNumber(), qint64(i + 1));
            QCOMPARE(f.window->picturePath(), step.pictureLine);
            QCOMPARE(f.shown(), "about " + step.name + "\r\n");
            QCOMPARE(f.picture(), asArgb(step.shown));
        }
        // What the user sees: the red picture at the top left of the box's inside.
        const QImage shot = f.pictureBox()->grab().toImage();
        QCOMPARE(shot.pixelColor(1, 1), QColor(Qt::red));
        QCOMPARE(shot.pixelColor(20, 10), QColor(Qt::red));
        QCOMPARE(shot.pixelColor(22, 10), QColor(Qt::white));
    }

    void nextAndPrevious_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("actions"); // "next", "prev", "search:NAME", "type:TEXT"
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("number");
        QTest::addColumn<QString>("text");

        const QByteArray three = "// DO NOT EDIT THIS FILE\r\n\r\nstray\r\n" + numberedRecords(3);
        const QString none;
        const auto row = [](const char *title, const QByteArray &file, const QStringList &actions,
                            const QString &input, const QString &name, qint64 number,
                            const QString &text) {
            QTest::newRow(title) << file << actions << input << name << number << text;
        };
        row("Previous at start-up changes nothing", three, {"prev"}, kPreset, none, 0, kWelcome);
        row("Next at start-up shows the first record, header and stray lines passed over", three,
            {"type:typed over", "next"}, "R1", "R1", 1, "text 1\r\n");
        row("Next, Next", three, {"next", "next"}, "R2", "R2", 2, "text 2\r\n");
        row("Next past the last changes nothing", three,
            {"next", "next", "next", "type:R3x", "next"}, "R3x", "R3", 3, "text 3\r\n");
        row("then Previous", three, {"next", "next", "next", "next", "prev"}, "R2", "R2", 2,
            "text 2\r\n");
        row("Previous on the first changes nothing", three, {"next", "prev"}, "R1", "R1", 1,
            "text 1\r\n");
        row("failed search, then Next changes nothing", numberedRecords(5),
            {"search:nobody", "next"}, "nobody", none, 5, kNotFound);
        row("failed search, then Previous shows the second-to-last", numberedRecords(5),
            {"search:nobody", "prev"}, "R4", "R4", 4, "text 4\r\n");
        row("a record without data lines", kAlba + record("EMPTY"), {"next", "next"}, "EMPTY",
            "EMPTY", 2, "");
        row("the name goes into txtInput as stored", record(" TWO  BLANKS ", "No picture", {"x"}),
            {"next"}, " TWO  BLANKS ", " TWO  BLANKS ", 1, "x\r\n");
        const QByteArray nested = crlfLines({"~Begin Entry", "OUTER", "No picture",
                                             "~Begin Entry 2", "INNER", "No picture",
                                             "~End Entry"})
                                  + record("LAST");
        row("data is shown without looking for markers", nested, {"next"}, "OUTER", "OUTER", 1,
            "~Begin Entry 2\r\nINNER\r\nNo picture\r\n");
        row("a begin marker in the data is a position", nested, {"next", "next"}, "INNER", "INNER",
            2, "");
        row("and counts before the next record", nested, {"next", "next", "next"}, "LAST", "LAST",
            3, "");
    }

    void nextAndPrevious()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, actions);
        QFETCH(QString, input);
        QFETCH(QString, name);
        QFETCH(qint64, number);
        QFETCH(QString, text);

        Fixture f(file);
        for (const QString &action : actions) {
            if (action == QLatin1String("next"))
                click(f.button("cmdNext"));
            else if (action == QLatin1String("prev"))
                click(f.button("cmdPrev"));
            else if (action.startsWith(QLatin1String("search:")))
                f.search(action.sliced(7));
            else
                f.typeSearch(action.sliced(5));
        }
        QCOMPARE(f.input()->text(), input);
        QCOMPARE(f.window->currentEntry(), name);
        QCOMPARE(f.window->entryNumber(), number);
        QCOMPARE(f.shown(), text);
        QCOMPARE(f.window->picturePath(), name.isEmpty() ? QString() : QStringLiteral("No picture"));
        QCOMPARE(f.pictureBox()->picture(), f.startUpPicture);
        QCOMPARE(f.dialogs.boxes().size(), 0);
    }

    void topicListsNamesInFileOrder_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("names");

        QTest::newRow("file order, not sorted")
            << record("ALPHA") + record("GAMMA") + record("BETA") << "ALPHA\r\nGAMMA\r\nBETA\r\n";
        QTest::newRow("empty name line") << record("A") + record("") + record("B")
                                         << "A\r\n\r\nB\r\n";
        QTest::newRow("header, empty lines and stray text are not listed")
            << "// DO NOT EDIT THIS FILE\r\n" + record("ONE") + "\r\nstray\r\n\r\n" + record("TWO")
                   + "\r\n"
            << "ONE\r\nTWO\r\n";
        QTest::newRow("marker with more text counts, lower case does not")
            << crlfLines({"~Begin Entry 9", "NINE", "No picture", "~End Entry", "~begin entry",
                          "LOW", "No picture", "~End Entry"})
            << "NINE\r\n";
        QTest::newRow("begin marker inside data is listed")
            << crlfLines(
                   {"~Begin Entry", "HOST", "No picture", "~Begin Entry", "GUEST", "~End Entry"})
            << "HOST\r\nGUEST\r\n";
        QTest::newRow("a name listed once per record") << record("SAME") + record("SAME")
                                                       << "SAME\r\nSAME\r\n";
        QTest::newRow("begin marker on the last line") << record("ONLY") + "~Begin Entry"
                                                       << "ONLY\r\n";
        QTest::newRow("header only") << QByteArray("// DO NOT EDIT THIS FILE\r\n") << "";
        QTest::newRow("empty file") << QByteArray() << "";
    }

    void topicListsNamesInFileOrder()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, names);
        Fixture f(file);
        click(f.button("cmdTopic"));
        QCOMPARE(f.shown(), names);
        click(f.button("cmdTopic"));
        QCOMPARE(f.shown(), names);
        QCOMPARE(f.catalogue.read(), file);
    }

    void otherCommandsKeepTheEntryOnDisplay_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("text"); // null: checked on its own below
        QTest::newRow("Topic") << "cmdTopic" << "SPARKIT\r\nRED\r\nALBA\r\n";
        QTest::newRow("Help") << "cmdHelp" << kHelp;
        QTest::newRow("Version") << "cmdVersion" << QString();
        QTest::newRow("Chart") << "cmdBat" << kChart;
        QTest::newRow("Num Sort") << "cmdNumSort" << kNumSort;
    }

    void otherCommandsKeepTheEntryOnDisplay()
    {
        QFETCH(QString, button);
        QFETCH(QString, text);

        Fixture f;
        const QString red = f.writePicture(QStringLiteral("red.png"), Qt::red, {8, 8});
        // Out of order, so that anything that sorted would show in the file.
        const QByteArray file = kSparkit + record("RED", red.toLatin1(), {"red one"}) + kAlba;
        f.catalogue.write(file);
        f.search(QStringLiteral("Red"));
        const QStringList before = f.catalogue.entries();
        f.files.reset();

        click(f.button(button));
        const QString shown = f.shown();
        if (!text.isNull())
            QCOMPARE(shown, text);
        click(f.button(button));
        QCOMPARE(f.shown(), shown); // twice shows it once
        QCOMPARE(f.window->currentEntry(), QStringLiteral("RED"));
        QCOMPARE(f.window->entryNumber(), qint64(2));
        QCOMPARE(f.window->picturePath(), red);
        QCOMPARE(f.picture(), asArgb(filled(Qt::red, {8, 8})));
        QCOMPARE(f.input()->text(), QStringLiteral("Red"));
        QCOMPARE(f.catalogue.read(), file);
        QCOMPARE(f.catalogue.entries(), before);
        // Only Topic opens the data file, and only to read it.
        for (const QString &call : f.files.log()) {
            QVERIFY2(button == QLatin1String("cmdTopic"), qPrintable(call));
            for (const char *change : {"write", "rename", "unlink"})
                QVERIFY2(!call.startsWith(QLatin1String(change)), qPrintable(call));
        }
        QCOMPARE(f.dialogs.boxes().size(), 0);
        QVERIFY(!f.window->editor().isLoaded());

        // Next still steps on from the entry shown last.
        click(f.button("cmdNext"));
        QCOMPARE(f.window->currentEntry(), QStringLiteral("ALBA"));
    }

    void helpAndVersionTextLines()
    {
        Fixture f(kAlba);
        click(f.button("cmdHelp"));
        const QString help = f.shown();
        QCOMPARE(help.split(QStringLiteral("\r\n")).size(), 18);
        QCOMPARE(help.count(u'\r'), 17);
        QCOMPARE(help.count(u'\n'), 17);
        QVERIFY(help.endsWith(QLatin1String("click 'Done'")));

        click(f.button("cmdVersion"));
        const QString about = f.shown();
        const QStringList lines = about.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 8);
        QCOMPARE(about.count(u'\r'), 7);
        QCOMPARE(about.count(u'\n'), 7);
        QCOMPARE(lines[0], QStringLiteral("ZumiVok Beta-Two"));
        QCOMPARE(lines[5],
                 QStringLiteral("This version is almost complete.  It is completely working, but "
                                "it doesn't look very good yet.  ZumiVok Gamma will be this same "
                                "program, only it will look better."));
        for (const int empty : {2, 4, 6})
            QCOMPARE(lines[empty], QString());
        for (const int notice : {1, 3, 7})
            QVERIFY2(!lines[notice].trimmed().isEmpty(), qPrintable(QString::number(notice + 1)));

        // Each replaces whatever was shown before, itself included.
        click(f.button("cmdHelp"));
        QCOMPARE(f.shown(), help);
        click(f.button("cmdHelp"));
        QCOMPARE(f.shown(), help);
        click(f.button("cmdVersion"));
        click(f.button("cmdVersion"));
        QCOMPARE(f.shown(), about);
    }

    void editRefusedWithoutAnEntry_data()
    {
        QTest::addColumn<QStringList>("searches"); // run before Edit Entry
        QTest::newRow("right after start-up") << QStringList();
        QTest::newRow("after a failed search") << QStringList{"sparkit", "nobody"};
        QTest::newRow("entry with an empty name") << QStringList{""};
    }

    void editRefusedWithoutAnEntry()
    {
        QFETCH(QStringList, searches);
        Fixture f(kSparkit + record("", "No picture", {"nameless"}));
        for (const QString &typed : searches)
            f.search(typed);
        const qint64 number = f.window->entryNumber();

        ModalDriver driver([](QWidget *modal) { modal->hide(); });
        click(f.button("cmdEdit"));
        QCOMPARE(f.shown(), kRefusal);
        click(f.button("cmdEdit"));
        QCOMPARE(f.shown(), kRefusal);
        QVERIFY(!driver.ran());
        QVERIFY(!f.window->editor().isLoaded());
        QCOMPARE(f.window->currentEntry(), QString());
        QCOMPARE(f.window->entryNumber(), number);
        QCOMPARE(f.dialogs.boxes().size(), 0);
    }

    void editOffersTheEntrysOwnText_data()
    {
        QTest::addColumn<bool>("byNext");
        QTest::addColumn<QString>("between"); // a command run before Edit Entry, if any
        QTest::newRow("after Search") << false << QString();
        QTest::newRow("after Next") << true << QString();
        QTest::newRow("Search, then Help") << false << "cmdHelp";
        QTest::newRow("Search, then Version") << false << "cmdVersion";
        QTest::newRow("Search, then Topic") << false << "cmdTopic";
        QTest::newRow("Search, then Chart") << false << "cmdBat";
        QTest::newRow("Next, then Num Sort") << true << "cmdNumSort";
    }

    void editOffersTheEntrysOwnText()
    {
        QFETCH(bool, byNext);
        QFETCH(QString, between);

        Fixture f;
        const QString red = f.writePicture(QStringLiteral("red.png"), Qt::red, {8, 8});
        const QByteArray file =
            kAlba + record("SPARKIT", red.toLatin1(), {"25", "An electric mouse."});
        f.catalogue.write(file);
        if (byNext) {
            click(f.button("cmdNext"));
            click(f.button("cmdNext"));
        } else {
            f.search(QStringLiteral("sparkit"));
        }
        QCOMPARE(f.shown(), kSparkitText);
        if (!between.isEmpty())
            click(f.button(between));
        const QString onDisplay = f.shown();

        QString caption, name, data, pictureLabel;
        bool nameLocked = false;
        ModalDriver driver([&](QWidget *editor) {
            caption = editor->windowTitle();
            auto *txtEntry = editor->findChild<QLineEdit *>(QStringLiteral("txtEntry"));
            name = txtEntry->text();
            nameLocked = txtEntry->isReadOnly();
            data = editor->findChild<TextBox *>(QStringLiteral("txtData"))->text();
            pictureLabel = editor->findChild<QLabel *>(QStringLiteral("lblPicName"))->text();
            QTest::mouseClick(editor->findChild<QPushButton *>(QStringLiteral("cmdCancel")),
                              Qt::LeftButton);
        });
        click(f.button("cmdEdit"));
        QVERIFY(driver.ran());
        QVERIFY(!driver.timedOut());
        QCOMPARE(caption, QStringLiteral("ZumiVok Data Entry - Edit"));
        QCOMPARE(name, QStringLiteral("SPARKIT"));
        QVERIFY(nameLocked);
        QCOMPARE(data, kSparkitText);
        QCOMPARE(pictureLabel, red);

        // Cancel: the main window shows what it showed, and nothing was written.
        QCOMPARE(f.shown(), onDisplay);
        QCOMPARE(f.catalogue.read(), file);
        QCOMPARE(f.window->currentEntry(), QStringLiteral("SPARKIT"));
    }

    void missingDataFileHoldsNoRecords_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow("Search") << "cmdSearch" << kNotFound;
        QTest::newRow("Next") << "cmdNext" << kWelcome;
        QTest::newRow("Previous") << "cmdPrev" << kWelcome;
        QTest::newRow("Topic") << "cmdTopic" << "";
    }

    void missingDataFileHoldsNoRecords()
    {
        QFETCH(QString, button);
        QFETCH(QString, text);
        Fixture f(std::nullopt);
        click(f.button(button));
        QCOMPARE(f.shown(), text);
        QCOMPARE(f.window->entryNumber(), qint64(0));
        QCOMPARE(f.window->currentEntry(), QString());
        QCOMPARE(f.window->picturePath(), QString());
        QCOMPARE(f.input()->text(), kPreset);
        QCOMPARE(f.pictureBox()->picture(), f.startUpPicture);
        QCOMPARE(f.catalogue.entries(), QStringList()); // no reader creates the file
    }

    void unreadableDataFileIsReportedAndChangesNothing_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("fault"); // "directory", "open", "read", "second read"
        QTest::addColumn<int>("error");
        for (const char *button : {"cmdSearch", "cmdNext", "cmdPrev", "cmdTopic"}) {
            const auto row = [&](const char *fault, int error) {
                QTest::addRow("%s, %s", button, fault) << button << fault << error;
            };
            row("directory", EISDIR);
            row("open", EACCES);
            row("read", EIO);
            row("second read", EIO);
        }
    }

    void unreadableDataFileIsReportedAndChangesNothing()
    {
        QFETCH(QString, button);
        QFETCH(QString, fault);
        QFETCH(int, error);

        Fixture f;
        const QString blue = f.writePicture(QStringLiteral("blue.png"), Qt::blue, {8, 8});
        const QByteArray file =
            kAlba + record("BLUE", blue.toLatin1(), {"blue one"}) + record("LAST", "", {"last"});
        f.catalogue.write(file);
        f.search(QStringLiteral("blue"));
        QCOMPARE(f.window->entryNumber(), qint64(2));
        // What the user typed since, which Search would find and Next would replace.
        f.typeSearch(QStringLiteral("alba"));

        f.files.reset();
        if (fault == QLatin1String("directory")) {
            QVERIFY(QFile::remove(f.catalogue.dataPath()));
            QVERIFY(QDir().mkdir(f.catalogue.dataPath()));
        } else if (fault == QLatin1String("open")) {
            f.files.failOn(FailingFiles::Call::Open, 1, error);
        } else {
            f.files.failOn(FailingFiles::Call::Read, fault == QLatin1String("read") ? 1 : 2, error);
        }
        click(f.button(button));

        const QString report = f.shown();
        QVERIFY2(report.contains(f.window->dataPath() + QStringLiteral("/zumivok.dat")),
                 qPrintable(report));
        QVERIFY2(report.contains(QString::fromLocal8Bit(std::strerror(error))), qPrintable(report));
        QVERIFY2(!report.contains(u'\r') && !report.contains(u'\n'), qPrintable(report));
        QCOMPARE(f.window->currentEntry(), QStringLiteral("BLUE"));
        QCOMPARE(f.window->entryNumber(), qint64(2));
        QCOMPARE(f.window->picturePath(), blue);
        QCOMPARE(f.input()->text(), QStringLiteral("alba"));
        QCOMPARE(f.picture(), asArgb(filled(Qt::blue, {8, 8})));
        QCOMPARE(f.dialogs.boxes().size(), 0);

        // Once the file can be read again, the window carries on from where it was.
        f.files.reset();
        if (fault == QLatin1String("directory")) {
            QVERIFY(QDir().rmdir(f.catalogue.dataPath()));
            f.catalogue.write(file);
        }
        QCOMPARE(f.catalogue.read(), file);
        click(f.button("cmdNext"));
        QCOMPARE(f.window->currentEntry(), QStringLiteral("LAST"));
        QCOMPARE(f.window->entryNumber(), qint64(3));
        QCOMPARE(f.pictureBox()->picture(), QImage()); // its empty picture line clears the box
    }

    void fileEndingInsideARecordShowsWhatWasRead_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("byNext");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");

        const QByteArray noEnd =
            kAlba + "~Begin Entry\r\nOPEN\r\nNo picture\r\nline one\r\nline two";
        QTest::newRow("no end marker, Search") << noEnd << false << "OPEN"
                                               << "line one\r\nline two\r\n";
        QTest::newRow("no end marker, Next") << noEnd << true << "OPEN"
                                             << "line one\r\nline two\r\n";
        const QByteArray noPicture = kAlba + "~Begin Entry\r\nBARE\r\n";
        QTest::newRow("no picture line, Search") << noPicture << false << "BARE" << "";
        QTest::newRow("no picture line, Next") << noPicture << true << "BARE" << "";
    }

    void fileEndingInsideARecordShowsWhatWasRead()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, byNext);
        QFETCH(QString, name);
        QFETCH(QString, text);

        Fixture f(file);
        if (byNext) {
            click(f.button("cmdNext"));
            click(f.button("cmdNext"));
        } else {
            f.search(name.toLower());
        }
        QCOMPARE(f.window->currentEntry(), name);
        QCOMPARE(f.window->entryNumber(), qint64(2));
        QCOMPARE(f.shown(), text);
        // A picture line that is not there clears nothing.
        QCOMPARE(f.pictureBox()->picture(), f.startUpPicture);

        // Nothing follows: Next changes nothing, and a begin marker alone on the
        // last line is counted but has no name to match.
        click(f.button("cmdNext"));
        QCOMPARE(f.window->entryNumber(), qint64(2));
        f.catalogue.write(file + "\r\n~Begin Entry");
        f.search(QStringLiteral("nobody"));
        QCOMPARE(f.shown(), kNotFound);
        QCOMPARE(f.window->entryNumber(), qint64(3));
    }

    void positionsGoPast32767()
    {
        constexpr int kCount = 40000;
        Fixture f(numberedRecords(kCount, 5));

        f.search(QStringLiteral("r39999"));
        QCOMPARE(f.window->entryNumber(), qint64(39999));
        click(f.button("cmdNext"));
        QCOMPARE(f.window->currentEntry(), QStringLiteral("R40000"));
        QCOMPARE(f.window->entryNumber(), qint64(kCount));
        QCOMPARE(f.shown(), QStringLiteral("text 40000\r\n"));
        click(f.button("cmdNext"));
        QCOMPARE(f.window->entryNumber(), qint64(kCount));

        f.search(QStringLiteral("R32768"));
        QCOMPARE(f.window->entryNumber(), qint64(32768));
        QCOMPARE(f.shown(), QStringLiteral("text 32768\r\n"));
        click(f.button("cmdPrev"));
        QCOMPARE(f.window->currentEntry(), QStringLiteral("R32767"));
        QCOMPARE(f.window->entryNumber(), qint64(32767));

    }
};

QTEST_MAIN(MainWindowCommandsTest)
#include "test_main_window_commands.moc"
