#include "store/pass_order.h"

#include "store/codepage.h"

#include <algorithm>
#include <array>
#include <numeric>

namespace zumivok {

namespace {

// The place of each byte's character in Unicode order, so that comparing
// codes compares characters. Below 0x80 the code is the byte itself.
const std::array<unsigned char, 256> &orderCodes()
{
    static const std::array<unsigned char, 256> table = [] {
        std::array<int, 256> bytes{};
        std::iota(bytes.begin(), bytes.end(), 0);
        const auto value = [](int byte) {
            return cp1252::toUnicode(static_cast<unsigned char>(byte)).unicode();
        };
        std::sort(bytes.begin(), bytes.end(), [&](int a, int b) { return value(a) < value(b); });
        std::array<unsigned char, 256> order{};
        for (size_t place = 0; place < bytes.size(); ++place)
            order[size_t(bytes[place])] = static_cast<unsigned char>(place);
        return order;
    }();
    return table;
}

unsigned char orderCode(char byte)
{
    return orderCodes()[static_cast<unsigned char>(byte)];
}

qsizetype firstDifference(QByteArrayView a, QByteArrayView b)
{
    const qsizetype common = std::min(a.size(), b.size());
    const char *pa = a.data();
    const char *pb = b.data();
    qsizetype i = 0;
    while (i < common && pa[i] == pb[i])
        ++i;
    return i;
}

// Ascending order of names, character by character on Unicode values; a
// name that begins another comes first. The code page maps bytes one to one,
// so two names first differ at the same place as bytes and as characters.
bool nameBefore(QByteArrayView a, QByteArrayView b)
{
    const qsizetype i = firstDifference(a, b);
    if (i < a.size() && i < b.size())
        return orderCode(a[i]) < orderCode(b[i]);
    return a.size() < b.size();
}

// The first 16 order codes of a name, for sorting without reaching into the
// content for every comparison; names that agree there are compared whole.
struct OrderKey
{
    quint64 high = 0;
    quint64 low = 0;
    qsizetype record = 0;
};

OrderKey orderKey(QByteArrayView name, qsizetype record)
{
    const auto &order = orderCodes();
    OrderKey key;
    key.record = record;
    for (qsizetype i = 0; i < 16; ++i) {
        const quint64 code = i < name.size() ? order[static_cast<unsigned char>(name[i])] : 0;
        quint64 &half = i < 8 ? key.high : key.low;
        half = (half << 8) | code;
    }
    return key;
}

// Whether a candidate of this name replaces a pick of that name: the name is
// held against the pick's name followed by CR LF and the rest of the pick. No
// name holds a CR, so the comparison is decided at the latest right there.
bool replacesPick(QByteArrayView candidate, QByteArrayView pick)
{
    const qsizetype i = firstDifference(candidate, pick);
    if (i < candidate.size() && i < pick.size())
        return orderCode(candidate[i]) < orderCode(pick[i]);
    if (candidate.size() <= pick.size())
        return true;
    return static_cast<unsigned char>(candidate[pick.size()]) < '\r';
}

bool holdsCharacterBelowCr(QByteArrayView name)
{
    return std::any_of(name.begin(), name.end(),
                       [](char c) { return static_cast<unsigned char>(c) < '\r'; });
}

// Finds, among live name ranks in [lo, hi), the first whose record stands
// after a given place in the file. A tree over the ranks keeps the last place
// among the live records below each node (-1 where none is left).
class PlaceTree
{
public:
    explicit PlaceTree(const std::vector<qsizetype> &placeOfRank)
    {
        m_leaves = 1;
        while (m_leaves < qsizetype(placeOfRank.size()))
            m_leaves *= 2;
        m_last.assign(size_t(2 * m_leaves), -1);
        for (size_t rank = 0; rank < placeOfRank.size(); ++rank)
            m_last[size_t(m_leaves) + rank] = placeOfRank[rank];
        for (qsizetype node = m_leaves - 1; node > 0; --node)
            m_last[size_t(node)] = std::max(m_last[size_t(2 * node)], m_last[size_t(2 * node + 1)]);
    }

