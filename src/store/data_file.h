#pragma once

#include "store/records.h"
#include "store/sort.h"
#include "store/store_error.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace zumivok {

class Files;

// zumivok.dat in one data directory, and every command's work on it. Each
// call opens what it needs, reads or rewrites it whole and closes it again;
// nothing is kept between calls. A missing data file holds no records.
class DataFile
{
public:
    DataFile(Files &files, const QString &directory);

    static inline const QString kFileName = QStringLiteral("zumivok.dat");
    static inline const QString kEraseScratch = QStringLiteral("temp.dat");
    static inline const QString kSortScratch = QStringLiteral("zumi.dat");

    // directory + "/" + name; the separator is always inserted.
    QString pathOf(const QString &name) const;
    QString path() const { return pathOf(kFileName); }

    // Reading.
    Outcome<SearchHit> search(QStringView typed) const;
    Outcome<std::optional<ShownEntry>> entryAt(qint64 position) const;
    Outcome<QString> topicList() const;
    Outcome<bool> containsName(QStringView name) const;

    // Writing. Each leaves the data file exactly as it was when it fails. A
    // record is refused (EndsInsideRecord) when what it would follow ends
    // inside a record, since it would become part of that one.
    std::optional<StoreError> append(QByteArrayView record);
    // Erase's rules for key, then record at the end: one replacement.
    std::optional<StoreError> replaceEntry(QStringView key, QByteArrayView record);
    // Erase's rules for key. A missing data file stays missing.
    std::optional<StoreError> erase(QStringView key);
    // Sorts the file by name, or leaves it untouched and says why not.
    Outcome<std::optional<SortRefusal>> sort();

    // The whole file; a missing file reads as empty and sets *missing.
    Outcome<QByteArray> readContent(bool *missing = nullptr) const;

private:
    Files &m_files;
    QString m_directory;
};

namespace detail {
// How much the reading commands read at a time; tests make it tiny, so that
// records, lines and markers fall across the pieces.
void setReadPieceSize(qint64 bytes);
} // namespace detail

} // namespace zumivok
