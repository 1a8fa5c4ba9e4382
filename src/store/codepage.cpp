#include "store/codepage.h"

#include <array>
#include <cstring>

namespace zumivok::cp1252 {

namespace {

// Bytes 0x80 to 0x9F: the only range in which Windows-1252 differs from
// Latin-1. The five bytes the code page leaves undefined keep the C1 control
// of their own value, so that they survive a decode and encode unchanged.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

constexpr std::array<char16_t, 256> makeToUnicode()
{
    std::array<char16_t, 256> table{};
    for (int byte = 0; byte < 256; ++byte)
        table[size_t(byte)] = byte >= 0x80 && byte < 0xA0 ? kHighControls[size_t(byte - 0x80)]
                                                            : char16_t(byte);
    return table;
}

constexpr std::array<char16_t, 256> kToUnicode = makeToUnicode();

// The byte for a character, or -1 when the code page has none.
constexpr int byteOf(char16_t character)
{
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return character;
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[size_t(i)] == character)
            return 0x80 + i;
    }
    return -1;
}

// QChar::toLower restricted to the characters of the code page. It is written
// out here rather than asked of QChar so that the table is a constant: the
// tests hold it against QChar::toLower for every byte.
constexpr char16_t lowerCase(char16_t character)
{
    if ((character >= u'A' && character <= u'Z')
        || (character >= 0xC0 && character <= 0xDE && character != 0xD7))
        return char16_t(character + 0x20);
    switch (character) {
    case 0x0152: return 0x0153; // Œ
    case 0x0160: return 0x0161; // Š
    case 0x017D: return 0x017E; // Ž
    case 0x0178: return 0x00FF; // Ÿ
    default: return character;
    }
}

constexpr std::array<char16_t, 256> makeLower()
{
    std::array<char16_t, 256> table{};
    for (size_t byte = 0; byte < 256; ++byte)
        table[byte] = lowerCase(kToUnicode[byte]);
    return table;
}

// Whether any byte lies in 0x80-0x9F, eight bytes at a time: a byte b is one
// of them when b & 0xE0 is 0x80, that is when b & 0xE0 ^ 0x80 is zero.
bool holdsHighControl(QByteArrayView bytes)
{
    constexpr quint64 kOnes = 0x0101010101010101u;
    constexpr quint64 kHighs = 0x8080808080808080u;
    qsizetype i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        quint64 word;
        std::memcpy(&word, bytes.data() + i, sizeof word);
        const quint64 masked = (word & (0xE0 * kOnes)) ^ kHighs;
        // A zero byte in masked sets its high bit here (and may set a few
        // above it, which makes no difference to "any").
        if ((masked - kOnes) & ~masked & kHighs)
            return true;
    }
    for (; i < bytes.size(); ++i) {
        if ((static_cast<unsigned char>(bytes[i]) & 0xE0) == 0x80)
            return true;
    }
    return false;
}

} // namespace

constinit const std::array<char16_t, 256> detail::kLowerTable = makeLower();

QChar toUnicode(unsigned char byte)
{
    return QChar(kToUnicode[byte]);
}

QString decode(QByteArrayView bytes)
{
    // Every byte but 0x80-0x9F stands for the character of its own value, as
    // in Latin-1; those few are put right afterwards.
    QString text = QString::fromLatin1(bytes);
    if (!holdsHighControl(bytes))
        return text;
    for (QChar &character : text) {
        if (character.unicode() >= 0x80 && character.unicode() < 0xA0)
            character = QChar(kToUnicode[character.unicode()]);
    }
    return text;
}

bool canEncode(QChar character)
{
    return byteOf(character.unicode()) >= 0;
}

qsizetype firstUnencodable(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!canEncode(text[i]))
            return i;
    }
    return -1;
}

QByteArray encode(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    for (const QChar character : text) {
        const int byte = byteOf(character.unicode());
        // Callers check with firstUnencodable first; should one slip through,
        // a visible '?' is better than a control byte.
        *out++ = byte >= 0 ? char(byte) : '?';
    }
    return bytes;
}

} // namespace zumivok::cp1252
