#include "main_window/frm_vok.h"

#include "editor/frm_entry.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/pictures.h"
#include "store/data_file.h"

#include <QApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

using namespace zumivok;

namespace {

// The program's own texts, as they have always read ("click 'Edit.'",
// "display entry"): users know them so, and the tests hold them to every
// character. Leave them as they are.
const QString kCaption = QStringLiteral("ZumiVok \u00DF-2");
const QString kWelcome =
    QStringLiteral("Welcome to ZumiVok \u00DF-2 (Beta-Two)\r\n-\r\n-\r\nDon't forget to click 'Help'\r\n");
const QString kSearchPreset = QStringLiteral("Type entry to search for here");
const QString kNotFound = QStringLiteral("Entry not found.");
const QString kSorted = QStringLiteral("Entries have been sorted by name.");
const QString kSortWarning =
    QStringLiteral("This is going to take a while, so click OK, sit back, and relax.");
const QString kSortWarningTitle = QStringLiteral("Boring...");
const QString kNoEntryToEdit = QStringLiteral(
    "There is no valid entry selected to edit.\r\n\r\n"
    "Search and locate a real entry and *then* click 'Edit.'");
const QString kChartNotice =
    QStringLiteral("Again, in the interest of time, I've not finished this yet.  Hang on.");
const QString kNumSortNotice = QStringLiteral(
    "In the interest of getting this thing done today, I've not debugged the Numeric Sort yet.  "
    "It's deactivated right now.  It just chomps up the data file and spits out garbage (but "
    "it's sorted!).  The Alpha Sort works fine, though.");

const QString kHelpFirst = QStringLiteral(
    "- HELP -\r\n"
    "\r\n"
    "To look up an entry:\r\n"
    "Type a word in the white text box below and click 'Search'\r\n"
    "\r\n"
    "To add a new entry:\r\n"
    "1. Click 'New Entry'\r\n"
    "2. On the 'Data Entry' form, type in the name of the entry in the 'Entry Name:' text box\r\n"
    "3. On the 'Data Entry' form, type in the text data for the entry in the 'Entry Data:' text "
    "box\r\n"
    "4. On the 'Data Entry' form, click 'Add Picture' and select a picture to go with the "
    "entry\r\n"
    "5. On the 'Data Entry' form, click 'Done'\r\n"
    "\r\n");
const QString kHelpSecond = QStringLiteral(
    "To edit an existing entry:\r\n"
    "1. Search for and display entry\r\n"
    "2. Click 'Edit Entry'\r\n"
    "3. On the 'Data Entry' form, edit the text data for the entry in the 'Entry Data:' text "
    "box\r\n"
    "4. To change or add a picture, on the 'Data Entry' form, click 'Add Picture' and select a "
    "picture to go with the entry\r\n"
    "5. On the 'Data Entry' form, click 'Done'");

const QString kAboutFirst = QStringLiteral(
    "ZumiVok Beta-Two\r\n"
    "Copyright (c) 2026 the ZumiVok developers.  All rights reserved.\r\n"
    "\r\n"
    "You may give copies of this program to anyone, free of charge, as long as it stays "
    "unchanged.\r\n"
    "\r\n"
    "This version is almost complete.  It is completely working, but it doesn't look very good "
    "yet.  ZumiVok Gamma will be this same program, only it will look better.\r\n"
    "\r\n");
const QString kAboutSecond = QStringLiteral("This program may not be sold.");

constexpr int kEnterKeyCode = 13;

} // namespace

frmVok::frmVok(const Services &services, QWidget *parent)
    : QWidget(parent), m_services(services)
{
    // The icon and the start-up picture are compiled into this static library;
    // nothing else refers to them, so without this call the linker leaves
    // them out of the program and both windows come up without them.
    Q_INIT_RESOURCE(resources);
    buildControls();
    Form_Load();
}

frmVok::~frmVok() = default;

