#pragma once

#include "store/store_error.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

namespace zumivok {

class Files;

// Appends a record to the data file at path, whole or not at all. With
// unique, a file that holds a record of that name is refused (NameExists).
// A file that ends inside a record is refused too (EndsInsideRecord): the
// record would become part of that one. Both are found in the one read that
// also tells whether the last line has its terminator; when it has none, CR
// LF goes first. Bytes that end within the page where the file ends go in
// one synced write, which a crash leaves whole or absent; a larger append,
// and a missing file, go through a replacement with scratch, so that a grown
// or new file never exists half-made. On failure the file is as it was.
[[nodiscard]] std::optional<StoreError> appendRecord(Files &files, const QString &path,
                                                     const QString &scratch, QByteArrayView record,
                                                     std::optional<QStringView> unique,
                                                     qsizetype pieceSize);

} // namespace zumivok
