#include "store/store_error.h"

#include "platform/files.h"

namespace zumivok {

namespace {

// The verb of each StoreError::Action, in the order of the enum.
constexpr const char *kActionNames[] = {"read", "open", "create", "write", "sync", "close", "rename"};

} // namespace

QString onOneLine(QString name)
{
    for (QChar &c : name) {
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    }
    return name;
}

QString theEntry(const QString &name)
{
    return name.isEmpty() ? QStringLiteral("the entry without a name")
                          : QStringLiteral("the entry %1").arg(onOneLine(name));
}

QString StoreError::describe() const
{
    const QString file = displayPath(path);
    const QString other = displayPath(target);
    switch (reason) {
    case Reason::EndsInsideRecord:
        return QStringLiteral("The data file ends inside %1, which has no \"~End Entry\" line: "
                              "a new entry written after it would become part of it.")
            .arg(theEntry(entry));
    case Reason::Busy:
        return QStringLiteral("Could not change %1: another ZumiVok window is changing it just "
                              "now. Try again in a moment.")
            .arg(file);
    case Reason::ScratchIsDataFile:
        return QStringLiteral("Could not use %1 as the scratch file: it is the data file %2 "
                              "itself. Give the data file another name.")
            .arg(file, other);
    case Reason::ChangedMeanwhile:
        if (target.isEmpty())
            return QStringLiteral("Could not add to %1: another program changed it meanwhile.")
                .arg(file);
        return QStringLiteral("Could not replace %1: another program changed it while ZumiVok "
                              "was writing. The new content is kept in %2.")
            .arg(file, other);
    case Reason::NameExists:
        return QStringLiteral("%1 holds an entry of that name already.").arg(file);
    case Reason::NotDurable:
        return QStringLiteral("The change is saved in %1, but its folder could not be synced: "
                              "%2. It may not survive a power cut.")
            .arg(file, errorText(error));
    case Reason::SystemError:
    case Reason::NotRegularFile:
        break;
    }
    QString line = action == Action::Rename
        ? QStringLiteral("Could not rename %1 to %2").arg(file, other)
        : QStringLiteral("Could not %1 %2").arg(QLatin1StringView(kActionNames[int(action)]), file);
    if (reason == Reason::NotRegularFile)
        line += QStringLiteral(": Not a regular file");
    else if (error != 0)
        line += QStringLiteral(": ") + errorText(error);
    return line + QLatin1Char('.');
}

} // namespace zumivok
