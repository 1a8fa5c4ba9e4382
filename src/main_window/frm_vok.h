#pragma once

#include "platform/services.h"
#include "store/records.h"
#include "store/store_error.h"

#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

class QLineEdit;
class frmEntry;

namespace zumivok {
class DataFile;
class Dialogs;
class Files;
class PictureBox;
class PictureLoader;
class SolidButton;
class TextBox;
} // namespace zumivok

// The main window: shows one entry's text and picture, looks entries up,
// steps through them, lists their names, sorts the file and opens the editor.
class frmVok : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmVok)

public:
    explicit frmVok(const zumivok::Services &services, QWidget *parent = nullptr);
    ~frmVok() override;

    // The window's state between commands.
    const QString &dataPath() const { return DataPath; }
    const QString &currentEntry() const { return CurrentEntry; }
    qint64 entryNumber() const { return EntryNumber; }
    const QString &picturePath() const { return PicturePath; }
    frmEntry &editor() const { return *m_editor; }

    // The handlers, named after control and event.
    void Form_KeyDown(int keyCode, Qt::KeyboardModifiers shift);
    void cmdExit_Click();
    void cmdSearch_Click();
    void cmdNext_Click();
    void cmdPrev_Click();
    void cmdTopic_Click();
    void cmdAlpha_Click();
    void cmdHelp_Click();
    void cmdVersion_Click();
    void cmdBat_Click();
    void cmdNumSort_Click();
    void cmdNew_Click();
    void cmdEdit_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void buildControls();
    void Form_Load();
    void step(int direction);
    void display(const zumivok::ShownEntry &entry);
    void showPicture(const QString &pictureLine);
    void report(const zumivok::StoreError &error);
    zumivok::DataFile dataFile() const;

    zumivok::Services m_services;
    std::unique_ptr<frmEntry> m_editor;

    QString DataPath;
    QString CurrentEntry;
    qint64 EntryNumber = 0;
    QString PicturePath;
    // The entry's own text as Search, Next or Previous last showed it, which
    // Edit Entry offers even after another command has replaced the display.
    QString m_entryText;

    zumivok::TextBox *txtOutput = nullptr;
    QLineEdit *txtInput = nullptr;
    zumivok::SolidButton *cmdNext = nullptr;
    zumivok::SolidButton *cmdPrev = nullptr;
    zumivok::SolidButton *cmdTopic = nullptr;
    zumivok::SolidButton *cmdBat = nullptr;
    zumivok::SolidButton *cmdEdit = nullptr;
    zumivok::SolidButton *cmdNew = nullptr;
    zumivok::SolidButton *cmdSearch = nullptr;
    zumivok::SolidButton *cmdHelp = nullptr;
    zumivok::SolidButton *cmdVersion = nullptr;
    zumivok::SolidButton *cmdExit = nullptr;
    zumivok::PictureBox *picOutput = nullptr;
    zumivok::SolidButton *cmdAlpha = nullptr;
    zumivok::SolidButton *cmdNumSort = nullptr;
};
