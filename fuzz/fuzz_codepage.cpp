// The code page: any bytes decode one character each, as the byte table says,
// and encode back to themselves; for any text, canEncode, firstUnencodable and
// encode agree. Input: bytes of a file, also read as UTF-16 text.

#include "harness.h"

#include "store/codepage.h"

#include <QString>

#include <cstring>

using namespace zumivok;
using zumivok::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const QString decoded = cp1252::decode(bytes);
    check(decoded.size() == bytes.size(), "decode: one character a byte");
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        check(decoded[i] == cp1252::toUnicode(byte), "decode: the byte's character");
        check(cp1252::lowerOf(byte) == decoded[i].toLower(), "lowerOf: the character's lower case");
    }
    check(cp1252::firstUnencodable(decoded) == -1, "decoded text: all encodable");
    check(cp1252::encode(decoded) == bytes, "decode and encode: the same bytes");

    // The same bytes as UTF-16 bring characters the code page lacks.
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    // An empty input may come as a null pointer, which memcpy must not be
    // given even for no bytes.
    if (!text.isEmpty())
        std::memcpy(text.data(), data, size_t(text.size()) * sizeof(QChar));
    const QByteArray encoded = cp1252::encode(text);
    check(encoded.size() == text.size(), "encode: one byte a character");
    qsizetype first = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool can = cp1252::canEncode(text[i]);
        const bool roundTrip = cp1252::toUnicode(static_cast<unsigned char>(encoded[i])) == text[i];
        check(can == roundTrip, "canEncode: exactly the characters that come back");
        check(can || encoded[i] == '?', "encode: '?' for a character it cannot hold");
        if (!can && first < 0)
            first = i;
    }
    check(cp1252::firstUnencodable(text) == first, "firstUnencodable: the first one");
    return 0;
}
