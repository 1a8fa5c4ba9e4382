// Done and Delete Entry when the file system fails them: each step of New's
// append and of the rewrite that Edit and Delete make is failed in turn. The
// user must see which file and why, the data file must stay byte for byte as
// it was, nothing may be left beside it, and the editor must stay open with
// everything in it, so that the same click succeeds once the cause is gone.

#include "support/program.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

using namespace zumivok;
using namespace zumivok::test;
using Call = FailingFiles::Call;

namespace {

enum class Command { New, Edit, Delete };

// The empty line would vanish in any rewrite, so a rewrite cannot pass unseen.
const QByteArray kContent = kSparkit + "\r\n" + kAlba;

// Opens the editor for command and fills it in; act then gets the button to
// click, Done or Delete Entry, and must leave the editor.
bool drive(Program &program, Command command,
           const std::function<void(EditorControls &, QPushButton *)> &act)
{
    const bool edit = command != Command::New;
    if (edit)
        program.search(QStringLiteral("sparkit"));
    const auto fill = [&](EditorControls &editor) {
        if (command != Command::Delete) {
            program.dialogs.chooseNext(QStringLiteral("/pics/new.png"));
            click(editor.picEdit);
            if (command == Command::New)
                typeInto(editor.name, QStringLiteral("nix"));
            typeInto(editor.data, QStringLiteral("7\nSeven."));
        }
        act(editor, command == Command::Delete ? editor.erase : editor.done);
    };
    return bool(program.open(edit ? "cmdEdit" : "cmdNew", fill));
}

// Clicks the button (answering Yes to Delete's question) with the calls
// counted afresh and fail set up just before.
void clickWith(Program &program, QPushButton *button, const std::function<void()> &fail)
{
    program.files.reset();
    fail();
    if (button->objectName() == QLatin1String("cmdErase"))
        program.dialogs.answerNext(Dialogs::Yes);
    click(button);
}

// Clicks once with fail set up, runs check, then clicks again with nothing
// failing, which must go through.
bool runTwice(Program &program, Command command, const std::function<void()> &fail,
              const std::function<void(EditorControls &)> &check)
{
    return drive(program, command, [&](EditorControls &editor, QPushButton *button) {
        clickWith(program, button, fail);
        check(editor);
        clickWith(program, button, [] {});
    });
}

// What the click leaves in a file that held content (kContent for Edit and Delete).
QByteArray savedContent(Command command, const QByteArray &content = kContent)
{
    switch (command) {
    case Command::New:
        return content + record("NIX", "/pics/new.png", {"7", "Seven."});
    case Command::Edit:
        return kAlba + record("SPARKIT", "/pics/new.png", {"7", "Seven."});
    case Command::Delete:
        break;
    }
    return kAlba;
}

// One row for each of the editor's commands that write the data file.
void addEveryCommand()
{
    QTest::addColumn<Command>("command");
    QTest::newRow("new") << Command::New;
    QTest::newRow("edit") << Command::Edit;
    QTest::newRow("delete") << Command::Delete;
}

} // namespace

class TestEditorFaults : public QObject
{
    Q_OBJECT

private slots:
    void failedStepIsReportedAndChangesNothing_data();
    void failedStepIsReportedAndChangesNothing();
    void rewriteKeepsThePermissions_data();
    void rewriteKeepsThePermissions();
    void readOnlyFileIsRefused_data();
    void readOnlyFileIsRefused();
    void leftoverScratchFileIsReplaced();
    void writeIsSyncedAndRenamedOverInOneStep_data();
    void writeIsSyncedAndRenamedOverInOneStep();
    void noFailingCallLeavesAnythingButTheOldOrTheNewFile_data();
    void noFailingCallLeavesAnythingButTheOldOrTheNewFile();
};

