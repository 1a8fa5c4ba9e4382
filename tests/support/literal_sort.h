#pragma once

#include <QString>
#include <QStringList>

namespace zumivok::test {

// The pick-and-erase sort done the slow way, on the files themselves, as a
// reference for the store's sort: a counting scan of begin markers, then one
// pass per count that picks a record, writes "~Begin Entry" and the pick to
// zumi.dat, and erases the pick's name from zumivok.dat through temp.dat; at
// the end zumivok.dat is deleted and zumi.dat takes its name. Erase keeps a
// kept record's name line and the line after it even when empty, drops every
// other empty line, cuts a begin-marker line back to "~Begin Entry", and
// writes a begin marker on the last line alone.
struct LiteralSortRun
{
    enum class Outcome {
        Sorted,
        // A read past the end of zumivok.dat: the sort stops there and leaves
        // the files as they stand (zumi.dat half written).
        ReadPastEnd,
    };
    Outcome outcome = Outcome::Sorted;
    int recordCount = 0; // what the counting scan found
    QStringList picks; // each pass's pick as written, lines ended by CR LF
};

// Sorts zumivok.dat in directory.
LiteralSortRun literalSort(const QString &directory);

// Erase for one name, on zumivok.dat in directory.
void literalErase(const QString &directory, const QString &key);

} // namespace zumivok::test
