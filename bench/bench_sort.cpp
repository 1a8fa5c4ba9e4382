// Alpha Sort: our one-read sort through DataFile against a plain copy of the
// same file, and the slow pick-and-erase sort of the tests against ours.

#include "harness.h"

#include "platform/files.h"
#include "store/data_file.h"
#include "support/literal_sort.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

using namespace zumivok;

// Every round sorts the unsorted file: copies written beforehand are renamed
// into place, so that restoring the file costs the round one rename only.
class Originals
{
public:
    Originals(const QString &directory, const QByteArray &bytes, int rounds)
        : m_directory(directory)
    {
        for (int i = 0; i < rounds; ++i)
            bench::writeFile(copyPath(i), bytes);
        m_left = rounds;
    }

    void restore()
    {
        if (m_left == 0)
            qFatal("bench sort: no original left");
        --m_left;
        const QByteArray from = QFile::encodeName(copyPath(m_left));
        const QByteArray to = QFile::encodeName(m_directory + QStringLiteral("/zumivok.dat"));
        if (std::rename(from.constData(), to.constData()) != 0)
            qFatal("bench sort: cannot restore the data file");
    }

private:
    QString copyPath(int i) const { return m_directory + QStringLiteral("/original%1.dat").arg(i); }

    QString m_directory;
    int m_left = 0;
};

QString freshDirectory(const QString &work, const QString &name)
{
    const QString directory = work + '/' + name;
    QDir(directory).removeRecursively();
    if (!QDir().mkpath(directory))
        qFatal("bench sort: cannot make %s", qPrintable(directory));
    return directory;
}

void sortThroughDataFile(Files &files, const QString &directory)
{
    DataFile data(files, directory);
    const auto outcome = data.sort();
    if (!outcome.ok() || outcome.value)
        qFatal("bench sort: the generated catalogue was not sorted");
}

void againstPlainCopy(const QString &work, int records)
{
    const int rounds = 9;
    const QString directory = freshDirectory(work, QStringLiteral("sort%1").arg(records));
    const QByteArray catalogue = bench::generateCatalogue(records);
    const QString dataPath = directory + QStringLiteral("/zumivok.dat");
    bench::writeFile(dataPath, catalogue);
    Originals originals(directory, catalogue, rounds + 1);
    Files files;
    bench::compare(QStringLiteral("sort %1 records vs plain copy").arg(records),
                   [&] { bench::plainCopy(dataPath, directory + QStringLiteral("/copy.dat")); },
                   [&] {
                       originals.restore();
                       sortThroughDataFile(files, directory);
                   },
                   5.0, rounds);
}

void againstLiteralSort(const QString &work, int records)
{
    const int rounds = 3;
    const QByteArray catalogue = bench::generateCatalogue(records);
    const QString slowDirectory = freshDirectory(work, QStringLiteral("literal%1").arg(records));
    const QString oursDirectory = freshDirectory(work, QStringLiteral("ours%1").arg(records));
    Originals slowOriginals(slowDirectory, catalogue, rounds + 1);
    Originals oursOriginals(oursDirectory, catalogue, rounds + 1);
    Files files;
    const double ratio = bench::compare(
        QStringLiteral("sort %1 records: literal reference vs ours").arg(records),
        [&] {
            slowOriginals.restore();
            if (test::literalSort(slowDirectory).outcome != test::LiteralSortRun::Outcome::Sorted)
                qFatal("bench sort: the literal reference did not finish");
        },
        [&] {
            oursOriginals.restore();
            sortThroughDataFile(files, oursDirectory);
        },
        1.0, rounds);
    QFile slow(slowDirectory + QStringLiteral("/zumivok.dat"));
    QFile ours(oursDirectory + QStringLiteral("/zumivok.dat"));
    if (!slow.open(QIODevice::ReadOnly) || !ours.open(QIODevice::ReadOnly)
        || slow.readAll() != ours.readAll())
        qFatal("bench sort: the two sorts disagree");
    std::printf("%-52s ours is %.0f times faster\n", "", 1.0 / ratio);
}

void run(const QString &work)
{
    againstPlainCopy(work, 100000);
    againstPlainCopy(work, 1000000);
    againstLiteralSort(work, 2000);
}

} // namespace

static zumivok::bench::Registration sorting("sort", &run);