void TestEditorFaults::failedStepIsReportedAndChangesNothing_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<Call>("call");
    QTest::addColumn<int>("nth"); // counted from the click; 0 is every such call
    QTest::addColumn<QString>("onlyFor"); // path suffix, for calls that take a path
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("file"); // the file the box must name

    const QString data = QStringLiteral("zumivok.dat");
    const QString scratch = QStringLiteral("temp.dat");

    // New: the folder is locked (open 1); one read of the file (open 2,
    // fstat 1, reads 1 and 2, close 1) finds the name and how the file ends;
    // then the file is opened to append to, its size looked at, and the
    // record written, synced and closed.
    QTest::newRow("new: open to read")
        << Command::New << Call::Open << 2 << data << EACCES << data;
    QTest::newRow("new: read for the duplicate test")
        << Command::New << Call::Read << 1 << QString() << EIO << data;
    QTest::newRow("new: open for the append")
        << Command::New << Call::Open << 3 << data << EROFS << data;
    QTest::newRow("new: fstat of the append")
        << Command::New << Call::Fstat << 2 << QString() << EOVERFLOW << data;
    QTest::newRow("new: read of how the file ends")
        << Command::New << Call::Read << 2 << QString() << EIO << data;
    QTest::newRow("new: write") << Command::New << Call::Write << 1 << QString() << ENOSPC << data;
    QTest::newRow("new: fsync") << Command::New << Call::Fsync << 1 << QString() << EIO << data;
    QTest::newRow("new: close") << Command::New << Call::Close << 2 << QString() << EDQUOT << data;

    // Edit and Delete: the folder is locked (open 1), zumivok.dat is read
    // whole (open 2, fstat, read, close 1) and opened for writing to see that
    // it may be written (close 2); then
    // temp.dat is made, given the old permissions, written, synced, closed
    // (close 3) and renamed over zumivok.dat.
    for (const Command command : {Command::Edit, Command::Delete}) {
        const char *prefix = command == Command::Edit ? "edit: " : "delete: ";
        const auto row = [&](const char *step) {
            return &QTest::newRow(qPrintable(QLatin1String(prefix) + QLatin1String(step)));
        };
        *row("open zumivok.dat") << command << Call::Open << 2 << data << EACCES << data;
        *row("read zumivok.dat") << command << Call::Read << 1 << QString() << EIO << data;
        *row("lstat zumivok.dat") << command << Call::Lstat << 1 << data << ELOOP << data;
        *row("open temp.dat") << command << Call::Open << 0 << scratch << EACCES << scratch;
        *row("fchmod temp.dat") << command << Call::Fchmod << 1 << QString() << EPERM << scratch;
        *row("write temp.dat") << command << Call::Write << 1 << QString() << ENOSPC << scratch;
        *row("fsync temp.dat") << command << Call::Fsync << 1 << QString() << EIO << scratch;
        *row("close temp.dat") << command << Call::Close << 3 << QString() << EDQUOT << scratch;
        *row("rename over zumivok.dat")
            << command << Call::Rename << 1 << QString() << EROFS << scratch;
    }
}

void TestEditorFaults::failedStepIsReportedAndChangesNothing()
{
    QFETCH(Command, command);
    QFETCH(Call, call);
    QFETCH(int, nth);
    QFETCH(QString, onlyFor);
    QFETCH(int, error);
    QFETCH(QString, file);
    Program program(kContent);
    const qsizetype boxesBefore = command == Command::Delete ? 1 : 0; // the question

    QVERIFY(runTwice(
        program, command,
        [&] {
            program.files.onlyForPath(onlyFor);
            program.files.failOn(call, nth, error);
        },
        [&](EditorControls &editor) {
            QCOMPARE(program.dialogs.boxes().size(), boxesBefore + 1);
            const ScriptedDialogs::Box box = program.dialogs.boxes().last();
            QCOMPARE(box.style, 48);
            QVERIFY2(box.text.contains(program.catalogue.filePath(file)), qPrintable(box.text));
            QVERIFY2(box.text.contains(QString::fromLocal8Bit(std::strerror(error))),
                     qPrintable(box.text));

            QCOMPARE(program.catalogue.read(), kContent);
            QCOMPARE(program.catalogue.entries(), QStringList{"zumivok.dat"});
            QVERIFY(editor.window->isVisible());
            if (command == Command::Delete)
                editor.verifyShows(EditorMode::Edit, "SPARKIT", kSparkitText, "/pics/sparkit.png");
            else if (command == Command::Edit)
                editor.verifyShows(EditorMode::Edit, "SPARKIT", "7\r\nSeven.", "/pics/new.png");
            else
                editor.verifyShows(EditorMode::New, "nix", "7\r\nSeven.", "/pics/new.png");
        }));

    // The same click, with nothing failing, goes through.
    QCOMPARE(program.catalogue.read(), savedContent(command));
    QCOMPARE(program.catalogue.entries(), QStringList{"zumivok.dat"});
}

