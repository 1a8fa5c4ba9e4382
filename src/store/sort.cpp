#include "store/sort.h"

#include "store/codepage.h"
#include "store/erase.h"
#include "store/lines.h"
#include "store/pass_order.h"
#include "store/records.h"
#include "store/store_error.h"

#include <algorithm>
#include <array>
#include <vector>

namespace zumivok {

// The sort was first written as a selection sort through files: a counting
// scan of the begin-marker lines, then one pass per count, each of which picks
// a record, writes "~Begin Entry" and the pick to zumi.dat and erases the
// pick's name from zumivok.dat. Here the file is read once and the same result
// is worked out in memory. Where the passes do more than order names:
//
// - The first record still in the file is taken as the pick; every later
//   record whose name is smaller than the WHOLE pick (its name, CR LF, and the
//   rest of the record) replaces it. So a name equal to the pick's would win, a
//   name that begins the pick's name wins, and a name that goes on past the
//   pick's name with a character below CR (a tab, a lone LF) wins as well.
//   Without such characters this is the plain order of names; with them the
//   pick depends on where the records stand (store/pass_order).
// - The pick of the first pass is copied as it was read. Every later pick has
//   been through Erase at least once, which drops its empty data lines (its
//   name and picture lines stay, even when empty) and keeps its end-marker line
//   as it was.
//
// The file is refused where the passes would lose, merge or split a record:
// - a begin marker on the last line: the pass that reaches it reads a name
//   past the end of the file;
// - a record that the end of the file cuts off: its pick reads past the end;
// - a begin marker as a record's name, picture or data line, or an end marker
//   as its picture line: the counting scan counts one pass too many for each
//   such begin marker, and the pick ends at such an end marker, leaving the
//   rest of the record behind;
// - two names equal ignoring case: the first pass that picks one of them
//   erases both, and the other is lost;
// - an "~End Entry" line outside records, where it stands before the record
//   that is picked last: once every record before that line has moved, the
//   next pass stops its search for the first record at that line and writes
//   an empty pick. Lines after a record's early end stand outside records, and
//   its own end-marker line is such a line.
// - a record whose name line begins with "~End Entry" moves whole only when a
//   later pass picks it as a candidate; Erase then stops at its name and
//   leaves the rest of it, end-marker line included, in the file. That line
//   harms like the one above, and when the record itself is picked last, or
//   first in the file, its pick is the name alone. Either happens exactly when
//   the record picked last does not stand before it.
// Nothing else goes wrong: other lines outside records are passed over by
// every pass, and an "~End Entry" line after the last-picked record is never
// the first marker a pass meets.

struct SortedContent::Record
{
    // The name line; where it starts in the content is the record's place.
    QByteArrayView name;
    qsizetype end = 0; // offset after the end-marker line and its terminator
    bool endMarkerName = false; // the name line begins with "~End Entry"
    bool crLfOnly = true; // every line of it ends with CR LF
    bool emptyData = false; // it has an empty data line
};

namespace {

using Record = SortedContent::Record;

struct Layout
{
    std::vector<Record> records;
    qsizetype firstStrayEnd = -1; // offset of the first end marker outside records
};

SortRefusal refusal(SortRefusal::Kind kind, QByteArrayView name)
{
    return SortRefusal{kind, cp1252::decode(name)};
}

// The records as the passes see them: a begin-marker line, the name line, the
// picture line, data lines up to the first end-marker line, which belongs to
// the record. Refuses what no pass can move whole (see the top of the file).
std::variant<Layout, SortRefusal> readLayout(QByteArrayView content, qint64 indexMemory)
{
    using Kind = SortRefusal::Kind;
    Layout layout;
    // There are at most as many records as begin markers. Counting them first
    // tells what the index will take, and sizes the list once, where growing
    // it would hold it twice over for a moment.
    const qsizetype markers = content.count(kBeginMarker);
    if (indexMemory >= 0 && markers * SortedContent::kIndexBytesPerRecord > indexMemory)
        return refusal(Kind::TooLarge, QByteArrayView());
    layout.records.reserve(size_t(markers));
    MemorySource source(content);
    LineReader reader(source);
    // The next line, and whether it ended with CR LF.
    bool crLf = true;
    const auto next = [&] {
        const qsizetype start = reader.position();
        qsizetype length = 0;
        reader.passLine([&length](QByteArrayView piece) { length += piece.size(); });
        crLf = reader.position() - start - length == 2;
        return content.sliced(start, length);
    };
    while (!reader.atEnd()) {
        const qsizetype lineStart = reader.position();
        const QByteArrayView line = next();
        if (!isBeginMarker(line)) {
            if (layout.firstStrayEnd < 0 && isEndMarker(line))
                layout.firstStrayEnd = lineStart;
            continue;
        }
        if (reader.atEnd()) {
            const QByteArrayView previous =
                layout.records.empty() ? QByteArrayView() : layout.records.back().name;
            return refusal(Kind::BeginMarkerAtEnd, previous);
        }
        Record record;
        record.name = next();
        record.crLfOnly = crLf;
        if (isBeginMarker(record.name))
            return refusal(Kind::MarkerInsideRecord, record.name);
        record.endMarkerName = isEndMarker(record.name);
        if (reader.atEnd())
            return refusal(Kind::MissingEndMarker, record.name);
        const QByteArrayView picture = next();
        record.crLfOnly = record.crLfOnly && crLf;
        if (isBeginMarker(picture) || isEndMarker(picture))
            return refusal(Kind::MarkerInsideRecord, record.name);
        for (;;) {
            if (reader.atEnd())
                return refusal(Kind::MissingEndMarker, record.name);
            const QByteArrayView data = next();
            record.crLfOnly = record.crLfOnly && crLf;
            record.emptyData = record.emptyData || data.isEmpty();
            if (isBeginMarker(data))
                return refusal(Kind::MarkerInsideRecord, record.name);
            if (isEndMarker(data))
                break;
        }
        record.end = reader.position();
        layout.records.push_back(record);
    }
    return layout;
}

std::optional<SortRefusal> findEqualNames(const std::vector<Record> &records)
{
    const auto hashOf = [](QByteArrayView name) {
        quint64 hash = 14695981039346656037ull;
        for (const char byte : name)
            hash = (hash ^ cp1252::lowerOf(static_cast<unsigned char>(byte)).unicode())
                * 1099511628211ull;
        return hash;
    };
    // Open addressing over at least twice as many slots as names. A slot holds
    // the upper half of a name's hash and the record's index plus one (0 when
    // free), so that names are compared only where their hashes agree.
    constexpr quint64 kTagMask = 0xFFFFFFFF00000000ull;
    size_t capacity = 16;
    while (capacity < 2 * records.size())
        capacity *= 2;
    std::vector<quint64> table(capacity, 0);
    for (size_t i = 0; i < records.size(); ++i) {
        const QByteArrayView name = records[i].name;
        const quint64 hash = hashOf(name);
        for (size_t slot = size_t(hash) & (capacity - 1);; slot = (slot + 1) & (capacity - 1)) {
            const quint64 entry = table[slot];
            if (entry == 0) {
                table[slot] = (hash & kTagMask) | (i + 1);
                break;
            }
            if ((entry & kTagMask) == (hash & kTagMask)
                && nameMatches(lowered(cp1252::decode(name)),
                               records[size_t(entry & ~kTagMask) - 1].name))
                return refusal(SortRefusal::Kind::EqualNames, name);
        }
    }
    return std::nullopt;
}

// The stray end-marker lines that a pass would meet before any record: see
// the top of the file.
std::optional<SortRefusal> findHarmfulEndMarker(QByteArrayView content, const Layout &layout,
                                                const Record &pickedLast)
{
    const Record *endMarkerNamed = nullptr;
    for (const Record &record : layout.records) {
        if (record.endMarkerName && record.name.data() <= pickedLast.name.data()) {
            endMarkerNamed = &record;
            break;
        }
    }
    const auto place = [&content](const Record &record) { return record.name.data() - content.data(); };
    const bool strayLine = layout.firstStrayEnd >= 0 && layout.firstStrayEnd < place(pickedLast);
    if (endMarkerNamed && (!strayLine || place(*endMarkerNamed) < layout.firstStrayEnd))
        return refusal(SortRefusal::Kind::MarkerInsideRecord, endMarkerNamed->name);
    if (!strayLine)
        return std::nullopt;
    // Name the record that follows the line, so that it can be found.
    const auto after = std::find_if(layout.records.begin(), layout.records.end(),
                                    [&](const Record &r) { return place(r) > layout.firstStrayEnd; });
    return refusal(SortRefusal::Kind::StrayEndMarker, after->name);
}

// A record as Erase has left it: empty data lines dropped, every line ended
// with CR LF.
void putErasedForm(QByteArrayView bytes, bool asRead, ByteSink &out)
{
    MemorySource source(bytes);
    LineReader lines(source);
    for (qint64 lineOfRecord = 0; !lines.atEnd(); ++lineOfRecord) {
        if (asRead || eraseKeeps(lineOfRecord, lines.lineIsEmpty()))
            lines.copyLineEndingCrLf(out);
        else
            lines.skipLine();
    }
}

} // namespace

QString SortRefusal::describe() const
{
    const QString name = onOneLine(entry);
    const QString entryNamed = theEntry(entry);
    switch (kind) {
    case Kind::EqualNames:
        if (name.isEmpty())
            return QStringLiteral("Not sorted: two entries have no name.");
        return QStringLiteral("Not sorted: two entries have the name %1 (upper and lower case "
                              "count as the same).")
            .arg(name);
    case Kind::MarkerInsideRecord:
        return QStringLiteral("Not sorted: a line inside %1 begins with \"~Begin Entry\" or "
                              "\"~End Entry\".")
            .arg(entryNamed);
    case Kind::StrayEndMarker:
        return QStringLiteral("Not sorted: a stray \"~End Entry\" line stands before %1.")
            .arg(entryNamed);
    case Kind::MissingEndMarker:
        return QStringLiteral("Not sorted: %1 has no \"~End Entry\" line.").arg(entryNamed);
    case Kind::TooLarge:
        return QStringLiteral("Not sorted: the file is too large to sort in the memory "
                              "available.");
    case Kind::BeginMarkerAtEnd:
        if (entry.isEmpty())
            return QStringLiteral("Not sorted: the file ends with a \"~Begin Entry\" line.");
        return QStringLiteral("Not sorted: the file ends with a \"~Begin Entry\" line after %1.")
            .arg(entryNamed);
    }
    return QString();
}

SortedContent::SortedContent(QByteArrayView content, qint64 indexMemory) : m_content(content)
{
    auto read = readLayout(content, indexMemory);
    if (auto *refused = std::get_if<SortRefusal>(&read)) {
        m_refusal = *refused;
        return;
    }
    Layout &layout = std::get<Layout>(read);
    m_refusal = findEqualNames(layout.records);
    if (m_refusal)
        return;
    const std::vector<Record> &records = layout.records;
    m_order = passOrder(qsizetype(records.size()),
                        [&records](qsizetype record) { return records[size_t(record)].name; });
    if (!m_order.empty())
        m_refusal = findHarmfulEndMarker(content, layout, layout.records[size_t(m_order.back())]);
    m_records = std::move(layout.records);
}

SortedContent::~SortedContent() = default;

// The header, then each record in pass order: the first pick as it was read,
// every later one as Erase has left it.
void SortedContent::writeTo(ByteSink &out) const
{
    out.put(kHeaderLine);
    out.put(kLineEnd);
    for (size_t pass = 0; pass < m_order.size(); ++pass) {
        const Record &record = m_records[size_t(m_order[pass])];
        const qsizetype start = record.name.data() - m_content.data();
        const QByteArrayView bytes = m_content.sliced(start, record.end - start);
        const bool asRead = pass == 0;
        out.put(kBeginMarker);
        out.put(kLineEnd);
        if (record.crLfOnly && (asRead || !record.emptyData))
            out.put(bytes);
        else
            putErasedForm(bytes, asRead, out);
        out.put(kLineEnd);
    }
}

} // namespace zumivok
