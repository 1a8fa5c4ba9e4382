#include "store/data_file.h"

#include "platform/files.h"
#include "store/replace.h"
#include "store/rewrite.h"

#include <fcntl.h>
#include <unistd.h>

#include <new>

namespace zumivok {

std::optional<StoreError> DataFile::append(QByteArrayView record)
{
    return appendToFile(m_files, path(), record, m_pieceSize);
}

std::optional<StoreError> DataFile::replaceEntry(QStringView key, QByteArrayView record)
{
    // Erase, then the append, as one replacement: the old record is never gone
    // without the new one in place. Erase's output ends every line, so the
    // record starts a line of its own, as the append would have made it.
    return rewrite(key, record);
}

std::optional<StoreError> DataFile::erase(QStringView key)
{
    return rewrite(key, std::nullopt);
}

std::optional<StoreError> DataFile::rewrite(QStringView key, std::optional<QByteArrayView> record)
{
    const Outcome<int> opened = openRegularFile(m_files, path(), O_RDONLY, StoreError::Action::Read);
    // There is nothing to erase from a missing file, and no reason to make
    // one unless a record is to go in.
    if (isMissing(opened.error))
        return record ? replaceFile(m_files, path(), pathOf(kEraseScratch), *record) : std::nullopt;
    if (!opened.ok())
        return opened.error;

    Replacement replacement(m_files, path(), pathOf(kEraseScratch));
    std::optional<StoreError> failed = replacement.begin();
    FileSource source(m_files, opened.value);
    LineReader lines(source, m_pieceSize);
    OpenRecordWatch watch;
    if (!failed)
        eraseRecords(lines, key, replacement, record ? &watch : nullptr);
    // A failing close of a file that was only read loses nothing.
    m_files.close(opened.value);
    if (failed)
        return failed;
    if (lines.error())
        return StoreError{StoreError::Action::Read, path(), -lines.error()};
    if (record) {
        // What is left may end inside a record, which would take the new one in.
        if (const std::optional<QString> open = watch.openRecord())
            return endsInsideRecord(path(), *open);
        replacement.put(*record);
    }
    return replacement.commit();
}

Outcome<std::optional<SortRefusal>> DataFile::sort()
{
    using Result = Outcome<std::optional<SortRefusal>>;
    const Result tooLarge{SortRefusal{SortRefusal::Kind::TooLarge, QString()}, std::nullopt};
    struct stat status {};
    const Outcome<int> opened =
        openRegularFile(m_files, path(), O_RDONLY, StoreError::Action::Read, &status);
    if (isMissing(opened.error))
        return sortContent(QByteArray());
    if (!opened.ok())
        return Result::failure(*opened.error);
    // The sort holds the file's bytes once and an index of its records, about
    // half as much again; more than the machine has would end in the system
    // taking the memory back by force.
    const qint64 physical = qint64(sysconf(_SC_PHYS_PAGES)) * qint64(sysconf(_SC_PAGESIZE));
    if (physical > 0 && qint64(status.st_size) / 2 * 3 > physical) {
        m_files.close(opened.value);
        return tooLarge;
    }
    try {
        QByteArray content;
        const int read = readAll(m_files, opened.value, content);
        // A failing close of a file that was only read loses nothing.
        m_files.close(opened.value);
        if (read < 0)
            return Result::failure(StoreError{StoreError::Action::Read, path(), -read});
        return sortContent(content);
    } catch (const std::bad_alloc &) {
        return tooLarge;
    }
}

Outcome<std::optional<SortRefusal>> DataFile::sortContent(QByteArrayView content)
{
    using Result = Outcome<std::optional<SortRefusal>>;
    // Worked out before the scratch file is made, so that a refused file
    // leaves nothing behind.
    const SortedContent sorted(content);
    if (sorted.refusal())
        return {sorted.refusal(), std::nullopt};
    Replacement replacement(m_files, path(), pathOf(kSortScratch));
    if (auto failed = replacement.begin())
        return Result::failure(*failed);
    sorted.writeTo(replacement);
    if (auto failed = replacement.commit())
        return Result::failure(*failed);
    return {};
}

} // namespace zumivok
