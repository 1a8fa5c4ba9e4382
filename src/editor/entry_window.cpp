#include "editor/entry_window.h"

#include "platform/controls.h"

#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

using namespace zumivok;

namespace {

QLabel *makeLabel(const char *name, const QString &caption, const QRect &place, Fit fit,
                  QWidget *parent)
{
    auto *label = new CaptionLabel(caption, fit, parent); // plain text: a path is never markup
    label->setObjectName(QLatin1String(name));
    label->setGeometry(place);
    paintBackground(label, kRed);
    return label;
}

SolidButton *makeButton(const char *name, const QString &caption, const QColor &face,
                        const QRect &place, QWidget *parent)
{
    auto *button = new SolidButton(caption, face, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(place);
    return button;
}

} // namespace

EntryWindow::EntryWindow(QWidget *owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("ZumiVok Data Entry"));
    setWindowIcon(QIcon(QStringLiteral(":/zumivok.ico")));
    fixWindowSize(this, {348, 327});
    setModal(true);

    // Labels first, so that the boxes they overlap by a pixel stay on top.
    lblEntry = makeLabel("lblEntry", tr("Entry Name:"), {0, 8, 105, 17}, Fit::Whole, this);
    lblData = makeLabel("lblData", tr("Entry Data:"), {0, 56, 105, 17}, Fit::Whole, this);
    // A long path is cut off at the right edge; the label still holds all of it.
    lblPicName = makeLabel("lblPicName", QStringLiteral("No picture"), {144, 48, 193, 17},
                           Fit::Height, this);
    lblPicName->setAccessibleDescription(tr("The entry's picture file"));

    cmdPicEdit = makeButton("cmdPicEdit", tr("Add Picture"), kCyan, {144, 8, 81, 33}, this);

    txtEntry = new LineBox(QString(), this);
    txtEntry->setObjectName(QStringLiteral("txtEntry"));
    txtEntry->setGeometry(0, 24, 137, 19);
    // No limit: a cut name would make Done and Delete Entry miss the entry.
    txtEntry->setMaxLength(std::numeric_limits<int>::max());
    txtEntry->setAccessibleName(tr("Entry Name"));
    txtEntry->setAccessibleDescription(tr("The name of the entry, locked while it is edited"));
    lblEntry->setBuddy(txtEntry);

    txtData = new TextBox(this);
    txtData->setObjectName(QStringLiteral("txtData"));
    txtData->setGeometry(0, 72, 337, 177);
    txtData->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtData->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtData->setTabChangesFocus(true);
    txtData->setText(QStringLiteral("Enter the text data for the entry here"));
    txtData->setAccessibleName(tr("Entry Data"));
    txtData->setAccessibleDescription(tr("The text of the entry; a Zumling's number goes alone "
                                         "on the first line"));
    lblData->setBuddy(txtData);

    cmdDone = makeButton("cmdDone", tr("Done"), kCyan, {272, 288, 73, 33}, this);
    cmdErase = makeButton("cmdErase", tr("Delete Entry"), kYellow, {128, 288, 73, 33}, this);
    cmdHelp = makeButton("cmdHelp", tr("Help"), kCyan, {8, 288, 57, 33}, this);
    cmdCancel = makeButton("cmdCancel", tr("Cancel"), kCyan, {208, 288, 57, 33}, this);

    cmdPicEdit->setAccessibleDescription(tr("Chooses a picture file for the entry"));
    cmdDone->setAccessibleDescription(tr("Saves the entry and closes the window"));
    cmdErase->setAccessibleDescription(tr("Deletes the entry of this name from the catalogue"));

    const QList<QWidget *> tabOrder{cmdPicEdit, txtEntry, txtData, cmdDone,
                                    cmdErase, cmdHelp, cmdCancel};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    cmdPicEdit->setFocus();
}

void EntryWindow::paintEvent(QPaintEvent *)
{
    fillBackground(this, kRed);
}

void EntryWindow::closeEvent(QCloseEvent *event)
{
    m_closedByTitleBar = true;
    QDialog::closeEvent(event);
}

void EntryWindow::keyPressEvent(QKeyEvent *event)
{
    // No default or cancel button: Enter and Escape press nothing here.
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
