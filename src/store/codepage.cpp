#include "store/codepage.h"

#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Decodes into room for bytes.size() characters.
void decodeInto(QByteArrayView bytes, QChar *out)
{
    const char *in = bytes.data();
    const char *const end = in + bytes.size();
#if defined(__SSE2__)
    // Sixteen bytes at a time are widened as they are when none of them lies
    // in 0x80-0x9F, the only bytes whose character differs from their value.
    const __m128i zero = _mm_setzero_si128();
    const __m128i highBits = _mm_set1_epi8(char(0xE0));
    const __m128i highControl = _mm_set1_epi8(char(0x80));
    while (end - in >= 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in));
        const __m128i special = _mm_cmpeq_epi8(_mm_and_si128(chunk, highBits), highControl);
        if (_mm_movemask_epi8(special) != 0) {
            for (const char *stop = in + 16; in < stop; ++in)
                *out++ = QChar(kToUnicode[static_cast<unsigned char>(*in)]);
            continue;
        }
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_unpacklo_epi8(chunk, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 8), _mm_unpackhi_epi8(chunk, zero));
        in += 16;
        out += 16;
    }
#endif
    for (; in < end; ++in)
        *out++ = QChar(kToUnicode[static_cast<unsigned char>(*in)]);
}

} // namespace

constinit const std::array<char16_t, 256> detail::kLowerTable = makeLower();

QChar toUnicode(unsigned char byte)
{
    return QChar(kToUnicode[byte]);
}

QString decode(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    decodeInto(bytes, text.data());
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
