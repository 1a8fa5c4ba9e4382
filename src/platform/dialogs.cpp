#include "platform/dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace zumivok {

namespace {

// The low four bits of a style pick the buttons, the next four the icon.
constexpr int kButtonBits = 0x0F;
constexpr int kIconBits = 0xF0;

QMessageBox::Icon iconFor(int style)
{
    switch (style & kIconBits) {
    case Dialogs::Critical:
        return QMessageBox::Critical;
    case Dialogs::Exclamation:
        return QMessageBox::Warning;
    case Dialogs::Information:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

int QtDialogs::messageBox(QWidget *parent, const QString &text, const QString &title, int style)
{
    const bool yesNo = (style & kButtonBits) == YesNo;

    QMessageBox box(parent);
    box.setWindowTitle(title.isEmpty() ? kApplicationTitle.toString() : title);
    box.setText(text);
    // Texts are shown as given: a '<' in an entry name must not turn into markup.
    box.setTextFormat(Qt::PlainText);
    box.setIcon(iconFor(style));
    if (!yesNo) {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.exec();
        return Ok;
    }
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    // The first button is the default, as on the system this program came from.
    box.setDefaultButton(QMessageBox::Yes);
    // Only a click on Yes (or Enter or Space on it) says Yes. Escape, the
    // title bar's close button, or a box closed in any other way says No.
    bool yesClicked = false;
    QObject::connect(box.button(QMessageBox::Yes), &QAbstractButton::clicked, &box,
                     [&yesClicked] { yesClicked = true; });
    box.exec();
    return yesClicked ? Yes : No;
}

std::optional<QString> QtDialogs::openFileName(QWidget *parent)
{
    // No caption, start directory or filter: every file is offered. Qt's
    // dialog, unlike the Windows one, leaves the current directory alone, so
    // the data directory cannot move under the program.
    const QString chosen = QFileDialog::getOpenFileName(parent);
    if (chosen.isEmpty())
        return std::nullopt;
    return QFileInfo(chosen).absoluteFilePath();
}

} // namespace zumivok