void frmVok::buildControls()
{
    // An application window, where a plain widget would read as a filler.
    presentAs<frmVok, QAccessible::Window>();
    setWindowTitle(kCaption);
    setWindowIcon(QIcon(QStringLiteral(":/zumivok.ico")));
    fixWindowSize(this, {463, 368});

    const auto button = [this](const char *name, const QString &caption, const QColor &face,
                               const QRect &place, void (frmVok::*handler)()) {
        auto *made = new SolidButton(caption, face, this);
        made->setObjectName(QLatin1String(name));
        made->setGeometry(place);
        connect(made, &QPushButton::clicked, this, handler);
        return made;
    };

    txtOutput = new TextBox(this);
    txtOutput->setObjectName(QStringLiteral("txtOutput"));
    txtOutput->setGeometry(240, 56, 217, 121);
    txtOutput->setReadOnly(true);
    txtOutput->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtOutput->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtOutput->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtOutput->setTabChangesFocus(true);
    QPalette onBlack = txtOutput->palette();
    onBlack.setColor(QPalette::Base, Qt::black);
    onBlack.setColor(QPalette::Text, Qt::white);
    txtOutput->setPalette(onBlack);
    txtOutput->setText(kWelcome);
    txtOutput->setAccessibleName(tr("Entry text"));
    txtOutput->setAccessibleDescription(
        tr("Shows the entry found, the list of names, the help and what each command answers"));

    txtInput = new LineBox(kSearchPreset, this);
    txtInput->setObjectName(QStringLiteral("txtInput"));
    txtInput->setGeometry(240, 304, 217, 19);
    // No limit: a cut name would make Edit and Delete miss the entry.
    txtInput->setMaxLength(std::numeric_limits<int>::max());
    txtInput->setAccessibleName(tr("Name to search for"));
    txtInput->setAccessibleDescription(tr("Press Enter to search for the entry of this name"));

    cmdNext = button("cmdNext", tr("Next"), kCyan, {240, 216, 73, 33}, &frmVok::cmdNext_Click);
    cmdPrev = button("cmdPrev", tr("Previous"), kCyan, {240, 184, 73, 33}, &frmVok::cmdPrev_Click);
    cmdTopic = button("cmdTopic", tr("Topic"), kCyan, {312, 184, 73, 33}, &frmVok::cmdTopic_Click);
    cmdBat = button("cmdBat", tr("Chart"), kCyan, {312, 216, 73, 33}, &frmVok::cmdBat_Click);
    cmdEdit = button("cmdEdit", tr("Edit Entry"), kCyan, {384, 184, 73, 33}, &frmVok::cmdEdit_Click);
    cmdNew = button("cmdNew", tr("New Entry"), kCyan, {384, 216, 73, 33}, &frmVok::cmdNew_Click);
    cmdSearch = button("cmdSearch", tr("Search"), kYellow, {400, 328, 57, 33},
                       &frmVok::cmdSearch_Click);
    cmdHelp = button("cmdHelp", tr("Help"), kWhite, {240, 264, 49, 33}, &frmVok::cmdHelp_Click);
    cmdVersion = button("cmdVersion", tr("Version"), kWhite, {288, 264, 57, 33},
                        &frmVok::cmdVersion_Click);
    cmdExit = button("cmdExit", tr("Exit"), kCyan, {8, 8, 73, 33}, &frmVok::cmdExit_Click);

    picOutput = new PictureBox(this);
    picOutput->setObjectName(QStringLiteral("picOutput"));
    picOutput->setGeometry(8, 56, 177, 169);
    picOutput->setFocusPolicy(Qt::TabFocus);
    picOutput->setAccessibleName(tr("Entry picture"));
    picOutput->setAccessibleDescription(tr("The picture of the entry on display"));
    picOutput->setPicture(loadOwnPicture(QStringLiteral(":/startup.bmp"), "bmp"));

    cmdAlpha = button("cmdAlpha", tr("Alpha Sort"), kWhite, {344, 264, 57, 33},
                      &frmVok::cmdAlpha_Click);
    cmdNumSort = button("cmdNumSort", tr("Num Sort"), kWhite, {400, 264, 57, 33},
                        &frmVok::cmdNumSort_Click);

    cmdNext->setAccessibleDescription(tr("Shows the next entry in the catalogue"));
    cmdPrev->setAccessibleDescription(tr("Shows the previous entry in the catalogue"));
    cmdTopic->setAccessibleDescription(tr("Lists the names of all entries"));
    cmdAlpha->setAccessibleDescription(tr("Sorts the catalogue by entry name"));

    const QList<QWidget *> tabOrder{txtOutput, txtInput, cmdNext, cmdPrev, cmdTopic,
                                    cmdBat, cmdEdit, cmdNew, cmdSearch, cmdHelp,
                                    cmdVersion, cmdExit, picOutput, cmdAlpha, cmdNumSort};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    txtOutput->setFocus();
}

void frmVok::paintEvent(QPaintEvent *)
{
    fillBackground(this, kRed);
}

void frmVok::Form_Load()
{
    // Exactly as the system names it, whatever encoding the folder's name is in.
    DataPath = currentDirectory();
    CurrentEntry.clear();
    EntryNumber = 0;
    PicturePath.clear();

    // Key preview: the window sees every key before the control that has the focus.
    installEventFilter(this);
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);

    m_editor = std::make_unique<frmEntry>(m_services, this);
    m_editor->Get_Path(DataPath);
}

