#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <variant>
#include <vector>

namespace zumivok {

class ByteSink;

// Why a file is not sorted: the slow pick-and-erase sort the file's layout
// was made for would lose, merge or split a record of it.
struct SortRefusal
{
    enum class Kind {
        EqualNames, // two names equal ignoring case
        MarkerInsideRecord, // a line inside a record begins with a marker
        StrayEndMarker, // an "~End Entry" line outside records would empty a pick
        MissingEndMarker, // a record without end marker
        BeginMarkerAtEnd, // a begin marker on the last line
        TooLarge, // more than the memory the program can get
    };
    Kind kind;
    QString entry; // the name of the entry concerned

    // One line for the user.
    QString describe() const;
};

// Alpha Sort's work on the content of the data file: the order its records
// take, or why they cannot be sorted. The content must outlive it.
class SortedContent
{
public:
    // What the index takes for each record at most, all its parts at their
    // peak together: the record's place and name (32 bytes), its rank (8),
    // the pick order (8) and, where names hold characters below CR, their
    // reach and search tree (40), with some to spare.
    static constexpr qint64 kIndexBytesPerRecord = 96;

    // Refused as TooLarge when the index would take more than indexMemory
    // bytes (< 0: no limit).
    explicit SortedContent(QByteArrayView content, qint64 indexMemory = -1);
    ~SortedContent();
    Q_DISABLE_COPY_MOVE(SortedContent)

    const std::optional<SortRefusal> &refusal() const { return m_refusal; }
    // The sorted file: the header line, then every record in ascending order
    // of its name as the pick-and-erase sort orders them, each as
    // "~Begin Entry", its lines through its end-marker line, and one empty
    // line. Only when there is no refusal.
    void writeTo(ByteSink &out) const;

    struct Record;

private:
    QByteArrayView m_content;
    std::vector<Record> m_records;
    std::vector<qsizetype> m_order;
    std::optional<SortRefusal> m_refusal;
};

} // namespace zumivok
