#pragma once

// What many tests share: two entries as Save writes them, and looks at the
// files and descriptors that a command leaves behind.

#include "support/temp_catalogue.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <sys/stat.h>

namespace zumivok::test {

// SPARKIT and ALBA as Save writes them, and the text the main window shows
// of SPARKIT.
inline QByteArray sparkit(const QByteArray &picture = "/pics/sparkit.png")
{
    return record("SPARKIT", picture, {"25", "An electric mouse."});
}
inline const QByteArray kSparkit = sparkit();
inline const QString kSparkitText = QStringLiteral("25\r\nAn electric mouse.\r\n");
inline const QByteArray kAlba = record("ALBA", "No picture", {"12", "A white one."});

// A file's permission bits, or -1 when it cannot be looked at.
inline int modeOf(const QString &path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return -1;
    return int(status.st_mode & 07777);
}

// How many file descriptors the process holds open.
inline int openDescriptors()
{
    const QDir open(QStringLiteral("/proc/self/fd"));
    return int(open.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}

} // namespace zumivok::test
