#pragma once

// The store's line and record work over bytes in memory, for the tests and
// fuzzers: the same code the program runs over a file.

#include "store/erase.h"
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

// Runs a reader's work over the content.
template <typename Work>
auto overBytes(QByteArrayView content, Work work)
{
    MemorySource source(content);
    LineReader lines(source);
    return work(lines);
}

inline SearchHit searchRecords(QByteArrayView content, QStringView typed)
{
    return overBytes(content, [&](LineReader &lines) { return zumivok::searchRecords(lines, typed); });
}

inline std::optional<ShownEntry> recordAt(QByteArrayView content, qint64 position)
{
    return overBytes(content, [&](LineReader &lines) { return zumivok::recordAt(lines, position); });
}

inline QString topicList(QByteArrayView content)
{
    return overBytes(content, [](LineReader &lines) { return zumivok::topicList(lines); });
}

inline bool containsName(QByteArrayView content, QStringView name)
{
    return overBytes(content, [&](LineReader &lines) { return zumivok::containsName(lines, name); });
}

inline QByteArray eraseRecords(QByteArrayView content, QStringView key)
{
    ByteArraySink out;
    overBytes(content, [&](LineReader &lines) { return zumivok::eraseRecords(lines, key, out); });
    return out.take();
}

inline std::variant<QByteArray, SortRefusal> sortedContent(QByteArrayView content)
{
    const SortedContent sorted(content);
    if (sorted.refusal())
        return *sorted.refusal();
    ByteArraySink out;
    sorted.writeTo(out);
    return out.take();
}

} // namespace zumivok::test
