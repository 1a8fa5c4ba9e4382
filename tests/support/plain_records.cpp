#include "support/plain_records.h"

#include "store/codepage.h"

namespace zumivok::test::plain {

namespace {

bool beginsRecord(const QByteArray &line)
{
    return line.startsWith("~Begin Entry");
}

bool endsRecord(const QByteArray &line)
{
    return line.startsWith("~End Entry");
}

// Lower case one character at a time, so that a name keeps its length.
QString lowerEach(QStringView text)
{
    QString lower;
    for (const QChar character : text)
        lower += character.toLower();
    return lower;
}

// The record from its name line, at at, on: the picture line and the data
// lines up to the end marker. Where the file ends first, what was read
// stands: a missing name reads as "", a missing picture line as "No picture".
ShownEntry entryFrom(const QByteArrayList &lines, qsizetype at)
{
    ShownEntry entry{QString(), QStringLiteral("No picture"), QString()};
    if (at < lines.size())
        entry.name = cp1252::decode(lines[at++]);
    if (at < lines.size())
        entry.picture = cp1252::decode(lines[at++]);
    for (; at < lines.size() && !endsRecord(lines[at]); ++at)
        entry.text += cp1252::decode(lines[at]) + QStringLiteral("\r\n");
    return entry;
}

} // namespace

QByteArrayList lines(QByteArrayView bytes)
{
    QByteArrayList lines;
    for (qsizetype at = 0; at < bytes.size();) {
        qsizetype cr = at;
        while (cr < bytes.size() && bytes[cr] != '\r')
            ++cr;
        lines.append(bytes.sliced(at, cr - at).toByteArray());
        at = cr + 1;
        if (at < bytes.size() && bytes[at] == '\n')
            ++at;
    }
    return lines;
}

SearchHit search(QByteArrayView bytes, QStringView typed)
{
    const QByteArrayList all = lines(bytes);
    const QString key = lowerEach(typed);
    SearchHit hit;
    for (qsizetype i = 0; i < all.size();) {
        if (!beginsRecord(all[i++]))
            continue;
        ++hit.entryNumber;
        if (i < all.size() && lowerEach(cp1252::decode(all[i++])) == key)
            return {hit.entryNumber, entryFrom(all, i - 1)};
    }
    return hit;
}

std::optional<ShownEntry> recordAt(QByteArrayView bytes, qint64 position)
{
    const QByteArrayList all = lines(bytes);
    qint64 counted = 0;
    for (qsizetype i = 0; i < all.size();) {
        if (beginsRecord(all[i++]) && ++counted == position)
            return entryFrom(all, i);
    }
    return std::nullopt;
}

QString topicList(QByteArrayView bytes)
{
    const QByteArrayList all = lines(bytes);
    QString names;
    for (qsizetype i = 0; i < all.size();) {
        if (beginsRecord(all[i++]) && i < all.size())
            names += cp1252::decode(all[i++]) + QStringLiteral("\r\n");
    }
    return names;
}

QList<Record> records(QByteArrayView bytes, bool *endMarkerOutside)
{
    const QByteArrayList all = lines(bytes);
    QList<Record> found;
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (!beginsRecord(all[i])) {
            if (endMarkerOutside && endsRecord(all[i]))
                *endMarkerOutside = true;
            continue;
        }
        Record record;
        for (++i; i < all.size(); ++i) {
            record.lines.append(all[i]);
            if (record.lines.size() >= 3 && endsRecord(all[i])) {
                record.complete = true;
                break;
            }
        }
        found.append(record);
    }
    return found;
}

} // namespace zumivok::test::plain
