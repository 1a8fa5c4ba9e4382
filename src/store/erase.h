#pragma once

#include <QStringView>
#include <QtGlobal>

namespace zumivok {

class ByteSink;
class LineReader;
class OpenRecordWatch;

// Which lines of a record that stays Erase writes again: its name and picture
// lines always (lineOfRecord 0 and 1), even when empty, so that its lines
// never shift; any later line only when it is not empty.
inline bool eraseKeeps(qint64 lineOfRecord, bool empty)
{
    return lineOfRecord < 2 || !empty;
}

// Erase's rules: every record whose name line matches key (lowered, not
// trimmed) is left out from its begin marker through its end-marker line (or
// to the end of the file); a longer begin-marker line is cut back to
// "~Begin Entry"; empty lines outside the records that stay are dropped, and
// within them as eraseKeeps says; everything else is copied. Every line
// written ends with CR LF. The lines stream from lines to out; watch, when
// given, sees every line written.
void eraseRecords(LineReader &lines, QStringView key, ByteSink &out,
                  OpenRecordWatch *watch = nullptr);

} // namespace zumivok
