#pragma once

#include "store/store_error.h"

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
[[nodiscard]] Outcome<int> openRegularFile(Files &files, const QString &path, int flags,
                                           StoreError::Action action,
                                           struct stat *status = nullptr);

// Whether error says that the file does not exist.
[[nodiscard]] bool isMissing(const std::optional<StoreError> &error);

} // namespace zumivok