    void remove(qsizetype rank)
    {
        qsizetype node = m_leaves + rank;
        m_last[size_t(node)] = -1;
        for (node /= 2; node > 0; node /= 2)
            m_last[size_t(node)] = std::max(m_last[size_t(2 * node)], m_last[size_t(2 * node + 1)]);
    }

    // The first rank in [lo, hi) whose place is after `after`, or -1.
    qsizetype firstAfter(qsizetype lo, qsizetype hi, qsizetype after) const
    {
        return search(1, 0, m_leaves, lo, hi, after);
    }

private:
    qsizetype search(qsizetype node, qsizetype nodeLo, qsizetype nodeHi, qsizetype lo,
                     qsizetype hi, qsizetype after) const
    {
        if (nodeHi <= lo || hi <= nodeLo || m_last[size_t(node)] <= after)
            return -1;
        if (nodeHi - nodeLo == 1)
            return nodeLo;
        const qsizetype middle = (nodeLo + nodeHi) / 2;
        const qsizetype left = search(2 * node, nodeLo, middle, lo, hi, after);
        return left >= 0 ? left : search(2 * node + 1, middle, nodeHi, lo, hi, after);
    }

    qsizetype m_leaves = 1;
    std::vector<qsizetype> m_last;
};

} // namespace

std::vector<qsizetype> passOrder(qsizetype count,
                                 const std::function<QByteArrayView(qsizetype)> &nameOf)
{
    std::vector<OrderKey> keys;
    keys.reserve(size_t(count));
    bool lowCharacters = false;
    for (qsizetype i = 0; i < count; ++i) {
        keys.push_back(orderKey(nameOf(i), i));
        lowCharacters = lowCharacters || holdsCharacterBelowCr(nameOf(i));
    }
    std::sort(keys.begin(), keys.end(), [&nameOf](const OrderKey &a, const OrderKey &b) {
        if (a.high != b.high)
            return a.high < b.high;
        if (a.low != b.low)
            return a.low < b.low;
        return nameBefore(nameOf(a.record), nameOf(b.record));
    });
    std::vector<qsizetype> byName;
    byName.reserve(size_t(count));
    for (const OrderKey &key : keys)
        byName.push_back(key.record);
    keys = {};
    if (!lowCharacters)
        return byName;

    auto nameOfRank = [&](qsizetype rank) { return nameOf(byName[size_t(rank)]); };
    // The ranks [rank + 1, reach[rank]) hold the names that go on from the
    // rank's name with a character below CR.
    std::vector<qsizetype> reach(size_t(count), 0);
    for (qsizetype rank = 0; rank < count; ++rank) {
        const QByteArrayView name = nameOfRank(rank);
        qsizetype lo = rank + 1;
        qsizetype hi = count;
        if (lo < count && !replacesPick(nameOfRank(lo), name))
            hi = lo;
        while (lo < hi) {
            const qsizetype middle = lo + (hi - lo) / 2;
            if (replacesPick(nameOfRank(middle), name))
                lo = middle + 1;
            else
                hi = middle;
        }
        reach[size_t(rank)] = lo;
    }

    PlaceTree tree(byName);
    std::vector<bool> taken(size_t(count), false);
    std::vector<qsizetype> order;
    order.reserve(size_t(count));
    qsizetype smallest = 0;
    for (qsizetype pass = 0; pass < count; ++pass) {
        while (taken[size_t(smallest)])
            ++smallest;
        qsizetype rank = smallest;
        for (;;) {
            if (reach[size_t(rank)] == rank + 1)
                break;
            const qsizetype next = tree.firstAfter(rank + 1, reach[size_t(rank)], byName[size_t(rank)]);
            if (next < 0)
                break;
            rank = next;
        }
        taken[size_t(rank)] = true;
        tree.remove(rank);
        order.push_back(byName[size_t(rank)]);
    }
    return order;
}


} // namespace zumivok