void TestEditorFaults::rewriteKeepsThePermissions_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<int>("mode");
    QTest::newRow("edit 640") << Command::Edit << 0640;
    QTest::newRow("delete 640") << Command::Delete << 0640;
    QTest::newRow("edit 600") << Command::Edit << 0600;
    QTest::newRow("edit 664") << Command::Edit << 0664;
}

void TestEditorFaults::rewriteKeepsThePermissions()
{
    QFETCH(Command, command);
    QFETCH(int, mode);
    Program program(kContent);
    QCOMPARE(::chmod(QFile::encodeName(program.catalogue.dataPath()).constData(), mode_t(mode)), 0);

    // The first click is made to fail before anything is written.
    QVERIFY(runTwice(
        program, command, [&] { program.files.failOn(Call::Write, 1, ENOSPC); },
        [&](EditorControls &) { QCOMPARE(modeOf(program.catalogue.dataPath()), mode); }));
    QCOMPARE(program.catalogue.read(), savedContent(command));
    QCOMPARE(modeOf(program.catalogue.dataPath()), mode);
}

void TestEditorFaults::readOnlyFileIsRefused_data()
{
    addEveryCommand();
}

// A data file the user may not write to is refused by every command in the
// same words, even where its directory would let a rename replace it.
void TestEditorFaults::readOnlyFileIsRefused()
{
    QFETCH(Command, command);
    Program program(kContent);
    const QString data = program.catalogue.dataPath();
    QCOMPARE(::chmod(QFile::encodeName(data).constData(), 0444), 0);
    QVERIFY(drive(program, command, [&](EditorControls &editor, QPushButton *button) {
        clickWith(program, button, [&] { program.files.refuseWritingTo("zumivok.dat"); });
        QVERIFY(editor.window->isVisible());
        click(editor.cancel);
        QCOMPARE(program.dialogs.boxes().size(), command == Command::Delete ? 2 : 1);
        QCOMPARE(program.dialogs.boxes().last().text,
                 "Could not open " + data + ": " + QString::fromLocal8Bit(std::strerror(EACCES))
                     + ".\r\n\r\nThe data file has not been changed.");
    }));
    QCOMPARE(program.catalogue.read(), kContent);
    QCOMPARE(modeOf(data), 0444);
    QCOMPARE(program.catalogue.entries(), QStringList{"zumivok.dat"});
}

void TestEditorFaults::leftoverScratchFileIsReplaced()
{
    // A file, or a link to another file, left under the scratch name is
    // removed, and the file a link points to is never written.
    for (const Command command : {Command::Edit, Command::Delete}) {
        for (const bool link : {false, true}) {
            Program program(kContent);
            const QString scratch = program.catalogue.filePath(QStringLiteral("temp.dat"));
            const QString other = program.catalogue.filePath(QStringLiteral("other.txt"));
            TempCatalogue::writeFile(other, "keep me");
            if (link)
                QVERIFY(QFile::link(other, scratch));
            else
                TempCatalogue::writeFile(scratch, "left over from an earlier run, longer than "
                                                  "the new content, which would show it");
            QVERIFY(runTwice(
                program, command, [&] { program.files.failOn(Call::Fsync, 1, EIO); },
                [&](EditorControls &) { QCOMPARE(program.catalogue.read(), kContent); }));
            QCOMPARE(program.catalogue.read(), savedContent(command));
            QCOMPARE(program.catalogue.entries(), QStringList({"other.txt", "zumivok.dat"}));
            QCOMPARE(TempCatalogue::readFile(other), QByteArray("keep me"));
        }
    }
}

void TestEditorFaults::writeIsSyncedAndRenamedOverInOneStep_data()
{
    addEveryCommand();
}

