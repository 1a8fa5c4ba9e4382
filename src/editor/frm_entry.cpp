#include "editor/frm_entry.h"

#include "editor/entry_window.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "store/data_file.h"
#include "store/rewrite.h"

#include <QLabel>
#include <QLineEdit>

using namespace zumivok;

namespace {

const QString kCantDoThat = QStringLiteral("Can't do that...");
const QString kNoData = QStringLiteral("You have to enter something for the 'Entry Data.'");
const QString kTildeName = QStringLiteral("The Entry Name cannot start with a ~.");
const QString kNoName = QStringLiteral("You must type in something for the Entry Name.");
const QString kNameExists =
    QStringLiteral("The Entry Name already exists.  Try editing that enty instead.");
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

QString describe(const RecordProblem &problem)
{
    using Kind = RecordProblem::Kind;
    switch (problem.kind) {
    case Kind::LineBreakInName:
        return QStringLiteral("The Entry Name cannot hold a line break.");
    case Kind::LineBreakInPicture:
        return QStringLiteral("The picture's path cannot hold a line break.");
    case Kind::MarkerInData:
        return QStringLiteral("No line of the Entry Data can start with \"~Begin Entry\" or "
                              "\"~End Entry\":\r\n%1")
            .arg(problem.detail);
    case Kind::UnencodableCharacter:
        break;
    }
    using Field = RecordProblem::Field;
    const QString field = problem.field == Field::Name   ? QStringLiteral("Entry Name")
                          : problem.field == Field::Data ? QStringLiteral("Entry Data")
                                                         : QStringLiteral("picture's path");
    const char16_t code = problem.detail.isEmpty() ? 0 : problem.detail.front().unicode();
    const QString codeText = QString::number(code, 16).toUpper().rightJustified(4, u'0');
    return QStringLiteral("The character \"%1\" (U+%2) in the %3 cannot be stored in the data "
                          "file.")
        .arg(problem.detail, codeText, field);
}

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
    Dialogs &dialogs = m_services.dialogs;
    QWidget *parent = &window();
    const QString typedName = txtEntry()->text();
    const QString data = txtData()->text();
    const QString picture = lblPicName()->text();
    const QString name = storedName(typedName);

    // All three tests run, each failing one with its own box.
    bool rejected = false;
    if (data.isEmpty()) {
        dialogs.messageBox(parent, kNoData, QString(), Dialogs::OkOnly);
        rejected = true;
    }
    if (typedName.startsWith(QLatin1Char('~'))) {
        dialogs.messageBox(parent, kTildeName, kCantDoThat, Dialogs::Information);
        rejected = true;
    }
    if (name.isEmpty()) {
        dialogs.messageBox(parent, kNoName, kCantDoThat, Dialogs::Information);
        rejected = true;
    }
    if (rejected)
        return;

    // A record that would not read back as itself is refused before anything is written.
    if (const std::optional<RecordProblem> problem = checkRecord(name, picture, data)) {
        dialogs.messageBox(parent, describe(*problem), kCantDoThat, Dialogs::Information);
        return;
    }

    DataFile file = dataFile();
    if (m_mode == Mode::New) {
        // The name is compared as it will be stored, so that a surrounding
        // blank cannot make a second record of one name.
        const Outcome<bool> exists = whileBusy([&] { return file.containsName(name); });
        if (!exists.ok()) {
            reportFailure(*exists.error);
            return;
        }
        if (exists.value) {
            dialogs.messageBox(parent, kNameExists, kCantDoThat, Dialogs::Information);
            return;
        }
    }

    const QByteArray record = recordBytes(name, picture, data);
    // Edit mode replaces the old record in one step, so that no failure can
    // leave the entry removed and not added again.
    const std::optional<StoreError> failed = whileBusy([&] {
        return m_mode == Mode::Edit ? file.replaceEntry(typedName, record) : file.append(record);
    });
    if (failed) {
        reportFailure(*failed);
        if (!failed->changeMade())
            return;
    }
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
