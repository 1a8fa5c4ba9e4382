#include "store/erase.h"

#include "store/lines.h"
#include "store/records.h"

namespace zumivok {

namespace {

// A begin-marker line as Erase writes it: the marker alone, whatever followed
// it on the line dropped, unless that tail holds an LF: then the line is
// several lines of a file written with LF line ends, and cutting it would
// delete them. The tail streams out and is taken back when it holds none.
void writeMarkerLine(LineReader &lines, ByteSink &out)
{
    const qint64 start = out.size();
    bool holdsLf = false;
    lines.passLine([&](QByteArrayView piece) {
        holdsLf = holdsLf || piece.contains('\n');
        out.put(piece);
    });
    if (!holdsLf)
        out.truncate(start + kBeginMarker.size());
    out.put(kLineEnd);
}

} // namespace

void eraseRecords(LineReader &lines, QStringView key, ByteSink &out, OpenRecordWatch *watch)
{
    const NameKey name(key);
    const auto copyLine = [&] {
        // Past a record's first lines the watch looks at markers alone.
        if (watch && (!watch->onlyMarkersMatter() || lines.lineStartsWith("~")))
            watch->see(lines);
        lines.copyLineEndingCrLf(out);
    };
    // Lines since the begin marker of a record that stays; outside records
    // every line counts as a data line.
    qint64 lineOfRecord = 2;
    while (!lines.atEnd()) {
        if (!lines.lineStartsWith(kBeginMarker)) {
            if (eraseKeeps(lineOfRecord++, lines.lineIsEmpty()))
                copyLine();
            else
                lines.skipLine();
            continue;
        }
        // The marker is written before the name is known, and taken back when
        // the record goes.
        const qint64 marker = out.size();
        writeMarkerLine(lines, out);
        lineOfRecord = 2;
        if (name.isLineAt(lines)) {
            // The whole record goes, its end-marker line included; a record
            // without end marker takes the rest of the file with it.
            out.truncate(marker);
            if (lines.skipToLineStartingWith(kEndMarker))
                lines.skipLine();
            continue;
        }
        if (watch)
            watch->seeBeginMarker();
        if (lines.atEnd())
            break;
        // The name line is written as it stands, never taken for a marker.
        copyLine();
        lineOfRecord = 1;
    }
}

} // namespace zumivok
