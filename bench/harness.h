#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace zumivok::bench {

// One benchmark group; registered at static initialisation, run by main().
struct Registration
{
    Registration(const char *name, void (*run)(const QString &workDirectory));
};

// Runs baseline and candidate alternately, so that both see the same machine,
// and prints the medians and the candidate's ratio to the baseline.
// Returns the ratio.
double compare(const QString &label, const std::function<void()> &baseline,
               const std::function<void()> &candidate, double goal, int rounds = 9);

// A catalogue of n records as our editor writes them (name, "No picture",
// two data lines), names in a shuffled order; the same n gives the same bytes.
QByteArray generateCatalogue(int records);
// The name of the record at a 1-based position in generateCatalogue(n).
QString generatedName(int records, int position);

void writeFile(const QString &path, const QByteArray &bytes);
// The baselines: one plain buffered read, and one plain copy (read, write, sync).
qint64 plainRead(const QString &path);
void plainCopy(const QString &from, const QString &to);

} // namespace zumivok::bench
