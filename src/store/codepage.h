#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <array>

namespace zumivok::cp1252 {

// The data file is Windows-1252: one byte per character. The five bytes the
// code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1
// controls of the same value, so every byte has a character and a file that is
// decoded and encoded again comes back byte for byte.

QChar toUnicode(unsigned char byte);
QString decode(QByteArrayView bytes);

bool canEncode(QChar character);
// Index of the first character that the code page cannot hold, or -1.
qsizetype firstUnencodable(QStringView text);
// Every character of text must be encodable (see firstUnencodable).
QByteArray encode(QStringView text);

namespace detail {
// lowerOf's table; constant, so it is ready before any code runs.
extern const std::array<char16_t, 256> kLowerTable;
} // namespace detail

// The lower-case form of the character that byte stands for, as QChar::toLower
// gives it: a table, so that names can be matched without decoding lines.
// Inline because name matching calls it for every byte of every name it tests.
inline QChar lowerOf(unsigned char byte)
{
    return QChar(detail::kLowerTable[byte]);
}

} // namespace zumivok::cp1252
