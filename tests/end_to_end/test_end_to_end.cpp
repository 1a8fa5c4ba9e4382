// A catalogue built from nothing through the windows alone, as a user would:
// New Entry, typing, Add Picture, Done; look-up, Edit Entry, Done; Delete
// Entry; Alpha Sort; and every byte of the file along the way.

#include "editor/frm_entry.h"
#include "main_window/frm_vok.h"
#include "platform/controls.h"
#include "platform/files.h"
#include "platform/pictures.h"
#include "support/modal.h"
#include "support/scripted_dialogs.h"
#include "support/temp_catalogue.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace zumivok;
using namespace zumivok::test;

namespace {

void clickIn(QWidget *window, const char *name)
{
    auto *button = window->findChild<QPushButton *>(QLatin1String(name));
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
}

// Replaces a box's text by typing, as the user would after selecting all;
// each line after the first is begun with the Return key.
void retype(QWidget *box, const QStringList &lines)
{
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(box, Qt::Key_Return);
        for (const QChar c : lines[i]) {
            // QTest knows keys for ASCII only; other characters come as typed text.
            if (c.unicode() < 0x80)
                QTest::keyClick(box, c.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

} // namespace

class EndToEndTest : public QObject
{
    Q_OBJECT

    TempCatalogue m_catalogue;
    Files m_files;
    ScriptedDialogs m_dialogs;
    PictureLoader m_pictures;
    QString m_previousDirectory;
    std::unique_ptr<frmVok> m_window;

    template <typename T>
    T *control(const char *name) const
    {
        return m_window->findChild<T *>(QLatin1String(name));
    }
    QString output() const { return control<TextBox>("txtOutput")->text(); }

    // Opens the editor with one of the main window's buttons and lets
    // action work in it; fails when the editor did not open or stayed open.
    void inEditor(const char *opener, const std::function<void(QWidget *)> &action)
    {
        ModalDriver driver(action);
        clickIn(m_window.get(), opener);
        QVERIFY2(driver.ran(), "the editor did not open");
        QVERIFY2(!driver.timedOut(), "the editor stayed open");
    }

    void addEntry(const QString &name, const QStringList &data,
                  const std::optional<QString> &picture)
    {
        if (picture)
            m_dialogs.chooseNext(*picture);
        inEditor("cmdNew", [&](QWidget *editor) {
            retype(editor->findChild<QLineEdit *>("txtEntry"), {name});
            retype(editor->findChild<QWidget *>("txtData"), data);
            if (picture)
                clickIn(editor, "cmdPicEdit");
            clickIn(editor, "cmdDone");
        });
    }

    void search(const QString &name)
    {
        auto *input = control<QLineEdit>("txtInput");
        retype(input, {name});
        QTest::keyClick(input, Qt::Key_Return);
    }

private slots:
    void initTestCase()
    {
        m_previousDirectory = QDir::currentPath();
        QDir::setCurrent(m_catalogue.directory());
        m_window = std::make_unique<frmVok>(Services{m_files, m_dialogs, m_pictures});
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanupTestCase()
    {
        m_window.reset();
        QDir::setCurrent(m_previousDirectory);
    }

    void buildsACatalogueFromNothing()
    {
        QVERIFY(!m_catalogue.exists());
        search(QStringLiteral("sparkit"));
        QCOMPARE(output(), QStringLiteral("Entry not found."));

        QImage picture(20, 10, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        const QString picturePath = m_catalogue.filePath(QStringLiteral("sparkit.png"));
        QVERIFY(picture.save(picturePath));

        addEntry(QStringLiteral(" sparkit "), {"25", "An electric mouse."}, picturePath);
        addEntry(QStringLiteral("glimmerée"), {"7"}, std::nullopt);
        // The picture label carries over from the last entry into New mode.
        QCOMPARE(m_catalogue.read(),
                 record("SPARKIT", picturePath.toUtf8(), {"25", "An electric mouse."})
                     + record("GLIMMER\xC9" "E", picturePath.toUtf8(), {"7"}));
        QVERIFY(m_dialogs.boxes().isEmpty());

        search(QStringLiteral("Sparkit"));
        QCOMPARE(output(), QStringLiteral("25\r\nAn electric mouse.\r\n"));
        QCOMPARE(control<PictureBox>("picOutput")->picture().pixelColor(5, 5), QColor(Qt::blue));
        QCOMPARE(m_window->entryNumber(), qint64(1));
    }

    void editsAnEntryWhichMovesToTheEnd()
    {
        inEditor("cmdEdit", [](QWidget *editor) {
            auto *data = editor->findChild<QWidget *>("txtData");
            data->setFocus();
            QTest::keyClick(data, Qt::Key_End, Qt::ControlModifier);
            QTest::keyClicks(data, QStringLiteral("Fast."));
            clickIn(editor, "cmdDone");
        });
        const QByteArray picture = m_catalogue.filePath(QStringLiteral("sparkit.png")).toUtf8();
        QCOMPARE(m_catalogue.read(),
                 record("GLIMMER\xC9" "E", picture, {"7"})
                     + record("SPARKIT", picture, {"25", "An electric mouse.", "Fast."}));

        clickIn(m_window.get(), "cmdTopic");
        QCOMPARE(output(), QStringLiteral("GLIMMERÉE\r\nSPARKIT\r\n"));
    }

    void sortsThenDeletesWithConfirmation()
    {
        clickIn(m_window.get(), "cmdAlpha");
        QCOMPARE(output(), QStringLiteral("Entries have been sorted by name."));
        clickIn(m_window.get(), "cmdTopic");
        QCOMPARE(output(), QStringLiteral("GLIMMERÉE\r\nSPARKIT\r\n"));

        search(QStringLiteral("glimmerÉe"));
        m_dialogs.answerNext(Dialogs::Yes);
        inEditor("cmdEdit", [](QWidget *editor) { clickIn(editor, "cmdErase"); });
        QCOMPARE(m_dialogs.boxes().last().text,
                 QStringLiteral("Are you sure you want to delete the entry GLIMMERÉE?"));

        const QByteArray picture = m_catalogue.filePath(QStringLiteral("sparkit.png")).toUtf8();
        QCOMPARE(m_catalogue.read(),
                 "// DO NOT EDIT THIS FILE\r\n"
                     + record("SPARKIT", picture, {"25", "An electric mouse.", "Fast."}));
        QCOMPARE(m_catalogue.entries(), (QStringList{"sparkit.png", "zumivok.dat"}));
        // The main window still shows the deleted entry until it is looked up again.
        QCOMPARE(output(), QStringLiteral("7\r\n"));
        search(QStringLiteral("glimmerÉe"));
        QCOMPARE(output(), QStringLiteral("Entry not found."));
    }
};

QTEST_MAIN(EndToEndTest)
#include "test_end_to_end.moc"
