// Our sort against the slow pick-and-erase sort on real files, over generated
// catalogues: where the slow sort moves every record whole and exactly once,
// the bytes must be equal; where it does not, ours must refuse.

#include "store/codepage.h"
#include "store/sort.h"
#include "support/literal_sort.h"
#include "support/temp_catalogue.h"
#include "support/memory_store.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <map>

using namespace zumivok;
using zumivok::test::sortedContent;
using zumivok::test::LiteralSortRun;
using zumivok::test::TempCatalogue;

namespace {

const QString kBegin = QStringLiteral("~Begin Entry");
const QString kEnd = QStringLiteral("~End Entry");

QStringList fileLines(const QByteArray &bytes)
{
    QStringList lines;
    qsizetype at = 0;
    while (at < bytes.size()) {
        qsizetype cr = bytes.indexOf('\r', at);
        if (cr < 0)
            cr = bytes.size();
        lines.append(cp1252::decode(QByteArrayView(bytes).sliced(at, cr - at)));
        at = cr + 1;
        if (at < bytes.size() && bytes[at] == '\n')
            ++at;
    }
    return lines;
}

// A record as the file's layout defines it: after the begin-marker line, the
// name and picture lines whatever they hold, then data lines through the first
// end-marker line. Incomplete when the file ends first.
struct FileRecord
{
    QStringList lines;
    bool complete = false;
};

QList<FileRecord> recordsOf(const QByteArray &bytes, bool *endMarkerOutside = nullptr)
{
    const QStringList lines = fileLines(bytes);
    QList<FileRecord> records;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!lines[i].startsWith(kBegin)) {
            if (endMarkerOutside && lines[i].startsWith(kEnd))
                *endMarkerOutside = true;
            continue;
        }
        FileRecord record;
        for (++i; i < lines.size(); ++i) {
            record.lines.append(lines[i]);
            if (record.lines.size() >= 3 && lines[i].startsWith(kEnd)) {
                record.complete = true;
                break;
            }
        }
        records.append(record);
    }
    return records;
}

// Whether a pick is the record, less none or some of its empty data lines.
bool isRecordLessEmptyData(const QStringList &pick, const QStringList &record)
{
    if (pick.size() < 3 || pick[0] != record[0] || pick[1] != record[1] || pick.last() != record.last())
        return false;
    qsizetype r = 2;
    for (qsizetype p = 2; p + 1 < pick.size(); ++p, ++r) {
        while (r + 1 < record.size() && record[r] != pick[p] && record[r].isEmpty())
            ++r;
        if (r + 1 >= record.size() || record[r] != pick[p])
            return false;
    }
    for (; r + 1 < record.size(); ++r) {
        if (!record[r].isEmpty())
            return false;
    }
    return true;
}

// The slow sort kept every record whole and exactly once: it finished, and its
// picks are the file's records, one each.
bool keptEveryRecord(const QByteArray &before, const LiteralSortRun &run)
{
    if (run.outcome != LiteralSortRun::Outcome::Sorted)
        return false;
    const QList<FileRecord> records = recordsOf(before);
    if (run.picks.size() != records.size())
        return false;
    QList<bool> used(records.size(), false);
    for (const QString &pick : run.picks) {
        QStringList lines = pick.split(QStringLiteral("\r\n"));
        lines.removeLast(); // every line, the last one too, ends with CR LF
        bool found = false;
        for (qsizetype i = 0; i < records.size() && !found; ++i) {
            if (!used[i] && records[i].complete && isRecordLessEmptyData(lines, records[i].lines))
                used[i] = found = true;
        }
        if (!found)
            return false;
    }
    return true;
}

QByteArray escaped(const QByteArray &bytes)
{
    QByteArray out;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n\n";
        else if (u < 0x20 || u >= 0x7F)
            out += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out;
}

// Catalogues of two kinds: ones that our editor could have written, and
// hand-made ones full of what the layout allows and what breaks it.
class Generator
{
public:
    explicit Generator(quint32 seed) : m_random(seed) { }

    int below(int n) { return int(m_random.bounded(quint32(n))); }
    bool chance(int percent) { return below(100) < percent; }
    template <typename T>
    T oneOf(const QList<T> &list) { return list[below(int(list.size()))]; }
    void setStrayEndChance(int percent) { m_strayEnds = percent; }

