#include "support/temp_catalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

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

void TempCatalogue::writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray TempCatalogue::readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
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
