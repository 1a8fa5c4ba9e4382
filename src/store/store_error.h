#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace zumivok {

// What went wrong with a file: the action, the file and the system's reason.
struct StoreError
{
    QString action; // "read", "write", "sync", "rename", ...
    QString path;
    int error = 0; // errno
    QString target; // the new name, for a rename

    // One line for the user, e.g.
    // "Could not read /home/ann/zumivok.dat: Permission denied."
    QString describe() const;
};

// A value, or the error that kept the store from producing it.
template <typename T>
struct Outcome
{
    T value{};
    std::optional<StoreError> error;

    bool ok() const { return !error.has_value(); }
    static Outcome failure(StoreError e) { return Outcome{T{}, std::move(e)}; }
};

} // namespace zumivok
