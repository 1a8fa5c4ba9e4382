// Peak memory of each command on a large catalogue, above what the process
// held before it: every command but the sort streams the file through a
// bounded piece, so its peak must not grow with the file. Each command runs
// in a child process of its own, so that one peak does not hide the next.

#include "harness.h"

#include "platform/files.h"
#include "store/data_file.h"
#include "store/new_record.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace zumivok;

qint64 statusField(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Runs command in a child and prints how far its peak rose above its start.
void peakOf(const char *label, qint64 fileBytes, const std::function<bool()> &command)
{
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        const qint64 start = statusField("VmRSS:");
        const bool fine = command();
        const qint64 peak = statusField("VmHWM:");
        std::printf("%-40s file %6lld MB  peak above start %6.1f MB  (%.2f of the file)%s\n",
                    label, fileBytes >> 20, double(peak - start) / 1024,
                    double(peak - start) * 1024 / double(fileBytes), fine ? "" : "  FAILED");
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
}

void run(const QString &workDirectory)
{
    const int records = 10'000'000; // about a gigabyte
    const QString directory = workDirectory + QStringLiteral("/memory");
    QDir().mkpath(directory);
    Files files;
    DataFile data(files, directory);
    bench::writeFile(data.path(), bench::generateCatalogue(records));
    const qint64 size = QFileInfo(data.path()).size();
    const QString last = bench::generatedName(records, records);
    const QByteArray record = recordBytes(last.toUpper(), u"No picture", u"edited\r\n");

    peakOf("Search for the last record", size, [&] {
        return data.search(last).value.entry.has_value();
    });
    peakOf("Next at the last position", size, [&] { return data.entryAt(records + 1).ok(); });
    peakOf("Done, Edit mode", size, [&] { return !data.replaceEntry(last, record); });
    peakOf("Delete Entry", size, [&] { return !data.erase(last); });
    peakOf("Alpha Sort", size, [&] { return data.sort().ok(); });

    // A sparse file of 32 GB: zeros to the end, and no record in them.
    const QString sparse = workDirectory + QStringLiteral("/sparse");
    QDir().mkpath(sparse);
    QFile file(sparse + QStringLiteral("/zumivok.dat"));
    if (!file.open(QIODevice::WriteOnly) || !file.resize(qint64(32) << 30))
        qFatal("cannot make the sparse file");
    file.close();
    peakOf("Search in a sparse 32 GB file", qint64(32) << 30, [&] {
        const Outcome<SearchHit> hit = DataFile(files, sparse).search(u"none");
        return hit.ok() && !hit.value.entry;
    });
    QFile::remove(file.fileName());
}

} // namespace

static zumivok::bench::Registration memory("memory", &run);
