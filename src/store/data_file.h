#pragma once

#include "store/lines.h"
#include "store/new_record.h"
#include "store/records.h"
#include "store/sort.h"
#include "store/store_error.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>
#include <sys/stat.h>
#include <vector>

namespace zumivok {

class Files;

// What Done's save came to: boxes instead of a save, or the file error (which
// may be a warning after the change was made), or the stored name.
struct SaveAnswer
{
    std::vector<SaveRefusal> refusals; // nothing was written
    std::optional<StoreError> error;
    QString storedName; // when saved
};

// zumivok.dat in one data directory, and every command's work on it. Each
// call opens what it needs, reads or rewrites it whole and closes it again;
// nothing is kept between calls. A missing data file holds no records.
class DataFile
{
public:
    enum class SaveMode { New, Edit };

    // The file is read pieceSize bytes at a time.
    DataFile(Files &files, const QString &directory,
             qsizetype pieceSize = LineReader::kPieceSize);

    static inline const QString kFileName = QStringLiteral("zumivok.dat");
    static inline const QString kEraseScratch = QStringLiteral("temp.dat");
    static inline const QString kSortScratch = QStringLiteral("zumi.dat");

    // directory + "/" + name; the separator is always inserted.
    QString pathOf(const QString &name) const;
    QString path() const { return pathOf(kFileName); }

    // Reading.
    [[nodiscard]] Outcome<SearchHit> search(QStringView typed) const;
    [[nodiscard]] Outcome<std::optional<ShownEntry>> entryAt(qint64 position) const;
    [[nodiscard]] Outcome<QString> topicList() const;
    [[nodiscard]] Outcome<bool> containsName(QStringView name) const;

    // Writing. Each holds the data directory's lock throughout, waiting a few
    // seconds for another window's command (Busy), and leaves the data file
    // exactly as it was when it fails.

    // Done: the input tests (every failing one gives a box), then the record
    // stored under the typed name in upper case. New appends it, refused when
    // the name is taken; Edit replaces every record of the typed name with it.
    [[nodiscard]] SaveAnswer save(SaveMode mode, QStringView typedName, QStringView picture,
                                  QStringView data);
    // The record at the end, unless a record named unique is there
    // (NameExists) or the file ends inside a record (EndsInsideRecord).
    [[nodiscard]] std::optional<StoreError> append(QByteArrayView record,
                                                   std::optional<QStringView> unique = {});
    // Erase's rules for key, then record at the end: one replacement, so that
    // the old record is never gone without the new one in place.
    [[nodiscard]] std::optional<StoreError> replaceEntry(QStringView key, QByteArrayView record);
    // Erase's rules for key. A missing data file stays missing.
    [[nodiscard]] std::optional<StoreError> erase(QStringView key);
    // Sorts the file by name, or leaves it untouched and says why not. The
    // sort holds the whole file and an index of it; it is refused (TooLarge)
    // when they would take more than memory bytes (the machine's by default).
    [[nodiscard]] Outcome<std::optional<SortRefusal>> sort();
    [[nodiscard]] Outcome<std::optional<SortRefusal>> sort(qint64 memory);

private:
    // Erase's rules for key, streamed from the data file to the scratch file,
    // then what the record adds (none for a plain erase).
    [[nodiscard]] std::optional<StoreError> eraseAndAdd(QStringView key,
                                                        std::optional<QByteArrayView> record);
    // Sorts content, the data file's bytes as read (asRead; none: missing),
    // into the data file.
    [[nodiscard]] Outcome<std::optional<SortRefusal>> sortContent(QByteArrayView content,
                                                                  qint64 memory,
                                                                  const struct stat *asRead);

    Files &m_files;
    QString m_directory;
    qsizetype m_pieceSize;
};

} // namespace zumivok
