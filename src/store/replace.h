#pragma once

#include "store/lines.h"
#include "store/store_error.h"

#include <QByteArray>
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
[[nodiscard]] Outcome<int> openRegularFile(Files &files, const QString &path, int flags,
                                           StoreError::Action action,
                                           struct stat *status = nullptr);

// Whether error says that the file does not exist.
[[nodiscard]] bool isMissing(const std::optional<StoreError> &error);

// The one way the data file is replaced. The new content is put into a
// scratch file beside the target (any old file or link of that name is removed
// first, never followed); commit() syncs it, gives it the target's permissions,
// renames it over the target in one step and syncs the directory. A target
// that is a symbolic link keeps its link: the file it leads to is replaced. An
// existing target must be a regular file that the user may write to: it is
// opened for writing first, as an append opens it, so that a read-only file is
// refused whatever its directory allows. Until commit() succeeds the target is
// exactly as it was, and a replacement that is dropped leaves no scratch file.
class Replacement final : public ByteSink
{
public:
    Replacement(Files &files, const QString &target, const QString &scratch);
    ~Replacement() override;
    Q_DISABLE_COPY_MOVE(Replacement)

    [[nodiscard]] std::optional<StoreError> begin();
    // A failing write is kept and reported by commit().
    void put(QByteArrayView bytes) override;
    qint64 size() const override { return m_written + m_used; }
    void truncate(qint64 size) override;
    [[nodiscard]] std::optional<StoreError> commit();

private:
    void flush();
    void write(QByteArrayView bytes);
    StoreError abandon(StoreError error);

    Files &m_files;
    QString m_target;
    QString m_scratch;
    int m_fd = -1;
    bool m_made = false; // the scratch file exists and is ours
    QByteArray m_pending; // what is gathered: its first m_used bytes
    qsizetype m_used = 0;
    qint64 m_written = 0;
    std::optional<StoreError> m_failed;
};

// The whole of content in place of target, through the scratch file.
[[nodiscard]] std::optional<StoreError> replaceFile(Files &files, const QString &target,
                                                    const QString &scratch,
                                                    QByteArrayView content);

// Appends a record to the data file, whole or not at all. A last line without
// terminator gets CR LF first. A file that ends inside a record is refused
// (EndsInsideRecord): the record would become part of that one. Bytes that end
// within the page where the file ends go in one synced write, which a crash
// leaves whole or absent; a larger append, and a missing file, go through a
// replacement with the scratch file, so that a grown or new file never exists
// half-made. On failure the file is as it was.
// temp.dat beside the data file is the scratch file.
[[nodiscard]] std::optional<StoreError> appendToFile(Files &files, const QString &path,
                                                     QByteArrayView data,
                                                     qsizetype pieceSize = LineReader::kPieceSize);

// The refusal of an append after a record that the file ends inside.
[[nodiscard]] StoreError endsInsideRecord(const QString &path, const QString &entry);

} // namespace zumivok
