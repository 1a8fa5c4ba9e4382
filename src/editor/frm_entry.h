#pragma once

#include "main_window/frm_vok.h"
#include "store/store_error.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class QLabel;
class QLineEdit;
class EntryWindow;

// The entry editor: one object from start-up to the end, whose window is
// loaded at first use, hidden after Cancel, Done and Delete Entry (so its
// controls keep their contents) and unloaded by its title-bar close and by
// the sort. Its data directory outlives the window.
class frmEntry : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmEntry)

public:
    static inline const QString kNewCaption = QStringLiteral("ZumiVok Data Entry - New");
    static inline const QString kEditCaption = QStringLiteral("ZumiVok Data Entry - Edit");

    frmEntry(const zumivok::Services &services, QWidget *owner);
    ~frmEntry() override;

    void Get_Path(const QString &dataPath);
    const QString &dataPath() const { return DataPath; }

    // Removes every record whose name matches txtEntry, ignoring case.
    std::optional<zumivok::StoreError> Erase_entry();

    // The window and its controls; the first access loads the window.
    EntryWindow &window();
    bool isLoaded() const { return !m_window.isNull(); }
    QString caption();
    void setCaption(const QString &caption);
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
    QPointer<EntryWindow> m_window;
};
