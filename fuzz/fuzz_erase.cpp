// Erase and Save through the store on real files: a name is erased, then a
// record of that name appended (or both in one replacement, as Edit does).
// When a step goes through, the name is gone after the erase, and after the
// append Search shows the new entry, Topic lists it once after the names that
// were there, and the duplicate test sees it. When the store refuses a step,
// the file is byte for byte as it was. Input: a byte of choices, the name's
// bytes, a NUL, the data text, a NUL, then the file.

#include "harness.h"

#include "platform/files.h"
#include "store/codepage.h"
#include "store/data_file.h"
#include "store/records.h"
#include "store/new_record.h"
#include "support/memory_store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <optional>

using namespace zumivok;
using namespace zumivok::test;
using zumivok::fuzz::check;

namespace {

// The file's bytes, or nothing where there is no file.
using Snapshot = std::optional<QByteArray>;

Snapshot snapshot(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// The data text as the main window shows it once saved: its lines, each
// followed by CR LF; Save ends the text with CR LF of its own.
QString shownText(const QString &data)
{
    QString shown;
    const QString written = data + QStringLiteral("\r\n");
    qsizetype start = 0;
    while (start < written.size()) {
        const qsizetype cr = written.indexOf(QLatin1Char('\r'), start);
        shown += written.mid(start, cr - start) + QStringLiteral("\r\n");
        start = cr + 1;
        if (start < written.size() && written[start] == QLatin1Char('\n'))
            ++start;
    }
    return shown;
}

qsizetype timesListed(const QString &topic, const QString &name)
{
    qsizetype times = 0;
    for (const QString &listed : topic.split(QStringLiteral("\r\n")))
        times += lowered(listed) == lowered(name) ? 1 : 0;
    return times;
}

// The name: typed, or a record's name from the file; stored as Save stores it.
QString chooseName(unsigned char choices, QByteArrayView typed, QByteArrayView content)
{
    if (!(choices & 4))
        return storedName(cp1252::decode(typed));
    const QStringList names = topicList(content).split(QStringLiteral("\r\n"));
    return storedName(names[(choices >> 4) % names.size()]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArrayView input(data, qsizetype(size));
    const unsigned char choices = fuzz::takeByte(input);
    const QByteArrayView typed = fuzz::takeField(input);
    const QString text = cp1252::decode(fuzz::takeField(input));
    const QByteArrayView content = input;
    const bool asOneReplacement = choices & 1;
    const bool noDataFile = choices & 2;
    const QString picture =
        choices & 8 ? QStringLiteral("/pics/zumling.png") : QStringLiteral("No picture");
    const QString name = chooseName(choices, typed, content);

    QTemporaryDir dir(fuzz::folderRoot() + QStringLiteral("/erase-XXXXXX"));
    check(dir.isValid(), "a folder for the catalogue");
    Files files;
    DataFile file(files, dir.path());
    if (!noDataFile) {
        QFile out(file.path());
        check(out.open(QIODevice::WriteOnly)
                  && out.write(content.data(), content.size()) == content.size(),
              "the file written");
    }
    const Snapshot before = snapshot(file.path());

    // Only a record that Done would write is appended.
    const bool saved = !name.isEmpty() && !text.isEmpty() && !checkRecord(name, picture, text);
    if (asOneReplacement && !saved)
        return 0;
    Snapshot erased = before;
    if (!asOneReplacement) {
        if (file.erase(name)) {
            check(snapshot(file.path()) == before, "a refused erase changed the file");
            return 0;
        }
        erased = snapshot(file.path());
        check(erased.has_value() == before.has_value(), "erase made or removed the file");
        const Outcome<bool> stillThere = file.containsName(name);
        check(stillThere.ok() && !stillThere.value, "the erased name is still there");
        if (!saved)
            return 0;
    }
    const QString namesBefore =
        topicList(asOneReplacement ? eraseRecords(before.value_or(""), name) : erased.value_or(""));

    const QByteArray record = recordBytes(name, picture, text);
    const std::optional<StoreError> refused =
        asOneReplacement ? file.replaceEntry(name, record) : file.append(record);
    if (refused) {
        check(snapshot(file.path()) == erased, "a refused save changed the file");
        return 0;
    }
    const Outcome<SearchHit> found = file.search(name);
    check(found.ok() && found.value.entry.has_value(), "Search finds the saved entry");
    const ShownEntry &shown = *found.value.entry;
    check(shown.name == name && shown.picture == picture && shown.text == shownText(text),
          "Search shows the saved entry");
    const Outcome<QString> topic = file.topicList();
    check(topic.ok() && timesListed(topic.value, name) == 1, "Topic lists the name once");
    check(topic.value == namesBefore + name + QStringLiteral("\r\n"),
          "Topic lists the names that were there, then the new one");
    const Outcome<bool> duplicate = file.containsName(name);
    check(duplicate.ok() && duplicate.value, "the duplicate test sees the name");
    check(QDir(dir.path()).entryList(QDir::Files) == QStringList{QStringLiteral("zumivok.dat")},
          "nothing left but zumivok.dat");
    return 0;
}