    QByteArray handMade()
    {
        QList<QByteArray> names;
        QSet<QByteArray> lowered;
        const int count = chance(10) ? 30 + below(30) : below(12);
        while (names.size() < count) {
            QByteArray name = handMadeName(names);
            if (!chance(4) && lowered.contains(lowerOf(name)))
                continue;
            lowered.insert(lowerOf(name));
            names.append(name);
        }
        QList<QList<QByteArray>> records; // each as its lines, begin marker first
        for (const QByteArray &name : names) {
            QList<QByteArray> lines{chance(10) ? "~Begin Entry 3" : "~Begin Entry", name,
                                    oneOf<QByteArray>({"No picture", "No picture", "/pics/z.png", "",
                                                       "no picture"})};
            const int data = chance(8) ? 20 + below(30) : below(5);
            for (int i = 0; i < data; ++i)
                lines.append(oneOf(kDataLines));
            lines.append(chance(12) ? "~End Entry." : "~End Entry");
            records.append(lines);
        }
        const int breakages = chance(45) ? 1 + below(2) : 0;
        for (int i = 0; i < breakages; ++i)
            breakRecords(records);
        QList<QByteArray> lines;
        if (chance(30))
            lines.append("// DO NOT EDIT THIS FILE");
        for (const auto &record : records) {
            if (chance(25))
                lines.append(oneOf<QByteArray>({"", "", "notes", "  ", "~end entry", "~Begin Entr"}));
            if (chance(m_strayEnds))
                lines.append(oneOf<QByteArray>({"~End Entry", "~End Entry stray"}));
            lines += record;
        }
        if (chance(m_strayEnds))
            lines.append("~End Entry");
        if (chance(4))
            lines.append("~Begin Entry");
        QByteArray bytes;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            bytes += lines[i];
            if (i + 1 < lines.size() || chance(70))
                bytes += chance(4) ? "\r" : "\r\n";
        }
        return bytes;
    }

    // What Add, Edit, Delete and Sort leave behind, starting from a file that
    // may hold a few lines of the user's own.
    QByteArray editorWritten(TempCatalogue &catalogue)
    {
        catalogue.write(oneOf<QByteArray>({"", "", "My Zumlings\r\n", "notes\r\n\r\nno terminator"}));
        QList<QByteArray> names;
        const int operations = 5 + below(25);
        for (int op = 0; op < operations; ++op) {
            const int what = below(10);
            if (what < 5 || names.isEmpty()) {
                const QByteArray name = editorName(names);
                if (name.isEmpty() || names.contains(name))
                    continue;
                names.append(name);
                append(catalogue, name);
            } else if (what < 7) {
                const QByteArray name = oneOf(names);
                zumivok::test::literalErase(catalogue.directory(), cp1252::decode(name));
                append(catalogue, name);
            } else if (what < 9) {
                const QByteArray name = names.takeAt(below(int(names.size())));
                zumivok::test::literalErase(catalogue.directory(), cp1252::decode(name));
            } else {
                auto result = sortedContent(catalogue.read());
                if (!std::holds_alternative<QByteArray>(result))
                    qFatal("an editor-written file was refused:\n%s", escaped(catalogue.read()).constData());
                catalogue.write(std::get<QByteArray>(result));
            }
        }
        return catalogue.read();
    }

