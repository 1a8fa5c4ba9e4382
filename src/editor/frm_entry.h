#pragma once

#include "platform/services.h"
#include "store/store_error.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class QLabel;
class QLineEdit;
class EntryWindow;

namespace zumivok {
class DataFile;
class TextBox;
} // namespace zumivok

// The entry editor: one object from start-up to the end, whose window is
// loaded at first use, hidden after Cancel, Done and Delete Entry (so its
// controls keep their contents) and unloaded by its title-bar close and by
// the sort. Its data directory outlives the window.
class frmEntry : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmEntry)

public:
    // What the editor was opened for; its caption names it. A window loaded
    // afresh bears the design caption and is opened for neither.
    enum class Mode { None, New, Edit };

    frmEntry(const zumivok::Services &services, QWidget *owner);
    ~frmEntry() override;

    void Get_Path(const QString &dataPath);
    const QString &dataPath() const { return DataPath; }

    // Removes every record whose name matches txtEntry, ignoring case.
    [[nodiscard]] std::optional<zumivok::StoreError> Erase_entry();

    // The window and its controls; the first access loads the window.
    EntryWindow &window();
    bool isLoaded() const { return !m_window.isNull(); }
    QString caption();
    // Sets the mode and the caption that names it; loads the window.
    void setMode(Mode mode);
    QLineEdit *txtEntry();
    zumivok::TextBox *txtData();
    QLabel *lblPicName();

    // Shows the window modally; returns when it is hidden or closed.
    void showModal();
    void hide();
    void unload();

    void cmdCancel_Click();
    void cmdDone_Click();
    void cmdErase_Click();
    void cmdPicEdit_Click();
    void cmdHelp_Click();

private:
    zumivok::DataFile dataFile() const;
    void reportFailure(const zumivok::StoreError &error);

    zumivok::Services m_services;
    QWidget *m_owner;
    QString DataPath;
    Mode m_mode = Mode::None;
    QPointer<EntryWindow> m_window;
};
