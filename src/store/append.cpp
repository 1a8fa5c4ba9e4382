#include "store/append.h"

#include "platform/files.h"
#include "store/lines.h"
#include "store/opening.h"
#include "store/records.h"
#include "store/replacement.h"

#include <QScopeGuard>

#include <fcntl.h>

namespace zumivok {

namespace {

using Action = StoreError::Action;

// The kernel copies a write page by page and stops for a fatal signal only
// between pages, so a write that ends within one page is whole or absent.
constexpr qint64 kPageSize = 4096;

// Appends bytes to the file that was read (asRead), synced, or cuts it back
// to its old length.
std::optional<StoreError> appendInPlace(Files &files, const QString &path,
                                        const struct stat &asRead, QByteArrayView bytes)
{
    struct stat status {};
    const Outcome<int> opened =
        openRegularFile(files, path, O_WRONLY | O_APPEND, Action::Open, &status);
    if (!opened.ok())
        return opened.error;
    int fd = opened.value;
    if (status.st_dev != asRead.st_dev || status.st_ino != asRead.st_ino
        || status.st_size != asRead.st_size) {
        files.close(fd);
        return StoreError::refusal(Action::Write, path, StoreError::Reason::ChangedMeanwhile);
    }
    bool done = false;
    const auto undo = qScopeGuard([&] {
        if (done)
            return;
        const int cut = fd >= 0 ? fd : files.open(path, O_WRONLY);
        if (cut < 0)
            return;
        if (files.ftruncate(cut, asRead.st_size) == 0)
            files.fsync(cut);
        files.close(cut);
    });
    if (const int wrote = writeAll(files, fd, bytes))
        return StoreError::system(Action::Write, path, wrote);
    if (const int synced = files.fsync(fd))
        return StoreError::system(Action::Sync, path, synced);
    const int closed = files.close(fd);
    // A failed close may report a lost write; the descriptor is gone all the same.
    fd = -1;
    if (closed)
        return StoreError::system(Action::Close, path, closed);
    done = true;
    return std::nullopt;
}

// The old content, read again from the start of fd, then bytes, in place of
// the file in one step.
std::optional<StoreError> appendThroughScratch(Files &files, const QString &path,
                                               const QString &scratch, int fd,
                                               const struct stat &asRead, QByteArrayView bytes,
                                               qsizetype pieceSize)
{
    Replacement replacement(files, path, scratch);
    if (auto failed = replacement.begin())
        return failed;
    replacement.expect(asRead);
    if (const qint64 moved = files.seek(fd, 0); moved < 0)
        return StoreError::system(Action::Read, path, int(moved));
    QByteArray piece(pieceSize, Qt::Uninitialized);
    qint64 got = 0;
    while ((got = files.read(fd, piece.data(), piece.size())) > 0)
        replacement.put(QByteArrayView(piece.constData(), got));
    if (got < 0)
        return StoreError::system(Action::Read, path, int(got));
    replacement.put(bytes);
    return replacement.commit();
}

} // namespace

std::optional<StoreError> appendRecord(Files &files, const QString &path, const QString &scratch,
                                       QByteArrayView record, std::optional<QStringView> unique,
                                       qsizetype pieceSize)
{
    struct stat status {};
    const Outcome<int> opened = openRegularFile(files, path, O_RDONLY, Action::Open, &status);
    if (isMissing(opened.error))
        return replaceFile(files, path, scratch, record);
    if (!opened.ok())
        return opened.error;
    // A failing close of a file that was only read loses nothing.
    auto close = qScopeGuard([&] { files.close(opened.value); });

    FileSource source(files, opened.value);
    LineReader lines(source, pieceSize);
    const FileEnd end = scanToEnd(lines, unique);
    if (lines.error())
        return StoreError::system(Action::Read, path, lines.error());
    if (end.named)
        return StoreError::refusal(Action::Write, path, StoreError::Reason::NameExists);
    if (end.openRecord)
        return StoreError::endsInsideRecord(path, *end.openRecord);
    // What was read is what is appended to.
    status.st_size = off_t(lines.position());
    QByteArray bytes = lines.endedWithTerminator() ? QByteArray() : kLineEnd.toByteArray();
    bytes.append(record);
    if (status.st_size % kPageSize + bytes.size() > kPageSize)
        return appendThroughScratch(files, path, scratch, opened.value, status, bytes, pieceSize);
    close.dismiss();
    files.close(opened.value);
    return appendInPlace(files, path, status, bytes);
}

} // namespace zumivok
