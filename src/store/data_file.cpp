// DataFile's reading side, and how a store error reads for the user. The
// writing methods live in data_file_writing.cpp.

#include "store/data_file.h"

#include "platform/files.h"
#include "store/lines.h"
#include "store/replace.h"

#include <fcntl.h>

namespace zumivok {

namespace {

template <typename T>
Outcome<T> failed(const StoreError &error)
{
    return Outcome<T>::failure(error);
}

// The verb of each StoreError::Action, in the order of the enum.
constexpr const char *kActionNames[] = {"read", "open", "create", "write", "sync", "close", "rename"};

// Opens a file for reading; only a regular file is a catalogue.
Outcome<int> openForReading(Files &files, const QString &file)
{
    return openRegularFile(files, file, O_RDONLY, StoreError::Action::Read);
}

StoreError readError(const QString &file, int result)
{
    return StoreError{StoreError::Action::Read, file, -result};
}

// Opens the data file and runs scan over its lines. A missing file is scanned
// as empty. Every byte is read even when the scan stops early, so that a file
// that cannot be read is reported whatever it holds.
template <typename T, typename Scan>
Outcome<T> scanFile(Files &files, const QString &file, qsizetype pieceSize, Scan scan)
{
    const Outcome<int> opened = openForReading(files, file);
    if (isMissing(opened.error)) {
        MemorySource nothing{QByteArrayView()};
        LineReader lines(nothing);
        return {scan(lines), std::nullopt};
    }
    if (!opened.ok())
        return failed<T>(*opened.error);
    FileSource source(files, opened.value);
    LineReader lines(source, pieceSize);
    T value = scan(lines);
    lines.drain();
    // A failing close of a file that was only read loses nothing.
    files.close(opened.value);
    if (lines.error())
        return failed<T>(readError(file, lines.error()));
    return {std::move(value), std::nullopt};
}

} // namespace

QString onOneLine(QString name)
{
    for (QChar &c : name) {
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    }
    return name;
}

QString theEntry(const QString &name)
{
    return name.isEmpty() ? QStringLiteral("the entry without a name")
                          : QStringLiteral("the entry %1").arg(onOneLine(name));
}

QString StoreError::describe() const
{
    const QString file = displayPath(path);
    const QString other = displayPath(target);
    switch (reason) {
    case Reason::EndsInsideRecord:
        return QStringLiteral("The data file ends inside %1, which has no \"~End Entry\" line: "
                              "a new entry written after it would become part of it.")
            .arg(theEntry(entry));
    case Reason::Busy:
        return QStringLiteral("Could not change %1: another ZumiVok window is changing it just "
                              "now. Try again in a moment.")
            .arg(file);
    case Reason::ScratchIsDataFile:
        return QStringLiteral("Could not use %1 as the scratch file: it is the data file %2 "
                              "itself. Give the data file another name.")
            .arg(file, other);
    case Reason::ChangedMeanwhile:
        return QStringLiteral("Could not replace %1: another program changed it while ZumiVok "
                              "was writing. The new content is kept in %2.")
            .arg(file, other);
    case Reason::NotDurable:
        return QStringLiteral("The change is saved in %1, but its folder could not be synced: "
                              "%2. It may not survive a power cut.")
            .arg(file, errorText(error));
    case Reason::SystemError:
    case Reason::NotRegularFile:
        break;
    }
    QString line = action == Action::Rename
        ? QStringLiteral("Could not rename %1 to %2").arg(file, other)
        : QStringLiteral("Could not %1 %2").arg(QLatin1StringView(kActionNames[int(action)]), file);
    if (reason == Reason::NotRegularFile)
        line += QStringLiteral(": Not a regular file");
    else if (error != 0)
        line += QStringLiteral(": ") + errorText(error);
    return line + QLatin1Char('.');
}

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

} // namespace zumivok