private:
    static QByteArray lowerOf(const QByteArray &name)
    {
        return cp1252::encode(cp1252::decode(name).toLower());
    }

    QByteArray handMadeName(const QList<QByteArray> &taken)
    {
        static const QList<QByteArray> bases{
            "25", "ALBA", "NIX", "NIXTWO", "NIX TWO", "A", "AB", "ZED", "\xC9" "CLAIR", "\xE9" "clair",
            "\x8A" "UMA", "\x9A" "uma", "STRA\xDF" "E", "stra\xDF" "e", "\xC4PFEL", "~TILDE", "0", "",
            "Zumling", "ZUMLING", "\xFF", "\x9F", " LEADING", "z\xE9ta"};
        static const QList<QByteArray> tails{"\tTWO", "\t", "\tB", "\nX", "\x0B", "TWO", " 2", "\t\tC",
                                             "\n", "\x01" "A", "B"};
        if (chance(5))
            return "~End Entry" + (chance(50) ? QByteArray() : oneOf(tails));
        QByteArray name = !taken.isEmpty() && chance(30) ? oneOf(taken) : oneOf(bases);
        if (chance(50))
            name += oneOf(tails);
        if (chance(10) && !name.isEmpty()) // a case variant
            name = cp1252::encode(cp1252::decode(name).toUpper());
        return name;
    }

    // Upper case, trimmed of blanks, tabs kept, no line break; distinct from
    // the names in the file ignoring case.
    QByteArray editorName(const QList<QByteArray> &taken)
    {
        static const QList<QByteArray> pieces{"NIX", "ALBA", "25", "\xC9T\xC9", "\x8A" "UMA", "STRA\xDF" "E",
                                              "~TILDE", "\t", "\tTWO", " 2", "\xC4", "Z", "\x8C" "UVRE"};
        QByteArray name = !taken.isEmpty() && chance(30) ? oneOf(taken) : QByteArray();
        for (int i = chance(50) ? 1 : 2; i > 0; --i)
            name += oneOf(pieces);
        while (name.startsWith(' '))
            name.remove(0, 1);
        while (name.endsWith(' '))
            name.chop(1);
        for (const QByteArray &other : taken) {
            if (lowerOf(other) == lowerOf(name))
                return QByteArray();
        }
        return name;
    }

    void append(TempCatalogue &catalogue, const QByteArray &name)
    {
        QByteArray bytes = catalogue.read();
        if (!bytes.isEmpty() && !bytes.endsWith('\r') && !bytes.endsWith("\r\n"))
            bytes += "\r\n";
        bytes += "~Begin Entry\r\n" + name + "\r\n" + (chance(70) ? "No picture" : "/home/ann/zumling.png")
                 + "\r\n";
        const int data = 1 + below(4);
        for (int i = 0; i < data; ++i) {
            QByteArray line = oneOf(kDataLines);
            if (line.startsWith("~Begin Entry") || line.startsWith("~End Entry") || line.contains('\n'))
                line = "text";
            bytes += line + "\r\n";
        }
        if (chance(30)) // a text that ends with a line break
            bytes += "\r\n";
        catalogue.write(bytes + "~End Entry\r\n");
    }

    void breakRecords(QList<QList<QByteArray>> &records)
    {
        if (records.isEmpty())
            return;
        QList<QByteArray> &record = records[below(int(records.size()))];
        const qsizetype dataAt = 3 + below(std::max(1, int(record.size()) - 2));
        switch (below(9)) {
        case 0: record.insert(std::min(dataAt, record.size() - 1), "~Begin Entry"); break;
        case 1: record.insert(std::min(dataAt, record.size() - 1), "~End Entry early"); break;
        case 2: record.removeLast(); break;
        case 3: records.last().removeLast(); break;
        case 4: record[1] = records.first()[1].toLower(); break;
        case 5: record[1] = "~End Entry" + record[1]; break;
        case 6: record[2] = chance(50) ? "~End Entry" : "~Begin Entry"; break;
        case 7: record[1] = "~Begin Entry"; break;
        case 8: record.removeAt(2); break; // no picture line
        }
    }

    static inline const QList<QByteArray> kDataLines{
        "25", "An electric mouse.", "", "", "~begin entry", "~End Entr", "  indented", "\xE9t\xE9",
        "tab\there", "lone\nLF", "~Begin Entr", "~Zed", "Uses Voltlash."};

    QRandomGenerator m_random;
    int m_strayEnds = 6;
};

struct Tally
{
    std::map<QString, int> counts;
    void add(const QString &what) { ++counts[what]; }
    int operator[](const QString &what) const
    {
        const auto it = counts.find(what);
        return it == counts.end() ? 0 : it->second;
    }
};

QString kindName(SortRefusal::Kind kind)
{
    switch (kind) {
    case SortRefusal::Kind::EqualNames: return QStringLiteral("refused: equal names");
    case SortRefusal::Kind::MarkerInsideRecord: return QStringLiteral("refused: marker inside record");
    case SortRefusal::Kind::StrayEndMarker: return QStringLiteral("refused: stray end marker");
    case SortRefusal::Kind::MissingEndMarker: return QStringLiteral("refused: missing end marker");
    case SortRefusal::Kind::BeginMarkerAtEnd: return QStringLiteral("refused: begin marker at end");
    case SortRefusal::Kind::TooLarge: return QStringLiteral("refused: too large");
    }
    return QString();
}

bool inPlainNameOrder(const QStringList &picks)
{
    for (qsizetype i = 1; i < picks.size(); ++i) {
        if (picks[i].section(QLatin1Char('\r'), 0, 0) < picks[i - 1].section(QLatin1Char('\r'), 0, 0))
            return false;
    }
    return true;
}

} // namespace

class TestSortDifferential : public QObject
{
    Q_OBJECT

