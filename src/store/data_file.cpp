#include "store/data_file.h"

#include "platform/files.h"
#include "store/append.h"
#include "store/erase.h"
#include "store/opening.h"
#include "store/replacement.h"

#include <QScopeGuard>

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace zumivok {

namespace {

// Opens the data file and runs scan over its lines. A missing file is scanned
// as empty. Every byte is read even when the scan stops early, so that a file
// that cannot be read is reported whatever it holds.
template <typename T, typename Scan>
Outcome<T> scanFile(Files &files, const QString &file, qsizetype pieceSize, Scan scan)
{
    const Outcome<int> opened = openRegularFile(files, file, O_RDONLY, StoreError::Action::Read);
    if (isMissing(opened.error)) {
        MemorySource nothing{QByteArrayView()};
        LineReader lines(nothing);
        return {scan(lines), std::nullopt};
    }
    if (!opened.ok())
        return Outcome<T>::failure(*opened.error);
    FileSource source(files, opened.value);
    LineReader lines(source, pieceSize);
    T value = scan(lines);
    lines.drain();
    // A failing close of a file that was only read loses nothing.
    files.close(opened.value);
    if (lines.error())
        return Outcome<T>::failure(
            StoreError::system(StoreError::Action::Read, file, lines.error()));
    return {std::move(value), std::nullopt};
}

// Every writing command holds the data directory's lock from its first read
// to its rename, so that two windows on one catalogue never interleave them;
// it waits this long for another window's command.
constexpr auto kLockWait = std::chrono::seconds(3);

StoreError busy(const QString &path)
{
    return StoreError::refusal(StoreError::Action::Write, path, StoreError::Reason::Busy);
}

} // namespace

DataFile::DataFile(Files &files, const QString &directory, qsizetype pieceSize)
    : m_files(files), m_directory(directory), m_pieceSize(pieceSize)
{
}

QString DataFile::pathOf(const QString &name) const
{
    // Not examined: a directory that ends in "/" gives "//", which the system takes.
    return m_directory + QLatin1Char('/') + name;
}

Outcome<SearchHit> DataFile::search(QStringView typed) const
{
    return scanFile<SearchHit>(m_files, path(), m_pieceSize, [&](LineReader &lines) {
        return searchRecords(lines, typed);
    });
}

Outcome<std::optional<ShownEntry>> DataFile::entryAt(qint64 position) const
{
    return scanFile<std::optional<ShownEntry>>(m_files, path(), m_pieceSize, [&](LineReader &lines) {
        return recordAt(lines, position);
    });
}

Outcome<QString> DataFile::topicList() const
{
    return scanFile<QString>(m_files, path(), m_pieceSize,
                             [](LineReader &lines) { return zumivok::topicList(lines); });
}

Outcome<bool> DataFile::containsName(QStringView name) const
{
    return scanFile<bool>(m_files, path(), m_pieceSize, [&](LineReader &lines) {
        return zumivok::containsName(lines, name);
    });
}

SaveAnswer DataFile::save(SaveMode mode, QStringView typedName, QStringView picture,
                          QStringView data)
{
    SaveAnswer answer;
    answer.refusals = inputRefusals(typedName, data);
    if (!answer.refusals.empty())
        return answer;
    const QString name = storedName(typedName);
    if (const std::optional<RecordProblem> problem = checkRecord(name, picture, data)) {
        answer.refusals.push_back(refusalOf(*problem));
        return answer;
    }
    const QByteArray record = recordBytes(name, picture, data);
    // Edit erases by the name as typed, which is the name shown.
    answer.error = mode == SaveMode::Edit ? replaceEntry(typedName, record) : append(record, name);
    if (answer.error && answer.error->reason == StoreError::Reason::NameExists) {
        answer.error.reset();
        answer.refusals.push_back(nameExists());
        return answer;
    }
    if (!answer.error || answer.error->changeMade())
        answer.storedName = name;
    return answer;
}

std::optional<StoreError> DataFile::append(QByteArrayView record, std::optional<QStringView> unique)
{
    const DirectoryLock lock(m_files, m_directory, kLockWait);
    if (lock.busy())
        return busy(path());
    return appendRecord(m_files, path(), pathOf(kEraseScratch), record, unique, m_pieceSize);
}

std::optional<StoreError> DataFile::replaceEntry(QStringView key, QByteArrayView record)
{
    return eraseAndAdd(key, record);
}

std::optional<StoreError> DataFile::erase(QStringView key)
{
    return eraseAndAdd(key, std::nullopt);
}

std::optional<StoreError> DataFile::eraseAndAdd(QStringView key,
                                                std::optional<QByteArrayView> record)
{
    const DirectoryLock lock(m_files, m_directory, kLockWait);
    if (lock.busy())
        return busy(path());
    struct stat status {};
    const Outcome<int> opened =
        openRegularFile(m_files, path(), O_RDONLY, StoreError::Action::Read, &status);
    // There is nothing to erase from a missing file, and no reason to make
    // one unless a record is to go in.
    if (isMissing(opened.error))
        return record ? replaceFile(m_files, path(), pathOf(kEraseScratch), *record) : std::nullopt;
    if (!opened.ok())
        return opened.error;
    // A failing close of a file that was only read loses nothing.
    auto close = qScopeGuard([&] { m_files.close(opened.value); });

    Replacement replacement(m_files, path(), pathOf(kEraseScratch));
    if (auto failed = replacement.begin())
        return failed;
    replacement.expect(status);
    FileSource source(m_files, opened.value);
    LineReader lines(source, m_pieceSize);
    OpenRecordWatch watch;
    eraseRecords(lines, key, replacement, record ? &watch : nullptr);
    close.dismiss();
    m_files.close(opened.value);
    if (lines.error())
        return StoreError::system(StoreError::Action::Read, path(), lines.error());
    if (record) {
        // What is left may end inside a record, which would take the new one
        // in. Erase's output ends every line, so the record starts a line.
        if (const std::optional<QString> open = watch.openRecord())
            return StoreError::endsInsideRecord(path(), *open);
        replacement.put(*record);
    }
    return replacement.commit();
}

Outcome<std::optional<SortRefusal>> DataFile::sort()
{
    return sort(qint64(sysconf(_SC_PHYS_PAGES)) * qint64(sysconf(_SC_PAGESIZE)));
}

Outcome<std::optional<SortRefusal>> DataFile::sort(qint64 memory)
{
    using Result = Outcome<std::optional<SortRefusal>>;
    const Result tooLarge{SortRefusal{SortRefusal::Kind::TooLarge, QString()}, std::nullopt};
    const DirectoryLock lock(m_files, m_directory, kLockWait);
    if (lock.busy())
        return Result::failure(busy(path()));
    struct stat status {};
    const Outcome<int> opened =
        openRegularFile(m_files, path(), O_RDONLY, StoreError::Action::Read, &status);
    if (isMissing(opened.error))
        return sortContent(QByteArray(), memory, nullptr);
    if (!opened.ok())
        return Result::failure(*opened.error);
    // The sort holds the file's bytes and an index of its records; more than
    // the machine has would end in the system taking the memory back by
    // force. The bytes are known before reading, and a file that grows while
    // it is read is stopped at what can be held; the records are counted after.
    try {
        QByteArray content;
        const int read = qint64(status.st_size) > memory
            ? -EFBIG
            : readAll(m_files, opened.value, content, memory);
        // A failing close of a file that was only read loses nothing.
        m_files.close(opened.value);
        if (read == -EFBIG)
            return tooLarge;
        if (read < 0)
            return Result::failure(StoreError::system(StoreError::Action::Read, path(), read));
        return sortContent(content, memory, &status);
    } catch (const std::bad_alloc &) {
        return tooLarge;
    }
}

Outcome<std::optional<SortRefusal>> DataFile::sortContent(QByteArrayView content, qint64 memory,
                                                          const struct stat *asRead)
{
    using Result = Outcome<std::optional<SortRefusal>>;
    // Worked out before the scratch file is made, so that a refused file
    // leaves nothing behind.
    const SortedContent sorted(content, memory - content.size());
    if (sorted.refusal())
        return {sorted.refusal(), std::nullopt};
    Replacement replacement(m_files, path(), pathOf(kSortScratch));
    if (auto failed = replacement.begin())
        return Result::failure(*failed);
    if (asRead)
        replacement.expect(*asRead);
    sorted.writeTo(replacement);
    if (auto failed = replacement.commit())
        return Result::failure(*failed);
    return {};
}

} // namespace zumivok