// New appends with one write to zumivok.dat; Edit and Delete write temp.dat
// and rename it over zumivok.dat, which is never removed on the way. Either
// way the written file is synced before it is closed.
void TestEditorFaults::writeIsSyncedAndRenamedOverInOneStep()
{
    QFETCH(Command, command);
    Program program(kContent);
    QStringList log;
    QVERIFY(drive(program, command, [&](EditorControls &, QPushButton *button) {
        clickWith(program, button, [] {});
        log = program.files.log();
    }));
    QCOMPARE(program.catalogue.read(), savedContent(command));

    const QStringList writes = log.filter(QRegularExpression(QStringLiteral("^write ")));
    QCOMPARE(writes.size(), 1);
    const QString fd = writes[0].mid(6);
    const qsizetype wrote = log.indexOf(writes[0]);
    const qsizetype synced = log.indexOf(QStringLiteral("fsync ") + fd, wrote);
    const qsizetype closed = log.indexOf(QStringLiteral("close ") + fd, wrote);
    QVERIFY2(wrote < synced && synced < closed, qPrintable(log.join(QLatin1String(", "))));

    const QString data = program.catalogue.dataPath();
    const QString scratch = program.catalogue.filePath(QStringLiteral("temp.dat"));
    QVERIFY(!log.contains(QStringLiteral("unlink ") + data));
    const QStringList renames = log.filter(QRegularExpression(QStringLiteral("^rename ")));
    if (command == Command::New) {
        QVERIFY(renames.isEmpty());
        QVERIFY(log.contains(QStringLiteral("open ") + data));
    } else {
        QCOMPARE(renames, QStringList{QStringLiteral("rename ") + scratch + " -> " + data});
        QVERIFY(log.indexOf(renames[0]) > closed);
    }
}

void TestEditorFaults::noFailingCallLeavesAnythingButTheOldOrTheNewFile_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("new") << Command::New << kContent;
    // The record goes past the end of the page where the file ends, so it is
    // appended through the scratch file.
    const QByteArray nearPageEnd = kContent + QByteArray(4076 - 2 - kContent.size(), 'x') + "\r\n";
    QTest::newRow("new, past the page's end") << Command::New << nearPageEnd;
    QTest::newRow("edit") << Command::Edit << kContent;
    QTest::newRow("delete") << Command::Delete << kContent;
}

// Every call that one click makes is failed in turn. Whatever fails, the data
// file is either as it was, with a box and the editor open, or as the click
// meant it to be, with no box and the editor hidden: an edited entry is never
// gone without its new record in place.
void TestEditorFaults::noFailingCallLeavesAnythingButTheOldOrTheNewFile()
{
    QFETCH(Command, command);
    QFETCH(QByteArray, content);
    QList<Call> kinds; // every kind the file layer has
    for (int kind = 0; kind < FailingFiles::kCalls; ++kind)
        kinds.append(Call(kind));

    QMap<Call, int> calls; // of each kind, in a click where nothing fails
    {
        Program clean(content);
        QVERIFY(drive(clean, command, [&](EditorControls &, QPushButton *button) {
            clickWith(clean, button, [] {});
            for (const Call kind : kinds)
                calls[kind] = clean.files.count(kind);
        }));
        QCOMPARE(clean.catalogue.read(), savedContent(command, content));
    }
    QVERIFY(calls[Call::Write] > 0 && calls[Call::Fsync] > 0);
    // Only a new record within the file's last page is appended in place.
    QCOMPARE(calls[Call::Rename] > 0, command != Command::New || content != kContent);

    for (const Call kind : kinds) {
        for (int n = 1; n <= calls[kind]; ++n) {
            Program program(content);
            const QByteArray what = "call kind " + QByteArray::number(int(kind)) + ", number "
                                    + QByteArray::number(n);
            QVERIFY2(drive(program, command, [&](EditorControls &editor, QPushButton *button) {
                clickWith(program, button, [&] { program.files.failOn(kind, n, EIO); });
                // A folder that cannot be synced after the rename only warns.
                qsizetype failures = 0;
                for (const ScriptedDialogs::Box &box : program.dialogs.boxes())
                    failures += box.style == 48 && !box.text.startsWith("The change is saved");
                QCOMPARE(program.catalogue.entries(), QStringList{"zumivok.dat"});
                if (editor.window->isVisible()) {
                    QCOMPARE(program.catalogue.read(), content);
                    QCOMPARE(failures, 1);
                    click(editor.cancel);
                } else {
                    QCOMPARE(program.catalogue.read(), savedContent(command, content));
                    QCOMPARE(failures, 0);
                }
            }), what.constData());
        }
    }
}

QTEST_MAIN(TestEditorFaults)
#include "test_editor_faults.moc"
