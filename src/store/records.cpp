#include "store/records.h"

#include "store/codepage.h"
#include "store/lines.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
// Chosen at run time: the build itself targets every x86-64 processor.
#define ZUMIVOK_AVX2_SCAN
#endif

namespace zumivok {

// The reading commands scan the whole file on every click. Rather than split
// every line, the scans look for the places where a begin marker can start
// (see BeginMarkers) and look closer only there; only the lines of a record
// that is dealt with are split and, where shown, decoded.

namespace {

bool startsWith(QByteArrayView bytes, QByteArrayView marker)
{
    return bytes.size() >= marker.size()
        && std::memcmp(bytes.data(), marker.data(), size_t(marker.size())) == 0;
}

// True when a line of the file starts at offset: a line starts after every
// CR, except that the LF of a CR LF pair belongs to the terminator; a lone LF
// stays inside its line.
bool isLineStart(const char *bytes, qsizetype offset)
{
    if (offset == 0 || bytes[offset - 1] == '\r')
        return true;
    return bytes[offset - 1] == '\n' && offset >= 2 && bytes[offset - 2] == '\r';
}

// std::popcount, which without the POPCNT instruction of newer processors
// becomes a library call for every sixty-four bytes scanned.
int bitCount(quint64 bits)
{
#if defined(__POPCNT__)
    return std::popcount(bits);
#else
    bits -= (bits >> 1) & 0x5555555555555555u;
    bits = (bits & 0x3333333333333333u) + ((bits >> 2) & 0x3333333333333333u);
    bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return int((bits * 0x0101010101010101u) >> 56);
#endif
}

bool isBeginMarkerAt(QByteArrayView content, qsizetype at)
{
    return isLineStart(content.data(), at) && startsWith(content.sliced(at), kBeginMarker);
}

// Writes the places that the bits of mask stand for (bit i for the byte at
// block + i) after the count places noted so far. A record is longer than
// sixty-four bytes, so two places are written whatever there are (the surplus
// is written over later) and only a third one takes a branch.
[[gnu::always_inline]] inline void writePlaces(quint64 mask, size_t found, qsizetype block,
                                               qsizetype *places, size_t &count)
{
    places[count] = block + std::countr_zero(mask);
    mask &= mask - 1;
    places[count + 1] = block + std::countr_zero(mask);
    mask &= mask - 1;
    for (size_t i = count + 2; mask != 0; mask &= mask - 1)
        places[i++] = block + std::countr_zero(mask);
    count += found;
}

// Sixty-four bytes at a time, the places where "~B" starts. Each block reads
// one byte past its end, for the 'B' of a place at its last byte. Returns
// where it stopped; the caller goes on from there one byte at a time.
#if defined(__SSE2__)
qsizetype notePairsSse2(const char *bytes, qsizetype size, qsizetype block, qsizetype end,
                        qsizetype *places, size_t &count)
{
    const __m128i tilde = _mm_set1_epi8('~');
    const __m128i capitalB = _mm_set1_epi8('B');
    const auto pairs = [&](const char *at) -> quint64 {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at + 1));
        return quint16(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(here, tilde),
                                                       _mm_cmpeq_epi8(next, capitalB))));
    };
    // Counted in a local: through the reference, every store of a place would
    // make the count be loaded again.
    size_t found = count;
    for (; block + 64 <= end && block + 65 <= size; block += 64) {
        const char *at = bytes + block;
        const quint64 mask = pairs(at) | pairs(at + 16) << 16 | pairs(at + 32) << 32
            | pairs(at + 48) << 48;
        writePlaces(mask, size_t(bitCount(mask)), block, places, found);
    }
    count = found;
    return block;
}
#endif

