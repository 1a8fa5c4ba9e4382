#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace zumivok {

// What kept the store from doing its work on a file: the action, the file and
// the reason, which is mostly the system's errno.
struct StoreError
{
    enum class Action { Read, Open, Create, Write, Sync, Close, Rename };
    enum class Reason {
        SystemError, // the system refused: see error
        NotRegularFile, // a FIFO, device or socket; a directory is EISDIR
        EndsInsideRecord, // a record written after the file's last one would become part of it
        Busy, // another window holds the data directory's lock
        ScratchIsDataFile, // the scratch file (path) is the data file (target) under another name
        ChangedMeanwhile, // the data file changed meanwhile; the new content is kept in target
        NotDurable, // the change is made, but the directory sync after the rename failed
        NameExists, // a new record's name is taken (Done shows a box of its own)
    };

    Action action = Action::Read;
    QString path{};
    int error = 0; // errno, for a SystemError
    QString target{}; // the new name, for a rename; see Reason for the others
    Reason reason = Reason::SystemError;
    QString entry{}; // the name of the record the file ends inside

    // The system's failure: result is -errno (or errno).
    static StoreError system(Action action, const QString &path, int result,
                             const QString &target = QString())
    {
        return StoreError{action, path, result < 0 ? -result : result, target};
    }
    static StoreError refusal(Action action, const QString &path, Reason reason)
    {
        return StoreError{action, path, 0, QString(), reason};
    }

    // A record appended to path would become part of the entry it ends inside.
    static StoreError endsInsideRecord(const QString &path, const QString &entry)
    {
        StoreError error = refusal(Action::Write, path, Reason::EndsInsideRecord);
        error.entry = entry;
        return error;
    }

    // Whether the change was made all the same: the error is a warning.
    bool changeMade() const { return reason == Reason::NotDurable; }

    // One line for the user, e.g.
    // "Could not read /home/ann/zumivok.dat: Permission denied."
    QString describe() const;
};

// A name as a one-line message shows it: tabs and a lone LF become blanks.
QString onOneLine(QString name);
// How a message names an entry: "the entry NAME", or "the entry without a name".
QString theEntry(const QString &name);

// A value, or the error that kept the store from producing it.
template <typename T>
struct [[nodiscard]] Outcome
{
    T value{};
    std::optional<StoreError> error;

    bool ok() const { return !error.has_value(); }
    static Outcome failure(StoreError e) { return Outcome{T{}, std::move(e)}; }
};

} // namespace zumivok
