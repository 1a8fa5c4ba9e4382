#include "support/program.h"

#include "editor/frm_entry.h"
#include "platform/controls.h"
#include "platform/files.h"
#include "support/modal.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace zumivok::test {

void click(QWidget *button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

void typeInto(QWidget *box, const QString &text)
{
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    for (const QChar c : text) {
        if (c == QLatin1Char('\n'))
            QTest::keyClick(box, Qt::Key_Return);
        else if (c.unicode() >= 0x20 && c.unicode() < 0x7F)
            QTest::keyClick(box, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void pasteInto(QWidget *box, const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
}

EditorControls::EditorControls(QWidget *shown)
    : window(shown),
      picEdit(control<QPushButton>(shown, "cmdPicEdit")),
      name(control<QLineEdit>(shown, "txtEntry")),
      data(control<TextBox>(shown, "txtData")),
      done(control<QPushButton>(shown, "cmdDone")),
      erase(control<QPushButton>(shown, "cmdErase")),
      picName(control<QLabel>(shown, "lblPicName")),
      help(control<QPushButton>(shown, "cmdHelp")),
      cancel(control<QPushButton>(shown, "cmdCancel"))
{
}

void EditorControls::verifyShows(EditorMode mode, const QString &nameText,
                                 const QString &dataText, const QString &pictureText) const
{
    const bool edit = mode == EditorMode::Edit;
    QCOMPARE(window->windowTitle(), edit ? QStringLiteral("ZumiVok Data Entry - Edit")
                                         : QStringLiteral("ZumiVok Data Entry - New"));
    QCOMPARE(name->isReadOnly(), edit);
    QCOMPARE(name->text(), nameText);
    QCOMPARE(data->text(), dataText);
    QCOMPARE(picName->text(), pictureText);
}

namespace {

// Makes a directory current for as long as it lives.
class CurrentDirectory
{
public:
    explicit CurrentDirectory(const QString &path) : m_previous(currentDirectory())
    {
        if (::chdir(encodePath(path).constData()) != 0)
            qFatal("cannot change to %s", qPrintable(path));
    }
    ~CurrentDirectory()
    {
        [[maybe_unused]] const int back = ::chdir(encodePath(m_previous).constData());
    }
    CurrentDirectory(const CurrentDirectory &) = delete;
    CurrentDirectory &operator=(const CurrentDirectory &) = delete;

private:
    QString m_previous;
};

} // namespace

Program::Program(const std::optional<QByteArray> &content, const QByteArray &folder)
{
    QString data = catalogue.directory();
    if (!folder.isEmpty()) {
        data += QLatin1Char('/') + decodePath(folder);
        if (::mkdir(encodePath(data).constData(), 0700) != 0)
            qFatal("cannot make the folder %s", folder.constData());
    }
    if (content)
        TempCatalogue::writeFile(data + QStringLiteral("/zumivok.dat"), *content);
    {
        const CurrentDirectory inData(data);
        directory = currentDirectory();
        window = std::make_unique<frmVok>(Services{files, dialogs, pictures});
    }
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qFatal("the main window was never shown");
}

// QTemporaryDir cannot remove a folder whose name is not UTF-8; the folder
// made here goes by its bytes.
Program::~Program()
{
    window.reset();
    if (directory == catalogue.directory())
        return;
    for (const char *name : {"/zumivok.dat", "/temp.dat"})
        ::unlink(encodePath(directory + QLatin1String(name)).constData());
    ::rmdir(encodePath(directory).constData());
}

void Program::typeSearch(const QString &text) const
{
    QLineEdit *box = input();
    click(box);
    typeInto(box, text);
}

void Program::search(const QString &name) const
{
    typeSearch(name);
    click(button("cmdSearch"));
}

void Program::enterSearch(const QString &name) const
{
    typeSearch(name);
    QTest::keyClick(input(), Qt::Key_Return);
}

Program::Opening Program::open(QAnyStringView opener,
                               const std::function<void(EditorControls &)> &action) const
{
    ModalDriver driver([&](QWidget *modal) {
        EditorControls editor(modal);
        action(editor);
    });
    click(button(opener));
    return {driver.ran(), driver.timedOut()};
}

Fixture::Fixture(const std::optional<QByteArray> &content)
    : Program(content), startUpPicture(pictureBox()->picture())
{
}

bool Fixture::showActive() const
{
    window->show();
    QApplication::setActiveWindow(window.get());
    return QTest::qWaitForWindowActive(window.get());
}

int Fixture::dataFileOpens() const
{
    const QStringList opens = files.log().filter(QStringLiteral("open "));
    return int(opens.filter(QStringLiteral("zumivok.dat")).size());
}

QString Fixture::writePicture(const QString &name, const QColor &colour, QSize size) const
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = catalogue.filePath(name);
    if (!image.save(path))
        qWarning("cannot write %s", qPrintable(path));
    return path;
}

} // namespace zumivok::test