#if defined(ZUMIVOK_AVX2_SCAN)
// The same with thirty-two bytes to a compare, on processors that have AVX2.
[[gnu::target("avx2,popcnt,bmi")]] qsizetype notePairsAvx2(const char *bytes, qsizetype size,
                                                           qsizetype block, qsizetype end,
                                                           qsizetype *places, size_t &count)
{
    const __m256i tilde = _mm256_set1_epi8('~');
    const __m256i capitalB = _mm256_set1_epi8('B');
    size_t found = count; // in a local, as above
    for (; block + 64 <= end && block + 65 <= size; block += 64) {
        const char *at = bytes + block;
        const auto *at256 = reinterpret_cast<const __m256i *>(at);
        const auto *next256 = reinterpret_cast<const __m256i *>(at + 1);
        const quint64 low = quint32(_mm256_movemask_epi8(
            _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_loadu_si256(at256), tilde),
                             _mm256_cmpeq_epi8(_mm256_loadu_si256(next256), capitalB))));
        const quint64 high = quint32(_mm256_movemask_epi8(
            _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_loadu_si256(at256 + 1), tilde),
                             _mm256_cmpeq_epi8(_mm256_loadu_si256(next256 + 1), capitalB))));
        const quint64 mask = low | high << 32;
        writePlaces(mask, size_t(__builtin_popcountll(mask)), block, places, found);
    }
    count = found;
    return block;
}

// The same with sixty-four bytes to a compare, on processors that have
// AVX-512: the compares give their masks directly.
[[gnu::target("avx512f,avx512bw,popcnt,bmi")]] qsizetype
notePairsAvx512(const char *bytes, qsizetype size, qsizetype block, qsizetype end,
                qsizetype *places, size_t &count)
{
    const __m512i tilde = _mm512_set1_epi8('~');
    const __m512i capitalB = _mm512_set1_epi8('B');
    size_t found = count; // in a local, as above
    for (; block + 64 <= end && block + 65 <= size; block += 64) {
        const char *at = bytes + block;
        const __mmask64 tildes = _mm512_cmpeq_epi8_mask(_mm512_loadu_si512(at), tilde);
        const quint64 mask =
            _mm512_mask_cmpeq_epi8_mask(tildes, _mm512_loadu_si512(at + 1), capitalB);
        writePlaces(mask, size_t(__builtin_popcountll(mask)), block, places, found);
    }
    count = found;
    return block;
}

detail::ScanWidth widestAllowed = detail::ScanWidth::Widest;

bool hasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt")
        && __builtin_cpu_supports("bmi");
    return has && widestAllowed >= detail::ScanWidth::Avx2;
}

bool hasAvx512()
{
    static const bool has = __builtin_cpu_supports("avx512f")
        && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("popcnt")
        && __builtin_cpu_supports("bmi");
    return has && widestAllowed >= detail::ScanWidth::Avx512;
}
#endif

// The part of a ContentSource read so far. Each look at the bytes first has
// them read far enough that the look gives what it would give on the whole
// file; a byte that is never read then changes nothing.
class Content
{
public:
    explicit Content(ContentSource &source) : m_source(source), m_bytes(source.bytes()) { }

    // Reads on until the bytes before end are read or the file is all read.
    QByteArrayView upTo(qsizetype end)
    {
        while (end > m_bytes.size() && more()) { }
        return m_bytes;
    }

    // Reads on until the line that starts at start is read with its CR and the
    // byte after it (an LF there belongs to the terminator), or to the end.
    QByteArrayView throughLine(qsizetype start)
    {
        for (qsizetype searched = start;;) {
            const char *bytes = m_bytes.data();
            const qsizetype left = std::max<qsizetype>(m_bytes.size() - searched, 0);
            const auto *cr =
                static_cast<const char *>(std::memchr(bytes + searched, '\r', size_t(left)));
            if (cr && cr - bytes + 1 < m_bytes.size())
                return m_bytes;
            // Searched again from the CR, or where the search stopped.
            searched = cr ? cr - bytes : std::max(searched, m_bytes.size());
            if (!more())
                return m_bytes;
        }
    }

    QByteArrayView whole() { return upTo(std::numeric_limits<qsizetype>::max()); }
    bool complete() const { return m_ended; }

private:
    bool more()
    {
        if (m_ended || !m_source.readMore()) {
            m_ended = true;
            return false;
        }
        m_bytes = m_source.bytes();
        return true;
    }

    ContentSource &m_source;
    QByteArrayView m_bytes;
    bool m_ended = false;
};

