// The line and record reader against a plain reading of the file's rules:
// Search, the record at a position (Next, Previous), Topic and Save's
// duplicate test, over the whole content at once and read in small pieces.
// Input: a byte for the piece size, one for the position, one
// for how the key is chosen, the key's bytes and a NUL, then the file.

#include "harness.h"

#include "store/codepage.h"
#include "store/lines.h"
#include "support/memory_store.h"
#include "support/plain_records.h"

#include <QByteArray>
#include <QString>

using namespace zumivok;
using namespace zumivok::test;
using zumivok::fuzz::check;
using zumivok::test::plain::shown;

namespace {

// The file read a few bytes at a time, as the commands read it.
template <typename Scan>
auto inPieces(QByteArrayView content, qsizetype piece, Scan scan)
{
    MemorySource source(content);
    LineReader lines(source, piece);
    return scan(lines);
}

// The key: typed bytes, typed as UTF-8 (which brings characters the file
// cannot hold), or the name of a record in the file, in its case or lowered.
QString chooseKey(unsigned char how, QByteArrayView typed, QByteArrayView content)
{
    switch (how % 4) {
    case 0:
        return cp1252::decode(typed);
    case 1:
        return QString::fromUtf8(typed);
    default: {
        const QStringList names = plain::topicList(content).split(QStringLiteral("\r\n"));
        const QString name = names[(how / 4) % names.size()];
        return how % 4 == 2 ? name : name.toLower();
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArrayView input(data, qsizetype(size));
    const unsigned char reading = fuzz::takeByte(input);
    const qint64 position = qint64(fuzz::takeByte(input) % 64) - 1;
    const unsigned char how = fuzz::takeByte(input);
    const QByteArrayView typed = fuzz::takeField(input);
    const QByteArrayView content = input;
    const QString key = chooseKey(how, typed, content);

    const qsizetype piece = 1 + (reading & 0x1F);

    // Each scan, over the whole content and read in pieces, gives what the
    // plain reading gives.
    const auto agree = [&](const char *what, const auto &expected, auto scan) {
        check(scan(content) == expected, what);
        check(inPieces(content, piece, [&](LineReader &lines) { return scan(lines); }) == expected,
              (QByteArray(what) + ", in pieces").constData());
    };
    const auto hit = [](const SearchHit &found) {
        return QString::number(found.entryNumber) + ' ' + shown(found.entry);
    };
    agree("search", hit(plain::search(content, key)),
          [&](auto &&from) { return hit(searchRecords(from, key)); });
    agree("record at a position", shown(plain::recordAt(content, position)),
          [&](auto &&from) { return shown(recordAt(from, position)); });
    agree("topic", plain::topicList(content), [](auto &&from) { return topicList(from); });
    agree("duplicate test", plain::containsName(content, key),
          [&](auto &&from) { return containsName(from, key); });
    return 0;
}
