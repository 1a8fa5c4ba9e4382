// The line and record reader against a plain reading of the file's rules:
// Search, the record at a position (Next, Previous), Topic and Save's
// duplicate test, over the whole content at once and read in small pieces.
// Input: a byte for the piece size, one for the position, one
// for how the key is chosen, the key's bytes and a NUL, then the file.

#include "harness.h"

#include "store/codepage.h"
#include "store/lines.h"
#include "store/records.h"
#include "support/memory_store.h"

#include <QList>
#include <QString>

#include <algorithm>
#include <optional>

using namespace zumivok;
using zumivok::test::searchRecords;
using zumivok::test::containsName;
using zumivok::test::recordAt;
using zumivok::test::topicList;
using zumivok::fuzz::check;

namespace {

// The file read the plain way: a line ends at the first CR or CR LF, a lone LF
// stays in it, the last line needs no terminator. Reading past the end is the
// caller's to avoid; atEnd() is the only test.
class PlainFile
{
public:
    explicit PlainFile(QByteArrayView bytes)
    {
        qsizetype at = 0;
        while (at < bytes.size()) {
            qsizetype cr = at;
            while (cr < bytes.size() && bytes[cr] != '\r')
                ++cr;
            m_lines.append(bytes.sliced(at, cr - at).toByteArray());
            at = cr + 1;
            if (at < bytes.size() && bytes[at] == '\n')
                ++at;
        }
    }

    bool atEnd() const { return m_next >= m_lines.size(); }
    QByteArray readLine() { return m_lines[m_next++]; }

private:
    QList<QByteArray> m_lines;
    qsizetype m_next = 0;
};

bool beginsRecord(const QByteArray &line)
{
    return line.startsWith("~Begin Entry");
}

bool endsRecord(const QByteArray &line)
{
    return line.startsWith("~End Entry");
}

// Lower case one character at a time, so that a name keeps its length.
QString lowerEach(QString text)
{
    for (QChar &character : text)
        character = character.toLower();
    return text;
}

bool sameName(const QByteArray &nameLine, const QString &typed)
{
    return lowerEach(cp1252::decode(nameLine)) == lowerEach(typed);
}

// After the name line: the picture line and the data lines up to the end
// marker. Where the file ends first, what was read stands: no picture line
// reads as "No picture".
ShownEntry readRest(PlainFile &file, const QByteArray &nameLine)
{
    ShownEntry entry{cp1252::decode(nameLine), QStringLiteral("No picture"), QString()};
    if (file.atEnd())
        return entry;
    entry.picture = cp1252::decode(file.readLine());
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (endsRecord(line))
            break;
        entry.text += cp1252::decode(line) + QStringLiteral("\r\n");
    }
    return entry;
}

// Search: count begin markers; after each, the name line; the first that
// matches is read and shown. A begin marker on the last line counts, and
// there the scan stops.
SearchHit plainSearch(QByteArrayView bytes, const QString &typed)
{
    PlainFile file(bytes);
    SearchHit hit;
    while (!file.atEnd()) {
        if (!beginsRecord(file.readLine()))
            continue;
        ++hit.entryNumber;
        if (file.atEnd())
            break;
        const QByteArray name = file.readLine();
        if (!sameName(name, typed))
            continue;
        hit.entry = readRest(file, name);
        break;
    }
    return hit;
}

// Next and Previous: the record at a position; the name line of a record
// passed over is tested for a begin marker like any line.
std::optional<ShownEntry> plainRecordAt(QByteArrayView bytes, qint64 position)
{
    PlainFile file(bytes);
    qint64 counted = 0;
    while (!file.atEnd()) {
        if (!beginsRecord(file.readLine()) || ++counted != position)
            continue;
        if (file.atEnd())
            return ShownEntry{QString(), QStringLiteral("No picture"), QString()};
        return readRest(file, file.readLine());
    }
    return std::nullopt;
}

// Topic: the line after every begin marker, each followed by CR LF.
QString plainTopic(QByteArrayView bytes)
{
    PlainFile file(bytes);
    QString names;
    while (!file.atEnd()) {
        if (!beginsRecord(file.readLine()))
            continue;
        if (file.atEnd())
            break;
        names += cp1252::decode(file.readLine()) + QStringLiteral("\r\n");
    }
    return names;
}

// Save's duplicate test.
bool plainContains(QByteArrayView bytes, const QString &name)
{
    PlainFile file(bytes);
    while (!file.atEnd()) {
        if (!beginsRecord(file.readLine()))
            continue;
        if (file.atEnd())
            return false;
        if (sameName(file.readLine(), name))
            return true;
    }
    return false;
}

// The file read a few bytes at a time, as the commands read it.
template <typename Scan>
auto inPieces(QByteArrayView content, qsizetype piece, Scan scan)
{
    MemorySource source(content);
    LineReader lines(source, piece);
    return scan(lines);
}

bool same(const std::optional<ShownEntry> &a, const std::optional<ShownEntry> &b)
{
    if (a.has_value() != b.has_value())
        return false;
    return !a || (a->name == b->name && a->picture == b->picture && a->text == b->text);
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
        const QStringList names = plainTopic(content).split(QStringLiteral("\r\n"));
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

    const SearchHit expected = plainSearch(content, key);
    const SearchHit pieces =
        inPieces(content, piece, [&](LineReader &lines) { return searchRecords(lines, key); });
    check(pieces.entryNumber == expected.entryNumber, "search: entry number, in pieces");
    check(same(pieces.entry, expected.entry), "search: entry shown, in pieces");
    const SearchHit whole = searchRecords(content, key);
    check(whole.entryNumber == expected.entryNumber, "search: entry number");
    check(same(whole.entry, expected.entry), "search: entry shown");

    const std::optional<ShownEntry> at = plainRecordAt(content, position);
    check(same(inPieces(content, piece,
                        [&](LineReader &lines) { return recordAt(lines, position); }),
               at),
          "record at a position, in pieces");
    check(same(recordAt(content, position), at), "record at a position");

    const QString names = plainTopic(content);
    check(inPieces(content, piece, [](LineReader &lines) { return topicList(lines); }) == names,
          "topic, in pieces");
    check(topicList(content) == names, "topic");

    const bool contains = plainContains(content, key);
    check(inPieces(content, piece, [&](LineReader &lines) { return containsName(lines, key); })
              == contains,
          "duplicate test, in pieces");
    check(containsName(content, key) == contains, "duplicate test");
    return 0;
}