// The whole content at once.
class WholeContent final : public ContentSource
{
public:
    explicit WholeContent(QByteArrayView bytes) : m_bytes(bytes) { }
    QByteArrayView bytes() const override { return m_bytes; }
    bool readMore() override { return false; }

private:
    QByteArrayView m_bytes;
};

// Finds the begin-marker lines of the content in file order, a chunk at a
// time. Each chunk is gone through twice, with hardly a branch that depends
// on the data: first every place where "~B" starts is noted, sixty-four bytes
// at a time; then each place is checked for a whole marker at the start of a
// line. A mispredicted branch for every record would cost as much as the rest
// of the scan. The markers found wait in a list until they are asked for.
class BeginMarkers
{
public:
    explicit BeginMarkers(Content &content) : m_source(content) { }

    // The first begin-marker line that starts at or after from, or -1.
    qsizetype at(qsizetype from)
    {
        for (;;) {
            for (; m_next < m_count; ++m_next) {
                if (m_found[m_next] >= from)
                    return m_found[m_next];
            }
            const qsizetype start = std::max(m_collected, from);
            // Reads on only when what has been read is used up.
            m_content = m_source.upTo(start + kBeginMarker.size() + 1);
            if (start >= m_content.size())
                return -1;
            // Places are looked at only a marker's length and more before the
            // end of what was read, so that they are found as in the whole file.
            qsizetype end = std::min(m_content.size(), start + kChunk);
            if (!m_source.complete())
                end = std::min(end, m_content.size() - kBeginMarker.size());
            collect(start, end);
        }
    }

private:
    static constexpr qsizetype kChunk = 4096; // a multiple of 64
    // "~B" can start at most at every other byte; two more for the garbage
    // that noting places without branches writes past the last one.
    static constexpr size_t kMostPlaces = kChunk / 2 + 2;

    void collect(qsizetype start, qsizetype end);
    size_t notePlaces(qsizetype start, qsizetype end);
    bool isMarkerAt(qsizetype place) const;

    Content &m_source;
    QByteArrayView m_content; // what was read when the last chunk was collected
    qsizetype m_collected = 0; // the markers before this offset have been found
    std::array<qsizetype, kMostPlaces> m_found;
    size_t m_count = 0;
    size_t m_next = 0;
};

void BeginMarkers::collect(qsizetype start, qsizetype end)
{
    const size_t places = notePlaces(start, end);
    // The markers overwrite the places in the same list, never ahead of them.
    size_t count = 0;
    for (size_t i = 0; i < places; ++i) {
        const qsizetype place = m_found[i];
        m_found[count] = place;
        count += isMarkerAt(place);
    }
    m_count = count;
    m_next = 0;
    m_collected = end;
}

// Notes in m_found every place in [start, end) where "~B" starts; returns how many.
size_t BeginMarkers::notePlaces(qsizetype start, qsizetype end)
{
    const char *bytes = m_content.data();
    size_t count = 0;
    qsizetype block = start;
#if defined(ZUMIVOK_AVX2_SCAN)
    if (hasAvx512())
        block = notePairsAvx512(bytes, m_content.size(), block, end, m_found.data(), count);
    else if (hasAvx2())
        block = notePairsAvx2(bytes, m_content.size(), block, end, m_found.data(), count);
    else
#endif
#if defined(__SSE2__)
        block = notePairsSse2(bytes, m_content.size(), block, end, m_found.data(), count);
#endif
    for (; block < end; ++block) {
        if (bytes[block] == '~' && block + 1 < m_content.size() && bytes[block + 1] == 'B')
            m_found[count++] = block;
    }
    return count;
}

bool BeginMarkers::isMarkerAt(qsizetype place) const
{
    const char *bytes = m_content.data();
    if (place < 2 || place + kBeginMarker.size() > m_content.size())
        return isBeginMarkerAt(m_content, place);
    // The same tests as isBeginMarkerAt, put together without branches.
    quint64 head;
    quint32 tail;
    std::memcpy(&head, bytes + place, 8);
    std::memcpy(&tail, bytes + place + 8, 4);
    quint64 markerHead;
    quint32 markerTail;
    std::memcpy(&markerHead, kBeginMarker.data(), 8);
    std::memcpy(&markerTail, kBeginMarker.data() + 8, 4);
    const char before = bytes[place - 1];
    const bool lineStart = (before == '\r') | ((before == '\n') & (bytes[place - 2] == '\r'));
    return lineStart & (head == markerHead) & (tail == markerTail);
}

