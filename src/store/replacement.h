#pragma once

#include "store/lines.h"
#include "store/store_error.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <sys/stat.h>
#include <tuple>

namespace zumivok {

class Files;

// The one way the data file is replaced. The new content is put into a
// scratch file beside the target; commit() syncs it, gives it the target's
// permissions, renames it over the target in one step and syncs the directory.
// A target that is a symbolic link keeps its link: the file it leads to is
// replaced, and beside it in another folder the scratch file takes a hidden
// name of its own (see createScratch). A scratch name that leads to the target
// itself is refused (ScratchIsDataFile). An existing target must be a regular
// file that the user may write to: it is opened for writing first, as an
// append opens it, so that a read-only file is refused whatever its directory
// allows. With expect(), commit() replaces only the file that was read, and
// otherwise keeps both (ChangedMeanwhile). Until commit() succeeds the target
// is exactly as it was, and a replacement that is dropped leaves no scratch
// file. A failing directory sync after the rename is NotDurable: the new
// content stays.
class Replacement final : public ByteSink
{
public:
    Replacement(Files &files, const QString &target, const QString &scratch);
    ~Replacement() override;
    Q_DISABLE_COPY_MOVE(Replacement)

    [[nodiscard]] std::optional<StoreError> begin();
    // The target as it was read: commit() replaces nothing else.
    void expect(const struct stat &asRead) { m_expected = identityOf(asRead); }
    // A failing write is kept and reported by commit().
    void put(QByteArrayView bytes) override;
    qint64 size() const override { return m_written + m_used; }
    void truncate(qint64 size) override;
    [[nodiscard]] std::optional<StoreError> commit();

private:
    // A file's device, inode, size and modification time; none: missing.
    using Identity = std::optional<std::tuple<dev_t, ino_t, off_t, time_t, long>>;
    static Identity identityOf(const struct stat &status);

    [[nodiscard]] std::optional<StoreError> createScratch(const struct stat *target);
    [[nodiscard]] std::optional<StoreError> refuseChangedTarget();
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
    Identity m_expected; // what the target must be at commit()
};


// The whole of content in place of target, through the scratch file.
[[nodiscard]] std::optional<StoreError> replaceFile(Files &files, const QString &target,
                                                    const QString &scratch,
                                                    QByteArrayView content);

} // namespace zumivok
