// The reading commands against one plain read of the same file: each command
// reads the whole file for every click, so the scan on top of the read must
// stay cheap even for the largest catalogues.

#include "harness.h"

#include "platform/files.h"
#include "store/data_file.h"

#include <QDir>

#include <cstring>

namespace {

constexpr double kGoal = 3.0;

void run(const QString &workDirectory)
{
    for (const int records : {100000, 1000000}) {
        const QString directory = workDirectory + QStringLiteral("/reading-%1").arg(records);
        QDir().mkpath(directory);
        zumivok::Files files;
        const zumivok::DataFile data(files, directory);
        zumivok::bench::writeFile(data.path(), zumivok::bench::generateCatalogue(records));
        const QString last = zumivok::bench::generatedName(records, records);
        const auto baseline = [&] { zumivok::bench::plainRead(data.path()); };
        const QString suffix = QStringLiteral(", %1 records").arg(records);

        // Each command's result is checked once, outside the timing.
        const auto found = data.search(last);
        if (!found.ok() || !found.value.entry || found.value.entryNumber != records)
            qFatal("search did not find the last record");
        const auto pastLast = data.entryAt(qint64(records) + 1);
        if (!pastLast.ok() || pastLast.value)
            qFatal("next found a record past the last");
        const auto list = data.topicList();
        if (!list.ok() || list.value.count(QLatin1Char('\n')) != records)
            qFatal("topic did not list every record");

        const auto search = [&] {
            if (!data.search(last).ok())
                qFatal("search failed");
        };
        const auto next = [&] {
            if (!data.entryAt(qint64(records) + 1).ok())
                qFatal("next failed");
        };
        const auto topicList = [&] {
            if (!data.topicList().ok())
                qFatal("topic failed");
        };
        zumivok::bench::compare(QStringLiteral("Search for the last record") + suffix, baseline,
                                search, kGoal);
        zumivok::bench::compare(QStringLiteral("Next at the last position") + suffix, baseline,
                                next, kGoal);
        zumivok::bench::compare(QStringLiteral("Topic") + suffix, baseline, topicList, kGoal);

        // What no reader built on memchr can go below: finding every "~" and
        // its "~Begin Entry" in bytes already in memory, without reading the file.
        const QByteArray inMemory = zumivok::bench::generateCatalogue(records);
        const auto markerScan = [&] {
            qint64 markers = 0;
            const char *at = inMemory.constData();
            const char *end = at + inMemory.size();
            while ((at = static_cast<const char *>(std::memchr(at, '~', size_t(end - at))))) {
                markers += QByteArrayView(at, end - at).startsWith("~Begin Entry");
                ++at;
            }
            if (markers != records)
                qFatal("the marker scan missed records");
        };
        zumivok::bench::compare(QStringLiteral("Floor: memchr marker scan in memory") + suffix,
                                baseline, markerScan, kGoal);
    }
}

} // namespace

static zumivok::bench::Registration reading("reading", &run);