    // Runs both sorts on one file and checks that they agree; returns the class.
    QString compareOn(const QByteArray &bytes)
    {
        m_failure.clear();
        TempCatalogue catalogue;
        catalogue.write(bytes);
        const LiteralSortRun run = zumivok::test::literalSort(catalogue.directory());
        const bool kept = keptEveryRecord(bytes, run);
        const auto ours = sortedContent(bytes);
        if (kept) {
            if (const auto *refusal = std::get_if<SortRefusal>(&ours)) {
                m_failure = "refused a file that the slow sort sorts soundly ("
                            + refusal->describe().toUtf8() + "):\n" + escaped(bytes);
                return QString();
            }
            if (std::get<QByteArray>(ours) != catalogue.read()
                || catalogue.entries() != QStringList{QStringLiteral("zumivok.dat")}) {
                m_failure = "differs from the slow sort on:\n" + escaped(bytes) + "\nslow:\n"
                            + escaped(catalogue.read()) + "\nours:\n"
                            + escaped(std::get<QByteArray>(ours));
                return QString();
            }
            return inPlainNameOrder(run.picks) ? QStringLiteral("sorted")
                                               : QStringLiteral("sorted, order depends on place");
        }
        if (!std::holds_alternative<SortRefusal>(ours)) {
            m_failure = QByteArray("sorted a file that the slow sort damages (")
                        + (run.outcome == LiteralSortRun::Outcome::ReadPastEnd ? "read past end"
                                                                               : "records not kept")
                        + "):\n" + escaped(bytes);
            return QString();
        }
        return kindName(std::get<SortRefusal>(ours).kind)
               + (run.outcome == LiteralSortRun::Outcome::ReadPastEnd ? QStringLiteral(", read past end")
                                                                      : QStringLiteral(", records not kept"));
    }

    QByteArray m_failure;

private slots:
    void handMadeFilesAgreeOrAreRefused()
    {
        Tally tally;
        const quint32 seed = qEnvironmentVariableIsSet("ZUMIVOK_SORT_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("ZUMIVOK_SORT_SEED"))
                                 : 1925u;
        const int files = qEnvironmentVariableIsSet("ZUMIVOK_SORT_FILES")
                              ? qEnvironmentVariableIntValue("ZUMIVOK_SORT_FILES")
                              : 500;
        Generator generator(seed);
        for (int i = 0; i < files; ++i) {
            generator.setStrayEndChance(i % 2 ? 6 : 0);
            const QByteArray bytes = generator.handMade();
            const QString what = compareOn(bytes);
            QVERIFY2(m_failure.isEmpty(), m_failure.constData());
            tally.add(what);
            if (what.startsWith(QStringLiteral("sorted"))) {
                bool endMarkerOutside = false;
                const QList<FileRecord> records = recordsOf(bytes, &endMarkerOutside);
                if (endMarkerOutside)
                    tally.add(QStringLiteral("  of those sorted, with an end marker outside records"));
                if (std::any_of(records.begin(), records.end(),
                                [](const FileRecord &r) { return r.lines[0].startsWith(kEnd); }))
                    tally.add(QStringLiteral("  of those sorted, with a name beginning \"~End Entry\""));
            }
        }
        for (const auto &[what, count] : tally.counts)
            qInfo("%5d %s", count, qPrintable(what));
        // Not vacuous: both outcomes, every refusal, and the exact cases occur.
        QVERIFY(tally["sorted"] >= 100);
        QVERIFY(tally["sorted, order depends on place"] >= 10);
        QVERIFY(tally["  of those sorted, with an end marker outside records"] >= 5);
        QVERIFY(tally["  of those sorted, with a name beginning \"~End Entry\""] >= 3);
        for (const auto kind : {SortRefusal::Kind::EqualNames, SortRefusal::Kind::MarkerInsideRecord,
                                SortRefusal::Kind::StrayEndMarker, SortRefusal::Kind::MissingEndMarker,
                                SortRefusal::Kind::BeginMarkerAtEnd}) {
            int refused = 0;
            for (const auto &[what, count] : tally.counts)
                refused += what.startsWith(kindName(kind)) ? count : 0;
            QVERIFY2(refused >= 3, qPrintable(kindName(kind)));
        }
    }

    void editorWrittenFilesAlwaysSort()
    {
        Tally tally;
        Generator generator(2024);
        for (int i = 0; i < 150; ++i) {
            TempCatalogue history;
            const QByteArray bytes = generator.editorWritten(history);
            const QString what = compareOn(bytes);
            QVERIFY2(m_failure.isEmpty(), m_failure.constData());
            QVERIFY2(what.startsWith(QStringLiteral("sorted")), escaped(bytes).constData());
            tally.add(what);
        }
        for (const auto &[what, count] : tally.counts)
            qInfo("%5d editor-written, %s", count, qPrintable(what));
        QVERIFY(tally["sorted, order depends on place"] >= 5);
    }
};

QTEST_GUILESS_MAIN(TestSortDifferential)
#include "test_sort_differential.moc"
