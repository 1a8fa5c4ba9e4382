#pragma once

#include "store/store_error.h"

#include <QByteArrayView>
#include <QString>

#include <optional>
#include <sys/stat.h>

namespace zumivok {

class Files;

// Opens a file that must be a regular file. O_NONBLOCK is added, so that a
// FIFO or device never makes the open wait. A directory is refused with
// EISDIR, any other file that is not a regular file as NotRegularFile; both,
// and a failing open, are reported as action, a failing fstat as Read. status
// receives the file's status when given. The caller closes the descriptor.
Outcome<int> openRegularFile(Files &files, const QString &path, int flags,
                             StoreError::Action action, struct stat *status = nullptr);

// Whether error says that the file does not exist.
bool isMissing(const std::optional<StoreError> &error);

// Refuses to append a record to the file at path after content that ends
// inside a record (see recordOpenAtEnd): the record would become part of it.
std::optional<StoreError> refuseAppendAfter(QByteArrayView content, const QString &path);

// The one way the data file is replaced: content goes to the scratch file
// (any old file or link of that name is removed first, never followed), is
// synced, takes the target's permissions, is renamed over the target in one
// step, and the directory is synced. An existing target must be a regular file
// that the user may write to: it is opened for writing first, as an append
// opens it, so that a read-only file is refused whatever its directory allows.
// On failure the scratch file is removed and the target is exactly as it was.
std::optional<StoreError> replaceFile(Files &files, const QString &target,
                                      const QString &scratch, QByteArrayView content);

// Appends a record to the data file, whole or not at all. A last line without
// terminator gets CR LF first. A file that ends inside a record is refused
// (EndsInsideRecord): the record would become part of that one. Bytes that end
// within the page where the file ends go in one synced write, which a crash
// leaves whole or absent; a larger append, and a missing file, go through the
// replacement with temp.dat beside the file, so that a grown or new file never
// exists half-made. On failure the file is as it was.
std::optional<StoreError> appendToFile(Files &files, const QString &path, QByteArrayView data);

} // namespace zumivok
