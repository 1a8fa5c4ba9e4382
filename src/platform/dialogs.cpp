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
    if (yesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        // The first button is the default, as on the system this program came from.
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
    }
    box.exec();

    // Escape or the title bar's close button answers No in a Yes/No box
    // (QMessageBox makes No the escape button), Ok otherwise.
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
        return Yes;
    case QMessageBox::No:
        return No;
    case QMessageBox::Ok:
        return Ok;
    default:
        return yesNo ? No : Ok;
    }
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
