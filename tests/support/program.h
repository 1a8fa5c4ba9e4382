#pragma once

// The program as the window tests meet it: one run over a fresh data
// directory, with the doubles it was given, and helpers that work its
// controls as the user does; with what every window test uses besides.

#include "editor/frm_entry.h"
#include "main_window/frm_vok.h"
#include "platform/controls.h"
#include "platform/pictures.h"
#include "support/failing_files.h"
#include "support/fixtures.h"
#include "support/modal.h"
#include "support/scripted_dialogs.h"
#include "support/temp_catalogue.h"

#include <QAnyStringView>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTest>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace zumivok::test {

// What the main window shows at start-up, as the user sees it.
inline const QString kWelcome = QStringLiteral(
    "Welcome to ZumiVok \u00DF-2 (Beta-Two)\r\n-\r\n-\r\nDon't forget to click 'Help'\r\n");
inline const QString kPreset = QStringLiteral("Type entry to search for here");
inline const QString kNotFound = QStringLiteral("Entry not found.");
inline const QString kNoEntryToEdit = QStringLiteral(
    "There is no valid entry selected to edit.\r\n\r\n"
    "Search and locate a real entry and *then* click 'Edit.'");

// The control of that name in window; a missing one ends the run.
template <typename T = QWidget>
T *control(const QWidget *window, QAnyStringView name)
{
    T *found = window->findChild<T *>(name.toString());
    if (!found)
        qFatal("no control named %s", qPrintable(name.toString()));
    return found;
}

void click(QWidget *button);

// Replaces a box's text as a user would: select all, delete, type. '\n'
// presses Enter; a character without a key of its own comes as typed text.
void typeInto(QWidget *box, const QString &text);

// Replaces a box's text by pasting, which can bring what no key types.
void pasteInto(QWidget *box, const QString &text);

enum class EditorMode { New, Edit };

// The editor's controls, found by name in its window.
struct EditorControls
{
    explicit EditorControls(QWidget *shown);

    // Checks what the editor shows: the mode (its caption, and a name box
    // locked in Edit mode only), the name, the data and the picture label.
    void verifyShows(EditorMode mode, const QString &nameText, const QString &dataText,
                     const QString &pictureText) const;

    QWidget *window;
    QPushButton *picEdit;
    QLineEdit *name;
    TextBox *data;
    QPushButton *done;
    QPushButton *erase;
    QLabel *picName;
    QPushButton *help;
    QPushButton *cancel;
};

// One run of the program over a fresh data directory: zumivok.dat holds
// content, or is not there at all without it. With folder, the data directory
// is a folder of that name (any bytes) in the catalogue's. The directory is current only
// while the main window is built (the window keeps it from then on); the
// window is then shown.
class Program
{
public:
    explicit Program(const std::optional<QByteArray> &content = std::nullopt,
                     const QByteArray &folder = {});
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    template <typename T = QWidget>
    T *control(QAnyStringView name) const
    {
        return zumivok::test::control<T>(window.get(), name);
    }
    QPushButton *button(QAnyStringView name) const { return control<QPushButton>(name); }
    TextBox *output() const { return control<TextBox>("txtOutput"); }
    QString shown() const { return output()->text(); }
    QLineEdit *input() const { return control<QLineEdit>("txtInput"); }
    PictureBox *pictureBox() const { return control<PictureBox>("picOutput"); }
    frmEntry &editor() const { return window->editor(); }

    // Replaces the search text as the user does: click into the box, then type.
    void typeSearch(const QString &text) const;
    // Looks name up with the Search button.
    void search(const QString &name) const;
    // Looks name up with the Enter key, pressed in the search box.
    void enterSearch(const QString &name) const;

    // How an opening of the editor went: whether it came, and whether it was
    // still open when the time to leave it was up.
    struct Opening
    {
        bool ran = false;
        bool timedOut = false;
        explicit operator bool() const { return ran && !timedOut; }
    };
    // Clicks opener (New Entry or Edit Entry) and lets action drive the
    // editor from inside its modal show; true when the editor came and the
    // action left it.
    Opening open(QAnyStringView opener, const std::function<void(EditorControls &)> &action) const;

    TempCatalogue catalogue;
    ScriptedDialogs dialogs;
    FailingFiles files; // real files unless told to fail
    PictureLoader pictures;
    QString directory; // the current directory as the window found it
    std::unique_ptr<frmVok> window;
};

// The program over an empty data file unless told otherwise, with what the
// main window's tests look at besides.
struct Fixture : Program
{
    explicit Fixture(const std::optional<QByteArray> &content = QByteArray());

    // Shows the window and makes it the active one, so that keys go where the
    // focus is, as they do for the user.
    bool showActive() const;
    int dataFileOpens() const; // since the calls were last counted
    // A picture file in the data directory, written for real.
    QString writePicture(const QString &name, const QColor &colour, QSize size) const;
    // The one shown now, as ARGB32.
    QImage picture() const { return pictureBox()->picture().convertToFormat(QImage::Format_ARGB32); }

    const QImage startUpPicture;
};

} // namespace zumivok::test