// Offset of the line after a begin-marker line (the size of the content when
// the marker is the last line).
inline qsizetype lineAfterMarker(QByteArrayView content, qsizetype marker)
{
    // The marker's own characters hold no CR; most marker lines end right there.
    qsizetype end = marker + kBeginMarker.size();
    if (end < content.size() && content[end] != '\r') {
        LineReader rest(content.sliced(end));
        rest.next();
        return end + rest.position();
    }
    if (end < content.size())
        ++end;
    if (end < content.size() && content[end] == '\n')
        ++end;
    return end;
}

// The same, reading on as far as it takes to tell.
inline qsizetype lineAfterMarker(Content &content, qsizetype marker)
{
    // Mostly the marker's line ends in CR LF right after the marker.
    const qsizetype end = marker + kBeginMarker.size();
    QByteArrayView bytes = content.upTo(end + 2);
    if (end < bytes.size() && bytes[end] != '\r')
        bytes = content.throughLine(end);
    return lineAfterMarker(bytes, marker);
}

// Length of the line that starts at start.
inline qsizetype lineLength(QByteArrayView content, qsizetype start)
{
    const char *line = content.data() + start;
    const qsizetype left = content.size() - start;
#if defined(__SSE2__)
    // Names are short: one look at sixteen bytes mostly finds the CR.
    if (left >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(line));
        const __m128i crs = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r'));
        if (const unsigned mask = unsigned(_mm_movemask_epi8(crs)); mask != 0)
            return std::countr_zero(mask);
    }
#endif
    const auto *cr = static_cast<const char *>(std::memchr(line, '\r', size_t(left)));
    return cr ? cr - line : left;
}

// Whether the key.size() bytes at name lower to the characters of key.
// From the end backwards: names that share a beginning (numbered ones) end
// differently, and other names mostly differ in their last letter too.
inline bool sameLowered(QStringView key, const char *name)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(name);
    for (qsizetype i = key.size() - 1; i >= 0; --i) {
        if (key[i] != cp1252::lowerOf(bytes[i]))
            return false;
    }
    return true;
}

// Whether the line at start is the name that loweredKey stands for. Only the
// key's length of bytes is looked at, and the line must end right after them,
// so the line's end is never searched for. A key holding a CR matches nothing:
// no line holds one.
inline bool nameAt(QByteArrayView content, qsizetype start, QStringView loweredKey)
{
    const qsizetype end = start + loweredKey.size();
    if (end > content.size() || (end < content.size() && content[end] != '\r'))
        return false;
    return sameLowered(loweredKey, content.data() + start);
}

// A first look at a name line, sixteen bytes at once: for each character of
// the key, the one or two bytes that lower to it. Testing the characters one
// by one, with a branch that goes either way, costs a mispredicted branch for
// most records; a line that passes is still tested exactly by nameAt.
class KeyFilter
{
public:
    explicit KeyFilter(QStringView loweredKey)
    {
#if defined(__SSE2__)
        if (loweredKey.size() > 16)
            return;
        alignas(16) std::array<char, 16> one{}, other{};
        for (qsizetype i = 0; i < loweredKey.size(); ++i) {
            int found = 0;
            for (int byte = 0; byte < 256; ++byte) {
                if (cp1252::lowerOf(uchar(byte)) != loweredKey[i])
                    continue;
                if (++found > 2)
                    return; // not of use for this key: every line is tested exactly
                // A character that one byte alone lowers to is looked for twice.
                other[size_t(i)] = char(byte);
                if (found == 1)
                    one[size_t(i)] = char(byte);
            }
            if (found == 0)
                return; // nothing can match; the exact test says so
        }
        m_one = _mm_load_si128(reinterpret_cast<const __m128i *>(one.data()));
        m_other = _mm_load_si128(reinterpret_cast<const __m128i *>(other.data()));
        m_care = int((1u << loweredKey.size()) - 1);
        m_usable = true;
#endif
    }

