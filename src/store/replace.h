#pragma once

#include "store/store_error.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace zumivok {

class Files;

// The one way the data file is replaced: content goes to the scratch file
// (any old file or link of that name is removed first, never followed), is
// synced, takes the target's permissions, is renamed over the target in one
// step, and the directory is synced. On failure the scratch file is removed and
// the target is exactly as it was.
std::optional<StoreError> replaceFile(Files &files, const QString &target,
                                      const QString &scratch, QByteArrayView content);

// Appends data with one write and syncs it; the file is created when missing.
// A last line without terminator gets CR LF first. On failure the file is
// cut back to its old length (or removed, when this call created it).
std::optional<StoreError> appendToFile(Files &files, const QString &path, QByteArrayView data);

} // namespace zumivok
