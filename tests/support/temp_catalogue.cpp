#include "support/temp_catalogue.h"

#include "platform/files.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <fcntl.h>

namespace zumivok::test {

TempCatalogue::TempCatalogue()
{
    if (!m_dir.isValid())
        qFatal("cannot create a temporary directory");
}

bool TempCatalogue::exists() const
{
    return QFileInfo::exists(dataPath());
}

QStringList TempCatalogue::entries() const
{
    return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                            | QDir::NoDotAndDotDot,
                                        QDir::Name);
}

// Through the program's own file layer, so that a path holding any bytes works.
void TempCatalogue::writeFile(const QString &path, const QByteArray &bytes)
{
    Files files;
    const int fd = files.open(path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0 || writeAll(files, fd, bytes) != 0 || files.close(fd) != 0)
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray TempCatalogue::readFile(const QString &path)
{
    Files files;
    QByteArray content;
    const int fd = files.open(path, O_RDONLY);
    if (fd >= 0 && readAll(files, fd, content) != 0)
        content.clear();
    if (fd >= 0)
        files.close(fd);
    return content;
}

QByteArray crlfLines(const QList<QByteArray> &lines)
{
    QByteArray bytes;
    for (const QByteArray &line : lines)
        bytes += line + "\r\n";
    return bytes;
}

QByteArray record(const QByteArray &name, const QByteArray &picture, const QList<QByteArray> &data)
{
    return crlfLines(QList<QByteArray>{"~Begin Entry", name, picture} + data
                     + QList<QByteArray>{"~End Entry"});
}

} // namespace zumivok::test
