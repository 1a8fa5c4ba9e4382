#include "harness.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <numeric>
#include <unistd.h>
#include <vector>

namespace zumivok::bench {

namespace {

struct Group
{
    const char *name;
    void (*run)(const QString &);
};

std::vector<Group> &groups()
{
    static std::vector<Group> all;
    return all;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::vector<int> shuffledNumbers(int records)
{
    std::vector<int> numbers(static_cast<size_t>(records));
    std::iota(numbers.begin(), numbers.end(), 1);
    QRandomGenerator random{static_cast<quint32>(records)};
    for (size_t i = numbers.size(); i > 1; --i)
        std::swap(numbers[i - 1], numbers[random.bounded(quint32(i))]);
    return numbers;
}

} // namespace

Registration::Registration(const char *name, void (*run)(const QString &))
{
    groups().push_back({name, run});
}

double compare(const QString &label, const std::function<void()> &baseline,
               const std::function<void()> &candidate, double goal, int rounds)
{
    std::vector<double> base, cand;
    baseline(); // warm the page cache for both
    candidate();
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        baseline();
        base.push_back(double(timer.nsecsElapsed()) / 1e6);
        timer.restart();
        candidate();
        cand.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    const double b = median(base), c = median(cand), ratio = c / b;
    std::printf("%-52s baseline %9.2f ms  ours %9.2f ms  ratio %6.2f  (goal <= %.1f) %s\n",
                qPrintable(label), b, c, ratio, goal, ratio <= goal ? "ok" : "OVER");
    std::fflush(stdout);
    return ratio;
}

QString generatedName(int records, int position)
{
    return QStringLiteral("ZUMLING %1").arg(shuffledNumbers(records)[size_t(position - 1)], 6, 10,
                                            QLatin1Char('0'));
}

QByteArray generateCatalogue(int records)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(records) * 110);
    const std::vector<int> numbers = shuffledNumbers(records);
    for (int i = 0; i < records; ++i) {
        const QByteArray number = QByteArray::number(numbers[size_t(i)]).rightJustified(6, '0');
        bytes += "~Begin Entry\r\nZUMLING " + number + "\r\nNo picture\r\n" + number
                 + "\r\nA made-up creature of the generated catalogue, number " + number
                 + ".\r\n~End Entry\r\n";
    }
    return bytes;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

qint64 plainRead(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll().size();
}

void plainCopy(const QString &from, const QString &to)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(from));
    const QByteArray bytes = in.readAll();
    const int fd = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size()
        || ::fsync(fd) != 0)
        qFatal("cannot copy to %s", qPrintable(to));
    ::close(fd);
}

} // namespace zumivok::bench

// zumivok_bench [group...]: runs the named groups, or all of them.
int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList wanted = application.arguments().mid(1);
    QTemporaryDir work;
    for (const auto &group : zumivok::bench::groups()) {
        if (!wanted.isEmpty() && !wanted.contains(QString::fromLatin1(group.name)))
            continue;
        std::printf("== %s\n", group.name);
        group.run(work.path());
    }
    return 0;
}