    // False when the line at start cannot be the key's name.
    bool mayMatch(QByteArrayView content, qsizetype start) const
    {
#if defined(__SSE2__)
        if (!m_usable || content.size() - start < 16)
            return true;
        const auto *at = reinterpret_cast<const __m128i *>(content.data() + start);
        const __m128i line = _mm_loadu_si128(at);
        const __m128i same =
            _mm_or_si128(_mm_cmpeq_epi8(line, m_one), _mm_cmpeq_epi8(line, m_other));
        return (_mm_movemask_epi8(same) & m_care) == m_care;
#else
        return true;
#endif
    }

private:
#if defined(__SSE2__)
    __m128i m_one;
    __m128i m_other;
    int m_care = 0;
#endif
    bool m_usable = false;
};

// Where a name line starts in the content, and its length.
struct NamePlace
{
    qsizetype start;
    qsizetype length;
};

// Appends the names at the given places to the bytes filled so far, each
// followed by CR LF. A short name is copied as one move of sixteen bytes:
// what is copied past it is written over next, and room is kept for it.
void appendNames(QByteArrayView content, const NamePlace *places, size_t count,
                 QByteArray &names, qsizetype &filled)
{
    qsizetype needed = filled + 16;
    for (size_t i = 0; i < count; ++i)
        needed += places[i].length + kLineBreak.size();
    if (needed > names.size())
        names.resize(std::max(needed, 2 * names.size()));
    char *out = names.data() + filled;
    for (size_t i = 0; i < count; ++i) {
        const NamePlace name = places[i];
        const char *in = content.data() + name.start;
        if (name.length <= 16 && content.size() - name.start >= 16)
            std::memcpy(out, in, 16);
        else
            std::memcpy(out, in, size_t(name.length));
        std::memcpy(out + name.length, "\r\n", 2);
        out += name.length + kLineBreak.size();
    }
    filled = out - names.data();
}

bool holdsCr(QStringView text)
{
    return text.contains(QLatin1Char('\r'));
}

// The rest of a record whose name line starts at nameStart, as the main window
// shows it. The lines here are not tested for a begin marker; at the end of the
// file the record stops with what was read.
ShownEntry readShownEntry(QByteArrayView content, qsizetype nameStart)
{
    ShownEntry entry;
    LineReader reader(content.sliced(nameStart));
    if (reader.atEnd()) {
        entry.picture = kNoPicture.toString();
        return entry;
    }
    entry.name = cp1252::decode(reader.next());
    if (reader.atEnd()) {
        entry.picture = kNoPicture.toString();
        return entry;
    }
    entry.picture = cp1252::decode(reader.next());
    // Gathered as bytes and decoded once.
    QByteArray text;
    while (!reader.atEnd()) {
        const QByteArrayView line = reader.next();
        if (isEndMarker(line))
            break;
        text.append(line);
        text.append("\r\n", 2);
    }
    entry.text = cp1252::decode(text);
    return entry;
}

} // namespace

void detail::limitScanWidth([[maybe_unused]] ScanWidth widest)
{
#if defined(ZUMIVOK_AVX2_SCAN)
    widestAllowed = widest;
#endif
}

bool isBeginMarker(QByteArrayView line)
{
    return startsWith(line, kBeginMarker);
}

bool isEndMarker(QByteArrayView line)
{
    return startsWith(line, kEndMarker);
}

QString lowered(QStringView text)
{
    // Character by character, so that the length never changes and each
    // character can be set against one byte of a name line.
    QString result(text.size(), Qt::Uninitialized);
    QChar *out = result.data();
    for (const QChar character : text)
        *out++ = character.toLower();
    return result;
}

bool nameMatches(QStringView loweredKey, QByteArrayView nameLine)
{
    return loweredKey.size() == nameLine.size() && sameLowered(loweredKey, nameLine.data());
}

