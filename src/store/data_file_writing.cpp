#include "store/data_file.h"

#include "store/replace.h"
#include "store/rewrite.h"

namespace zumivok {

std::optional<StoreError> DataFile::append(QByteArrayView record)
{
    return appendToFile(m_files, path(), record);
}

std::optional<StoreError> DataFile::replaceEntry(QStringView key, QByteArrayView record)
{
    bool missing = false;
    const Outcome<QByteArray> content = readContent(&missing);
    if (!content.ok())
        return content.error;
    // Erase, then the append, as one replacement: the old record is never gone
    // without the new one in place. Erase's output ends every line, so the
    // record starts a line of its own, as the append would have made it.
    QByteArray replaced = missing ? QByteArray() : eraseRecords(content.value, key);
    // What is left may end inside a record, which would take the new one in.
    if (auto refused = refuseAppendAfter(replaced, path()))
        return refused;
    replaced.append(record);
    return replaceFile(m_files, path(), pathOf(kEraseScratch), replaced);
}

std::optional<StoreError> DataFile::erase(QStringView key)
{
    bool missing = false;
    const Outcome<QByteArray> content = readContent(&missing);
    if (!content.ok())
        return content.error;
    // There is nothing to erase from a missing file, and no reason to make one.
    if (missing)
        return std::nullopt;
    return replaceFile(m_files, path(), pathOf(kEraseScratch), eraseRecords(content.value, key));
}

Outcome<std::optional<SortRefusal>> DataFile::sort()
{
    const Outcome<QByteArray> content = readContent();
    if (!content.ok())
        return Outcome<std::optional<SortRefusal>>::failure(*content.error);
    auto sorted = sortedContent(content.value);
    if (auto *refusal = std::get_if<SortRefusal>(&sorted))
        return {*refusal, std::nullopt};
    const QByteArray &sortedBytes = std::get<QByteArray>(sorted);
    if (auto error = replaceFile(m_files, path(), pathOf(kSortScratch), sortedBytes))
        return Outcome<std::optional<SortRefusal>>::failure(*error);
    return {};
}

} // namespace zumivok