bool frmVok::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    // A key that a control passes on to its parents comes by again: take it
    // only where it is delivered first, at this window's focus widget.
    const QObject *firstReceiver = focusWidget() ? static_cast<QObject *>(focusWidget()) : this;
    if (watched == firstReceiver) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        Form_KeyDown(enter ? kEnterKeyCode : key->key(), key->modifiers());
    }
    return false; // the key still reaches the control
}

void frmVok::Form_KeyDown(int keyCode, Qt::KeyboardModifiers)
{
    if (keyCode == kEnterKeyCode)
        cmdSearch_Click();
}

void frmVok::cmdExit_Click()
{
    m_editor->unload();
    close();
}

void frmVok::cmdSearch_Click()
{
    const BusyCursor busy;
    const Outcome<SearchHit> found = dataFile().search(txtInput->text());
    if (!found.ok()) {
        report(*found.error);
        return;
    }
    EntryNumber = found.value.entryNumber;
    if (!found.value.entry) {
        txtOutput->setText(kNotFound);
        CurrentEntry.clear();
        return;
    }
    CurrentEntry = found.value.entry->name;
    display(*found.value.entry);
}

void frmVok::cmdNext_Click()
{
    step(+1);
}

void frmVok::cmdPrev_Click()
{
    step(-1);
}

// Next and Previous: the record one position after or before the one on
// display; nothing changes when there is none.
void frmVok::step(int direction)
{
    const BusyCursor busy;
    const Outcome<std::optional<ShownEntry>> target = dataFile().entryAt(EntryNumber + direction);
    if (!target.ok()) {
        report(*target.error);
        return;
    }
    if (!target.value)
        return;
    EntryNumber += direction;
    txtInput->setText(target.value->name);
    CurrentEntry = txtInput->text();
    display(*target.value);
}

void frmVok::display(const ShownEntry &entry)
{
    PicturePath = entry.picture;
    showPicture(entry.picture);
    txtOutput->setText(entry.text);
    m_entryText = entry.text;
}

// "No picture" leaves the picture on display; an empty line clears it; a
// picture that cannot be loaded is passed over.
void frmVok::showPicture(const QString &pictureLine)
{
    if (pictureLine == kNoPicture)
        return;
    if (pictureLine.isEmpty()) {
        picOutput->clearPicture();
        return;
    }
    if (const std::optional<QImage> picture = m_services.pictures.load(pictureLine))
        picOutput->setPicture(*picture);
}

void frmVok::cmdTopic_Click()
{
    const BusyCursor busy;
    txtOutput->setText(QString());
    const Outcome<QString> names = dataFile().topicList();
    if (!names.ok()) {
        report(*names.error);
        return;
    }
    txtOutput->setText(names.value);
}

void frmVok::cmdAlpha_Click()
{
    m_services.dialogs.messageBox(this, kSortWarning, kSortWarningTitle, Dialogs::OkOnly);
    const auto sorted = whileBusy([this] { return dataFile().sort(); });
    m_editor->unload();
    if (!sorted.ok())
        report(*sorted.error);
    else if (sorted.value)
        txtOutput->setText(sorted.value->describe());
    else
        txtOutput->setText(kSorted);
}

void frmVok::cmdHelp_Click()
{
    txtOutput->setText(kHelpFirst);
    txtOutput->setText(txtOutput->text() + kHelpSecond);
}

void frmVok::cmdVersion_Click()
{
    txtOutput->setText(kAboutFirst);
    txtOutput->setText(txtOutput->text() + kAboutSecond);
}

void frmVok::cmdBat_Click()
{
    txtOutput->setText(kChartNotice);
}

void frmVok::cmdNumSort_Click()
{
    txtOutput->setText(kNumSortNotice);
}

void frmVok::cmdNew_Click()
{
    frmEntry &editor = *m_editor;
    editor.setMode(frmEntry::Mode::New);
    editor.txtEntry()->setReadOnly(false);
    editor.txtEntry()->setText(QStringLiteral("Type entry here"));
    editor.txtData()->setText(QStringLiteral("Type data for the entry here"));
    editor.showModal();
}

void frmVok::cmdEdit_Click()
{
    if (CurrentEntry.isEmpty()) {
        txtOutput->setText(kNoEntryToEdit);
        return;
    }
    frmEntry &editor = *m_editor;
    editor.setMode(frmEntry::Mode::Edit);
    editor.txtEntry()->setText(CurrentEntry);
    editor.txtEntry()->setReadOnly(true);
    // The entry's own text, not whatever another command has put on display
    // since, so that Done can never store a help text or a name list.
    editor.txtData()->setText(m_entryText);
    editor.lblPicName()->setText(PicturePath);
    editor.showModal();
}

void frmVok::report(const StoreError &error)
{
    txtOutput->setText(error.describe());
}

DataFile frmVok::dataFile() const
{
    return DataFile(m_services.files, DataPath);
}