SearchHit searchRecords(ContentSource &source, QStringView typed)
{
    const QString key = lowered(typed);
    const bool canMatch = !holdsCr(key);
    const KeyFilter filter(key);
    SearchHit hit;
    Content content(source);
    BeginMarkers markers(content);
    qsizetype from = 0;
    for (qsizetype marker; (marker = markers.at(from)) >= 0;) {
        ++hit.entryNumber;
        const qsizetype nameStart = lineAfterMarker(content, marker);
        // Enough to tell whether the name line is the key and ends after it.
        const QByteArrayView bytes = content.upTo(nameStart + key.size() + 1);
        // A begin marker on the last line counts but has no name to match.
        if (nameStart >= bytes.size())
            break;
        if (canMatch && filter.mayMatch(bytes, nameStart) && nameAt(bytes, nameStart, key)) {
            hit.entry = readShownEntry(content.whole(), nameStart);
            break;
        }
        // The name line has been read and is not tested for a begin marker;
        // the rest of the record is scanned like any other lines.
        from = nameStart + 1;
    }
    return hit;
}

std::optional<ShownEntry> recordAt(ContentSource &source, qint64 position)
{
    if (position < 1)
        return std::nullopt;
    qint64 counted = 0;
    Content content(source);
    BeginMarkers markers(content);
    qsizetype from = 0;
    for (qsizetype marker; (marker = markers.at(from)) >= 0;) {
        if (++counted == position) {
            const QByteArrayView whole = content.whole();
            return readShownEntry(whole, lineAfterMarker(whole, marker));
        }
        // The name line of a record passed over is not read: it is tested for
        // a begin marker in its turn, like every other line.
        from = marker + 1;
    }
    return std::nullopt;
}

QString topicList(ContentSource &source)
{
    // The places of a batch of names are found first and the names copied
    // after: copying each name as soon as it is found makes the next record's
    // loads wait for stores whose address is known only with the name's length.
    // The names are gathered as bytes and decoded in one go at the end, sixteen
    // bytes at a time.
    std::array<NamePlace, 1024> batch;
    size_t batched = 0;
    QByteArray names;
    qsizetype filled = 0;
    Content content(source);
    BeginMarkers markers(content);
    qsizetype from = 0;
    for (qsizetype marker; (marker = markers.at(from)) >= 0;) {
        const qsizetype nameStart = lineAfterMarker(content, marker);
        QByteArrayView bytes = content.upTo(nameStart + 1);
        if (nameStart >= bytes.size())
            break; // a begin marker on the last line has no name to list
        qsizetype length = lineLength(bytes, nameStart);
        // A name that runs to the end of what was read may go on after it.
        if (nameStart + length == bytes.size()) {
            bytes = content.throughLine(nameStart);
            length = lineLength(bytes, nameStart);
        }
        batch[batched++] = {nameStart, length};
        if (batched == batch.size()) {
            appendNames(bytes, batch.data(), batched, names, filled);
            batched = 0;
        }
        from = nameStart + 1; // the name line is not tested for a begin marker
    }
    appendNames(content.upTo(0), batch.data(), batched, names, filled);
    return cp1252::decode(QByteArrayView(names.constData(), filled));
}

bool containsName(ContentSource &source, QStringView name)
{
    const QString key = lowered(name);
    if (holdsCr(key))
        return false;
    const KeyFilter filter(key);
    Content content(source);
    BeginMarkers markers(content);
    qsizetype from = 0;
    for (qsizetype marker; (marker = markers.at(from)) >= 0;) {
        const qsizetype nameStart = lineAfterMarker(content, marker);
        const QByteArrayView bytes = content.upTo(nameStart + key.size() + 1);
        if (nameStart >= bytes.size())
            return false;
        if (filter.mayMatch(bytes, nameStart) && nameAt(bytes, nameStart, key))
            return true;
        from = nameStart + 1; // the name line is not tested for a begin marker
    }
    return false;
}

SearchHit searchRecords(QByteArrayView content, QStringView typed)
{
    WholeContent whole(content);
    return searchRecords(whole, typed);
}

std::optional<ShownEntry> recordAt(QByteArrayView content, qint64 position)
{
    WholeContent whole(content);
    return recordAt(whole, position);
}

QString topicList(QByteArrayView content)
{
    WholeContent whole(content);
    return topicList(whole);
}

bool containsName(QByteArrayView content, QStringView name)
{
    WholeContent whole(content);
    return containsName(whole, name);
}

} // namespace zumivok
