#pragma once

// The store's line and record work over bytes in memory, for the tests and
// fuzzers: the same code the program runs over a file.

#include "store/lines.h"
#include "store/records.h"
#include "store/sort.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>
#include <utility>
#include <variant>

namespace zumivok::test {

// Bytes put into memory.
class ByteArraySink final : public ByteSink
{
public:
    void put(QByteArrayView bytes) override { m_bytes.append(bytes); }
    qint64 size() const override { return m_bytes.size(); }
    void truncate(qint64 size) override { m_bytes.truncate(size); }
    QByteArray take() { return std::exchange(m_bytes, QByteArray()); }

private:
    QByteArray m_bytes;
};

SearchHit searchRecords(QByteArrayView content, QStringView typed);
std::optional<ShownEntry> recordAt(QByteArrayView content, qint64 position);
QString topicList(QByteArrayView content);
bool containsName(QByteArrayView content, QStringView name);
QByteArray eraseRecords(QByteArrayView content, QStringView key);
std::variant<QByteArray, SortRefusal> sortedContent(QByteArrayView content);

} // namespace zumivok::test
