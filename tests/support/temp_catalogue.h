#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace zumivok::test {

// A fresh data directory for one test case, with helpers for zumivok.dat's bytes.
class TempCatalogue
{
public:
    TempCatalogue();

    QString directory() const { return m_dir.path(); }
    QString dataPath() const { return filePath(QStringLiteral("zumivok.dat")); }
    QString filePath(const QString &name) const { return m_dir.path() + '/' + name; }

    // Writes zumivok.dat (or another file) with exactly these bytes.
    void write(const QByteArray &bytes) const { writeFile(dataPath(), bytes); }
    QByteArray read() const { return readFile(dataPath()); }
    bool exists() const;
    QStringList entries() const; // the names in the directory, sorted

    static void writeFile(const QString &path, const QByteArray &bytes);
    static QByteArray readFile(const QString &path);

private:
    QTemporaryDir m_dir;
};

// Joins lines with CR LF after each: lines({"a","b"}) == "a\r\nb\r\n".
QByteArray crlfLines(const QList<QByteArray> &lines);

// One record as Save writes it, each line ended by CR LF.
QByteArray record(const QByteArray &name, const QByteArray &picture = "No picture",
                  const QList<QByteArray> &data = {});

} // namespace zumivok::test
