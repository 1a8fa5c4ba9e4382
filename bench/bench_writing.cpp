#include "harness.h"

#include "platform/files.h"
#include "store/data_file.h"
#include "store/records.h"
#include "store/new_record.h"

#include <QDir>
#include <QStringList>

// The editor's three writing commands on large catalogues, each against a
// plain copy of the same file (read, write, sync): Done in New mode, Done in
// Edit mode and Delete Entry.

namespace {

using namespace zumivok;

constexpr double kGoal = 2.0;

void check(const std::optional<StoreError> &failed)
{
    if (failed)
        qFatal("%s", qPrintable(failed->describe()));
}

void check(const SaveAnswer &answer)
{
    check(answer.error);
    if (!answer.refusals.empty())
        qFatal("%s", qPrintable(answer.refusals.front().text));
}

void runFor(const QString &workDirectory, int records)
{
    const QString directory = workDirectory + QStringLiteral("/writing-%1").arg(records);
    if (!QDir().mkpath(directory))
        qFatal("cannot create %s", qPrintable(directory));
    Files files;
    DataFile file(files, directory);
    const QByteArray catalogue = bench::generateCatalogue(records);
    const QString copy = directory + QStringLiteral("/copy.dat");
    const auto baseline = [&] { bench::plainCopy(file.path(), copy); };
    const QString size = QStringLiteral(" (%1 records)").arg(records);

    // New mode: the duplicate test and the append, in one read. Each round
    // adds a name of its own, so the file grows by one short record a round
    // (under 0.02%).
    bench::writeFile(file.path(), catalogue);
    int added = 0;
    bench::compare(QStringLiteral("Done, New mode") + size, baseline, [&] {
        const QString name = QStringLiteral("NEW ZUMLING %1").arg(++added);
        check(file.save(DataFile::SaveMode::New, name, kNoPicture, u"1\r\nA new one."));
    }, kGoal);

    // Edit mode: a record from the middle moves to the end; after the first
    // round the same record is replaced where it then stands, at the same cost.
    bench::writeFile(file.path(), catalogue);
    const QString edited = bench::generatedName(records, records / 2);
    bench::compare(QStringLiteral("Done, Edit mode") + size, baseline, [&] {
        check(file.save(DataFile::SaveMode::Edit, edited, kNoPicture, u"1\r\nEdited.\r\n"));
    }, kGoal);

    // Delete Entry: a different record from the middle each round, so that
    // every round really removes one.
    bench::writeFile(file.path(), catalogue);
    QStringList victims; // named outside the timed part: naming reshuffles the catalogue
    for (int i = 0; i < 32; ++i)
        victims.append(bench::generatedName(records, records / 2 + i));
    qsizetype erased = 0;
    bench::compare(QStringLiteral("Delete Entry") + size, baseline, [&] {
        check(file.erase(victims.at(erased++ % victims.size())));
    }, kGoal);
}

void run(const QString &workDirectory)
{
    for (const int records : {100000, 1000000})
        runFor(workDirectory, records);
}

} // namespace

static zumivok::bench::Registration writing("writing", &run);
