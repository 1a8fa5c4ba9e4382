#include "support/memory_store.h"

#include "store/erase.h"

namespace zumivok::test {

namespace {

template <typename Run>
auto overBytes(QByteArrayView content, Run run)
{
    MemorySource source(content);
    LineReader lines(source);
    return run(lines);
}

} // namespace

SearchHit searchRecords(QByteArrayView content, QStringView typed)
{
    return overBytes(content,
                     [&](LineReader &lines) { return zumivok::searchRecords(lines, typed); });
}

std::optional<ShownEntry> recordAt(QByteArrayView content, qint64 position)
{
    return overBytes(content,
                     [&](LineReader &lines) { return zumivok::recordAt(lines, position); });
}

QString topicList(QByteArrayView content)
{
    return overBytes(content, [](LineReader &lines) { return zumivok::topicList(lines); });
}

bool containsName(QByteArrayView content, QStringView name)
{
    return overBytes(content,
                     [&](LineReader &lines) { return zumivok::containsName(lines, name); });
}

QByteArray eraseRecords(QByteArrayView content, QStringView key)
{
    ByteArraySink out;
    overBytes(content, [&](LineReader &lines) {
        zumivok::eraseRecords(lines, key, out);
        return 0;
    });
    return out.take();
}

std::variant<QByteArray, SortRefusal> sortedContent(QByteArrayView content)
{
    const SortedContent sorted(content);
    if (sorted.refusal())
        return *sorted.refusal();
    ByteArraySink out;
    sorted.writeTo(out);
    return out.take();
}

} // namespace zumivok::test
