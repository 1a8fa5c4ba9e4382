#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace zumivok {

// The title of every message box that is given none of its own.
inline constexpr QStringView kApplicationTitle = u"ZumiVok";

// Message boxes and the open-file dialog. The windows get them through this
// interface, so that tests can answer them without a screen.
class Dialogs
{
public:
    // A message box's style: a button set plus an icon, added together.
    enum Style {
        OkOnly = 0,
        YesNo = 4,
        Critical = 16,
        Exclamation = 48,
        Information = 64,
    };
    // The button that closed a message box.
    enum Answer { Ok = 1, Yes = 6, No = 7 };

    Dialogs() = default;
    virtual ~Dialogs() = default;
    Dialogs(const Dialogs &) = delete;
    Dialogs &operator=(const Dialogs &) = delete;

    // A modal box; an empty title stands for kApplicationTitle.
    virtual int messageBox(QWidget *parent, const QString &text, const QString &title,
                           int style) = 0;
    // A modal Open dialog offering every file: the chosen file's full path, or
    // nothing on Cancel or any failure.
    virtual std::optional<QString> openFileName(QWidget *parent) = 0;
};

// The real boxes and dialog.
class QtDialogs final : public Dialogs
{
public:
    int messageBox(QWidget *parent, const QString &text, const QString &title,
                   int style) override;
    std::optional<QString> openFileName(QWidget *parent) override;
};

} // namespace zumivok
