// Alpha Sort: sortedContent either refuses a file, or gives byte for byte what
// the slow pick-and-erase sort leaves on disk, done pass by pass on real files.
// Input: the file.

#include "harness.h"

#include "store/sort.h"
#include "support/literal_sort.h"
#include "support/memory_store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <variant>

using namespace zumivok;
using namespace zumivok::test;
using zumivok::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView content(data, qsizetype(size));
    // The slow sort costs a read and a rewrite of the file for every begin
    // marker; beyond a few dozen the run is only slow, not wiser.
    if (QByteArray::fromRawData(content.data(), content.size()).count("~Begin Entry") > 48)
        return 0;
    const auto ours = sortedContent(content);
    if (std::holds_alternative<SortRefusal>(ours))
        return 0;

    QTemporaryDir dir(fuzz::folderRoot() + QStringLiteral("/sort-XXXXXX"));
    check(dir.isValid(), "a folder for the slow sort");
    QFile file(dir.filePath(QStringLiteral("zumivok.dat")));
    check(file.open(QIODevice::WriteOnly)
              && file.write(content.data(), content.size()) == content.size(),
          "the file written");
    file.close();
    const test::LiteralSortRun run = test::literalSort(dir.path());
    check(run.outcome == test::LiteralSortRun::Outcome::Sorted,
          "sorted a file that the slow sort reads past the end of");
    check(file.open(QIODevice::ReadOnly) && file.readAll() == std::get<QByteArray>(ours),
          "the slow sort's bytes");
    check(QDir(dir.path()).entryList(QDir::Files) == QStringList{QStringLiteral("zumivok.dat")},
          "nothing left but zumivok.dat");
    return 0;
}
