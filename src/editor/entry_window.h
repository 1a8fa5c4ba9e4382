#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace zumivok {
class SolidButton;
class TextBox;
} // namespace zumivok

// The editor's window with its controls at their design values. It has no
// key handling of its own: Escape and Enter press no button.
class EntryWindow : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EntryWindow)

public:
    explicit EntryWindow(QWidget *owner);

    bool closedByTitleBar() const { return m_closedByTitleBar; }

    zumivok::SolidButton *cmdPicEdit = nullptr;
    QLineEdit *txtEntry = nullptr;
    QLabel *lblEntry = nullptr;
    zumivok::TextBox *txtData = nullptr;
    QLabel *lblData = nullptr;
    zumivok::SolidButton *cmdDone = nullptr;
    zumivok::SolidButton *cmdErase = nullptr;
    QLabel *lblPicName = nullptr;
    zumivok::SolidButton *cmdHelp = nullptr;
    zumivok::SolidButton *cmdCancel = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool m_closedByTitleBar = false;
};
