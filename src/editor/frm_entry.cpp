#include "editor/frm_entry.h"

#include "editor/entry_window.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "store/data_file.h"

#include <QLabel>
#include <QLineEdit>

using namespace zumivok;

namespace {

// The program's own texts, with their original spelling ("it's number"):
// users know them so, and the tests hold them to every character. Leave them
// as they are.
const QString kCantDoThat = QStringLiteral("Can't do that...");
const QString kDeleteQuestion = QStringLiteral("Are you sure you want to delete the entry ");
const QString kDeleteTitle = QStringLiteral("Whoa, there!");
const QString kHelpTitle = QStringLiteral("If it's a Zumling...");
const QString kHelpText = QStringLiteral(
    "If this is a Zumling, be sure to put it's number on the top line of the 'Entry Data' text "
    "box all by itself. Here is Sparkit as an example:"
    "\r\n\r\n"
    "25"
    "\r\n"
    "Our favorite Zumling.  An electric mouse.  Uses the familiar attack known as Voltlash.  "
    "Also uses speed to evade its enemies."
    "\r\n\r\n"
    "This will allow the Numeric Sort to work.");

} // namespace

frmEntry::frmEntry(const Services &services, QWidget *owner)
    : QObject(nullptr), m_services(services), m_owner(owner)
{
}

frmEntry::~frmEntry()
{
    unload();
}

void frmEntry::Get_Path(const QString &dataPath)
{
    DataPath = dataPath;
}

EntryWindow &frmEntry::window()
{
    if (m_window.isNull()) {
        m_window = new EntryWindow(m_owner);
        connect(m_window->cmdCancel, &QPushButton::clicked, this, &frmEntry::cmdCancel_Click);
        connect(m_window->cmdDone, &QPushButton::clicked, this, &frmEntry::cmdDone_Click);
        connect(m_window->cmdErase, &QPushButton::clicked, this, &frmEntry::cmdErase_Click);
        connect(m_window->cmdPicEdit, &QPushButton::clicked, this, &frmEntry::cmdPicEdit_Click);
        connect(m_window->cmdHelp, &QPushButton::clicked, this, &frmEntry::cmdHelp_Click);
    }
    return *m_window;
}

QString frmEntry::caption()
{
    return window().windowTitle();
}

void frmEntry::setMode(Mode mode)
{
    window().setWindowTitle(mode == Mode::New ? QStringLiteral("ZumiVok Data Entry - New")
                                              : QStringLiteral("ZumiVok Data Entry - Edit"));
    m_mode = mode;
}

QLineEdit *frmEntry::txtEntry()
{
    return window().txtEntry;
}

TextBox *frmEntry::txtData()
{
    return window().txtData;
}

QLabel *frmEntry::lblPicName()
{
    return window().lblPicName;
}

void frmEntry::showModal()
{
    EntryWindow &shown = window();
    shown.exec();
    // Closing through the title bar unloads the window: the next opening
    // starts from the design values.
    if (!m_window.isNull() && m_window->closedByTitleBar())
        unload();
}

void frmEntry::hide()
{
    if (!m_window.isNull())
        m_window->hide();
}

void frmEntry::unload()
{
    m_mode = Mode::None;
    delete m_window.data();
}

std::optional<StoreError> frmEntry::Erase_entry()
{
    return dataFile().erase(txtEntry()->text());
}

void frmEntry::cmdCancel_Click()
{
    hide();
}

void frmEntry::cmdDone_Click()
{
    const DataFile::SaveMode mode =
        m_mode == Mode::Edit ? DataFile::SaveMode::Edit : DataFile::SaveMode::New;
    const SaveAnswer answer = whileBusy([&] {
        return dataFile().save(mode, txtEntry()->text(), lblPicName()->text(), txtData()->text());
    });
    // The empty data box has a plain box of its own; the other refusals say
    // what cannot be done.
    for (const SaveRefusal &refusal : answer.refusals) {
        if (refusal.kind == SaveRefusal::Kind::NoData)
            m_services.dialogs.messageBox(&window(), refusal.text, QString(), Dialogs::OkOnly);
        else
            m_services.dialogs.messageBox(&window(), refusal.text, kCantDoThat,
                                          Dialogs::Information);
    }
    if (answer.error)
        reportFailure(*answer.error);
    if (!answer.storedName.isEmpty())
        hide();
}

void frmEntry::cmdErase_Click()
{
    if (m_mode != Mode::Edit)
        return;
    const int answer = m_services.dialogs.messageBox(
        &window(), kDeleteQuestion + txtEntry()->text() + QLatin1Char('?'), kDeleteTitle,
        Dialogs::YesNo);
    if (answer != Dialogs::Yes)
        return;
    if (const std::optional<StoreError> failed = whileBusy([this] { return Erase_entry(); })) {
        reportFailure(*failed);
        if (!failed->changeMade())
            return;
    }
    hide();
}

void frmEntry::cmdPicEdit_Click()
{
    if (const std::optional<QString> path = m_services.dialogs.openFileName(&window()))
        lblPicName()->setText(*path);
}

void frmEntry::cmdHelp_Click()
{
    m_services.dialogs.messageBox(&window(), kHelpText, kHelpTitle, Dialogs::OkOnly);
}

// After a failure the editor stays open with all its contents, and the data
// file is as it was; after a change that was made all the same, only the
// warning is shown.
void frmEntry::reportFailure(const StoreError &error)
{
    const QString unchanged = error.changeMade()
        ? QString()
        : QStringLiteral("\r\n\r\nThe data file has not been changed.");
    m_services.dialogs.messageBox(&window(), error.describe() + unchanged, QString(),
                                  Dialogs::Exclamation);
}

DataFile frmEntry::dataFile() const
{
    return DataFile(m_services.files, DataPath);
}
