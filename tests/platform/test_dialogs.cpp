#include "platform/dialogs.h"
#include "support/modal.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using zumivok::Dialogs;
using zumivok::QtDialogs;
using zumivok::test::ModalDriver;

namespace {

struct SeenBox
{
    bool seen = false;
    QString title;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void messageBoxShowsStyleAndAnswers_data();
    void messageBoxShowsStyleAndAnswers();
    void openFileNameGivesTheChosenFullPath();
    void openFileNameGivesNothingOnCancel();
};

void TestDialogs::messageBoxShowsStyleAndAnswers_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("how"); // "click" the button press, or close the box another way
    QTest::addColumn<int>("press"); // the standard button to click
    QTest::addColumn<QString>("expectedTitle");
    QTest::addColumn<int>("expectedButtons");
    QTest::addColumn<int>("expectedIcon");
    QTest::addColumn<int>("expectedAnswer");

    const int ok = QMessageBox::Ok;
    const int yesNo = QMessageBox::Yes | QMessageBox::No;
    const int noIcon = QMessageBox::NoIcon;
    QTest::newRow("0, no title") << 0 << QString() << "click" << ok << "ZumiVok" << ok << noIcon
                                 << int(Dialogs::Ok);
    QTest::newRow("0, own title") << 0 << "If it's a Zumling..." << "click" << ok
                                  << "If it's a Zumling..." << ok << noIcon << int(Dialogs::Ok);
    QTest::newRow("4, yes") << 4 << "Warning!" << "click" << int(QMessageBox::Yes) << "Warning!"
                            << yesNo << noIcon << int(Dialogs::Yes);
    QTest::newRow("4, no") << 4 << QString() << "click" << int(QMessageBox::No) << "ZumiVok"
                           << yesNo << noIcon << int(Dialogs::No);
    QTest::newRow("16") << 16 << QString() << "click" << ok << "ZumiVok" << ok
                        << int(QMessageBox::Critical) << int(Dialogs::Ok);
    QTest::newRow("48") << 48 << QString() << "click" << ok << "ZumiVok" << ok
                        << int(QMessageBox::Warning) << int(Dialogs::Ok);
    QTest::newRow("64") << 64 << QString() << "click" << ok << "ZumiVok" << ok
                        << int(QMessageBox::Information) << int(Dialogs::Ok);
    QTest::newRow("4 + 48") << 52 << QString() << "click" << int(QMessageBox::Yes) << "ZumiVok"
                            << yesNo << int(QMessageBox::Warning) << int(Dialogs::Yes);
    // Enter presses the default button, Yes; any way out without a button is No.
    for (const char *how : {"Enter", "Escape", "close", "reject"}) {
        const bool enter = QByteArray(how) == "Enter";
        QTest::newRow(qPrintable(QStringLiteral("4, ") + QLatin1String(how)))
            << 4 << QString() << how << 0 << "ZumiVok" << yesNo << noIcon
            << int(enter ? Dialogs::Yes : Dialogs::No);
    }
}

void TestDialogs::messageBoxShowsStyleAndAnswers()
{
    QFETCH(int, style);
    QFETCH(QString, title);
    QFETCH(QString, how);
    QFETCH(int, press);
    // Markup and both kinds of line break must reach the box as they are.
    const QString text = QStringLiteral("<b>SPARKIT</b> & co\r\n\r\nNext line");

    SeenBox seen;
    ModalDriver respond([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box) {
            static_cast<QDialog *>(modal)->reject();
            return;
        }
        seen = {true, box->windowTitle(), box->text(), box->textFormat(), box->icon(),
                box->standardButtons(), box->standardButton(box->defaultButton())};
        if (how == QLatin1String("click")) {
            if (QAbstractButton *button = box->button(QMessageBox::StandardButton(press)))
                button->click();
        } else if (how == QLatin1String("Enter")) {
            QTest::keyClick(box, Qt::Key_Return);
        } else if (how == QLatin1String("Escape")) {
            QTest::keyClick(box, Qt::Key_Escape);
        } else if (how == QLatin1String("close")) {
            box->close();
        } else {
            box->reject();
        }
        if (box->isVisible())
            box->done(-1);
    });
    QtDialogs dialogs;
    const int answer = dialogs.messageBox(nullptr, text, title, style);

    QVERIFY(seen.seen);
    QTEST(seen.title, "expectedTitle");
    QCOMPARE(seen.text, text);
    QCOMPARE(seen.format, Qt::PlainText);
    QTEST(int(seen.buttons), "expectedButtons");
    QTEST(int(seen.icon), "expectedIcon");
    QTEST(answer, "expectedAnswer");
    // Enter answers with the first button, Yes or OK.
    QCOMPARE(seen.defaultButton, (style & 4) ? QMessageBox::Yes : QMessageBox::Ok);
}

void TestDialogs::openFileNameGivesTheChosenFullPath()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString picture = dir.filePath(QStringLiteral("zumling picture.bmp"));
    QFile file(picture);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QString before = QDir::currentPath();

    bool wasFileDialog = false;
    ModalDriver choose([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        wasFileDialog = dialog != nullptr;
        if (dialog) {
            wasFileDialog = dialog->fileMode() == QFileDialog::ExistingFile
                            && dialog->nameFilters().join(QString()).contains('*');
            dialog->setDirectory(dir.path());
            dialog->selectFile(QStringLiteral("zumling picture.bmp"));
            static_cast<QDialog *>(dialog)->accept(); // QFileDialog::accept checks the file
        }
        if (modal->isVisible())
            static_cast<QDialog *>(modal)->reject();
    });
    QtDialogs dialogs;
    const std::optional<QString> chosen = dialogs.openFileName(nullptr);

    QVERIFY(wasFileDialog);
    QCOMPARE(chosen, std::optional<QString>(picture));
    QCOMPARE(QDir::currentPath(), before);
}

void TestDialogs::openFileNameGivesNothingOnCancel()
{
    bool seen = false;
    ModalDriver cancel([&](QWidget *modal) {
        seen = qobject_cast<QFileDialog *>(modal) != nullptr;
        static_cast<QDialog *>(modal)->reject();
    });
    QtDialogs dialogs;
    QCOMPARE(dialogs.openFileName(nullptr), std::nullopt);
    QVERIFY(seen);
}

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
