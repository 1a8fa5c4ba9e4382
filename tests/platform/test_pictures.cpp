#include "platform/pictures.h"
#include "support/failing_files.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using zumivok::PictureLoader;

namespace {

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QImage sampleImage()
{
    // Red above, blue below: wide enough areas to survive JPEG's blurring.
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 0));
    for (int y = 8; y < 16; ++y)
        for (int x = 0; x < 24; ++x)
            image.setPixelColor(x, y, QColor(0, 0, 255));
    return image;
}

// A BMP file header and info header for width x height 24-bit pixels, with
// hardly any pixel data behind them.
QByteArray bmpHeaderOnly(qint32 width, qint32 height)
{
    QByteArray bytes(54 + 16, '\0');
    char *p = bytes.data();
    p[0] = 'B';
    p[1] = 'M';
    qToLittleEndian<quint32>(quint32(bytes.size()), p + 2);
    qToLittleEndian<quint32>(54, p + 10);
    qToLittleEndian<quint32>(40, p + 14);
    qToLittleEndian<qint32>(width, p + 18);
    qToLittleEndian<qint32>(height, p + 22);
    qToLittleEndian<quint16>(1, p + 26);
    qToLittleEndian<quint16>(24, p + 28);
    return bytes;
}

// Over the pixel limit in both directions, and within every format's own
// limits (WebP's 16383 and 16-bit sizes).
constexpr int kOverLimit = 9000;
static_assert(qint64(kOverLimit) * kOverLimit > PictureLoader::kMaxPixels);

QByteArray littleEndian32(qint64 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian<quint32>(quint32(value), bytes.data());
    return bytes;
}

QByteArray bigEndian32(qint64 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian<quint32>(quint32(value), bytes.data());
    return bytes;
}

// A black over-limit picture as Qt writes it, which compresses to almost nothing.
QByteArray writtenOverLimit(QImage::Format format, const char *fileFormat)
{
    QImage black(kOverLimit, kOverLimit, format);
    if (format == QImage::Format_Indexed8)
        black.setColorTable({qRgb(0, 0, 0)});
    black.fill(0);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, fileFormat);
    if (qstrcmp(fileFormat, "tiff") == 0)
        writer.setCompression(1); // LZW: Qt writes TIFF uncompressed otherwise
    if (!writer.write(black))
        qFatal("cannot write %s: %s", fileFormat, qPrintable(writer.errorString()));
    return buffer.data();
}

// An 8-bit BMP whose rows are runs of palette entry 0.
QByteArray runLengthBmp(qint32 width, qint32 height)
{
    QByteArray row;
    for (int left = width; left > 0; left -= 255)
        row += char(qMin(left, 255)) + QByteArray(1, '\0');
    row += QByteArray(2, '\0'); // end of line
    const QByteArray pixels = row.repeated(height) + QByteArray::fromHex("0001"); // end of picture
    QByteArray bytes = bmpHeaderOnly(width, height).left(54) + QByteArray(4, '\0') + pixels;
    char *p = bytes.data();
    qToLittleEndian<quint32>(quint32(bytes.size()), p + 2);
    qToLittleEndian<quint32>(58, p + 10);
    qToLittleEndian<quint16>(8, p + 28);
    qToLittleEndian<quint32>(1, p + 30); // BI_RLE8
    qToLittleEndian<quint32>(quint32(pixels.size()), p + 34);
    qToLittleEndian<quint32>(1, p + 46); // one palette entry
    return bytes;
}

// A progressive JPEG as Qt writes it, its last scan repeated extraScans more
// times: the decoder takes each repeat as one more pass over every block.
QByteArray progressiveJpeg(const QImage &image, int extraScans)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    if (!writer.write(image))
        qFatal("cannot write a progressive JPEG");
    const QByteArray bytes = buffer.data();
    const qsizetype lastScan = bytes.lastIndexOf("\xFF\xDA");
    const QByteArray scan = bytes.mid(lastScan, bytes.size() - 2 - lastScan);
    return bytes.left(lastScan) + scan.repeated(extraScans + 1) + "\xFF\xD9";
}

// How far the process's peak resident memory rises while work runs, in bytes,
// or -1 when it cannot be measured.
qint64 peakMemoryGrowth(const std::function<void()> &work)
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    // "5" sets the peak back to the present size.
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1 || !clear.flush())
        return -1;
    clear.close();
    const qint64 before = zumivok::test::memoryFigure("VmRSS:");
    work();
    const qint64 peak = zumivok::test::peakMemory();
    return before < 0 || peak < 0 ? -1 : peak - before;
}

} // namespace

class TestPictures : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void everyCommonFormatLoads_data();
    void everyCommonFormatLoads();
    void handMadeFormatsLoad_data();
    void handMadeFormatsLoad();
    void contentDecidesOverAWrongSuffix();
    void pixelLimitIsInclusive();
    void overLimitPicturesAreRefusedBeforeDecoding_data();
    void overLimitPicturesAreRefusedBeforeDecoding();
    void unreadablePathsGiveNothingAtOnce_data();
    void unreadablePathsGiveNothingAtOnce();
    void fifoGivesNothingAtOnce();
    void jpegScansAreBounded();
    void shippedPicturesLoad();
    void samplePictureLinesNameLoadablePictures();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
    PictureLoader m_loader;
};

void TestPictures::everyCommonFormatLoads_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("bmp") << "p.bmp" << QByteArray("BMP");
    QTest::newRow("jpeg") << "p.jpg" << QByteArray("JPEG");
    QTest::newRow("png") << "p.png" << QByteArray("PNG");
    QTest::newRow("no suffix") << "picture" << QByteArray("PNG");
    QTest::newRow("webp") << "p.webp" << QByteArray("WEBP");
    QTest::newRow("tiff") << "p.tif" << QByteArray("TIFF");
}

void TestPictures::everyCommonFormatLoads()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    // WebP and TIFF come with Qt's extra image format plugins, which ZumiVok needs.
    QVERIFY2(QImageWriter::supportedImageFormats().contains(format.toLower()),
             "no image format plugin writes " + format);
    const QImage original = sampleImage();
    QVERIFY(original.save(path(name), format.constData()));

    const std::optional<QImage> loaded = m_loader.load(path(name));
    QVERIFY(loaded);
    QCOMPARE(loaded->size(), original.size());
    // JPEG is lossy; the colours only need to be recognisably the same.
    const QColor top = loaded->pixelColor(12, 2);
    const QColor bottom = loaded->pixelColor(12, 13);
    QVERIFY2(top.red() > 200 && top.blue() < 60, qPrintable(top.name()));
    QVERIFY2(bottom.blue() > 200 && bottom.red() < 60, qPrintable(bottom.name()));
}

void TestPictures::handMadeFormatsLoad_data()
{
    // Formats that Qt reads but cannot write, made byte by byte.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QColor>("topLeft");
    QTest::addColumn<QColor>("topRight");

    // 2 x 2 GIF, palette red and blue, pixels 0 1 / 1 0. The LZW codes are
    // clear, 0, 1, clear, 1, 0, end, three bits each, so no table ever grows.
    const QByteArray gif = QByteArray("GIF89a")
                           + QByteArray::fromHex("02000200" "800000" "FF0000" "0000FF"
                                                 "2C" "00000000" "02000200" "00"
                                                 "02" "03441814" "00" "3B");
    QTest::newRow("gif") << "p.gif" << gif << QColor(255, 0, 0) << QColor(0, 0, 255);

    // 2 x 2, 32-bit icon: directory, bitmap header (twice the height, for the
    // XOR and AND masks), bottom-up BGRA rows, then an AND mask showing all.
    QByteArray ico = QByteArray::fromHex("000001000100"
                                         "0202000001002000" "40000000" "16000000");
    QByteArray header(40, '\0');
    qToLittleEndian<quint32>(40, header.data());
    qToLittleEndian<qint32>(2, header.data() + 4);
    qToLittleEndian<qint32>(4, header.data() + 8);
    qToLittleEndian<quint16>(1, header.data() + 12);
    qToLittleEndian<quint16>(32, header.data() + 14);
    ico += header;
    ico += QByteArray::fromHex("00FF00FF" "00FF00FF"); // bottom row: green, green
    ico += QByteArray::fromHex("FF0000FF" "0000FFFF"); // top row: blue, red
    ico += QByteArray(8, '\0');
    QTest::newRow("ico") << "p.ico" << ico << QColor(0, 0, 255) << QColor(255, 0, 0);
}

void TestPictures::handMadeFormatsLoad()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QColor, topLeft);
    QFETCH(QColor, topRight);
    writeBytes(path(name), bytes);

    const std::optional<QImage> loaded = m_loader.load(path(name));
    QVERIFY(loaded);
    QCOMPARE(loaded->size(), QSize(2, 2));
    QCOMPARE(loaded->pixelColor(0, 0), topLeft);
    QCOMPARE(loaded->pixelColor(1, 0), topRight);
}

// A real progressive JPEG, of some ten scans, loads. One whose last scan is
// repeated thousands of times, which would keep the window busy for a minute,
// is refused at once, as a picture that cannot be read.
void TestPictures::jpegScansAreBounded()
{
    QCOMPARE(zumivok::jpegScanCount(progressiveJpeg(sampleImage(), 0).replace("\xFF\xDA", "")), 0);
    const QByteArray real = progressiveJpeg(sampleImage(), 0);
    const qint64 scans = zumivok::jpegScanCount(real);
    QVERIFY2(scans >= 6 && scans <= 12, qPrintable(QString::number(scans)));
    QBuffer baseline;
    baseline.open(QIODevice::WriteOnly);
    QVERIFY(sampleImage().save(&baseline, "JPEG"));
    QCOMPARE(zumivok::jpegScanCount(baseline.data()), 1);
    writeBytes(path("real.jpg"), progressiveJpeg(sampleImage(), int(PictureLoader::kMaxScans - scans)));
    QVERIFY(m_loader.load(path("real.jpg")));

    QImage black(1000, 1000, QImage::Format_RGB32);
    black.fill(Qt::black);
    const QByteArray hostile = progressiveJpeg(black, 15000);
    QVERIFY(hostile.size() < 1024 * 1024);
    QCOMPARE(zumivok::jpegScanCount(hostile), 15000 + zumivok::jpegScanCount(progressiveJpeg(black, 0)));
    writeBytes(path("hostile.jpg"), hostile);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!m_loader.load(path("hostile.jpg")));
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
}

void TestPictures::contentDecidesOverAWrongSuffix()
{
    QVERIFY(sampleImage().save(path("really-a-png.gif"), "PNG"));
    const std::optional<QImage> loaded = m_loader.load(path("really-a-png.gif"));
    QVERIFY(loaded);
    QCOMPARE(loaded->size(), QSize(24, 16));
}

void TestPictures::pixelLimitIsInclusive()
{
    // One-bit pictures compress to a few kilobytes and decode to a few
    // megabytes, far below Qt's own allocation limit: only the pixel count
    // can refuse the larger one.
    static_assert(PictureLoader::kMaxPixels == 8192LL * 8192);
    QImage atLimit(8192, 8192, QImage::Format_Mono);
    atLimit.fill(0);
    QVERIFY(atLimit.save(path("at-limit.png"), "PNG"));
    atLimit = QImage();
    QImage overLimit(8192, 8193, QImage::Format_Mono);
    overLimit.fill(0);
    QVERIFY(overLimit.save(path("over-limit.png"), "PNG"));
    overLimit = QImage();

    const std::optional<QImage> loaded = m_loader.load(path("at-limit.png"));
    QVERIFY(loaded);
    QCOMPARE(loaded->size(), QSize(8192, 8192));
    QVERIFY(!m_loader.load(path("over-limit.png")));
}

void TestPictures::overLimitPicturesAreRefusedBeforeDecoding_data()
{
    // Each picture is over the pixel limit, under a megabyte on disk and whole
    // to the last pixel: decoded, every one would take 80 MB to 650 MB. Most
    // readers tell the size from the header; the others are held by the
    // allocation limit. Formats that store their pixels uncompressed (PBM,
    // PGM, PPM, XBM, XPM, TGA, WBMP) decode to little more than their file,
    // which the file size limit bounds.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray png = writtenOverLimit(QImage::Format_Grayscale8, "png");
    const QByteArray pngChunks = png.mid(8); // after the signature

    QTest::newRow("png") << "p.png" << png;
    QTest::newRow("jpeg") << "p.jpg" << writtenOverLimit(QImage::Format_Grayscale8, "jpeg");
    QTest::newRow("tiff") << "p.tif" << writtenOverLimit(QImage::Format_Indexed8, "tiff");
    QTest::newRow("bmp, run-length coded") << "p.bmp" << runLengthBmp(kOverLimit, kOverLimit);
    // One colour: each prefix code has a single symbol, so the pixels take no bits.
    QTest::newRow("webp, lossless")
        << "p.webp" << QByteArray::fromHex("52494646" "14000000" "57454250" "5650384C" "08000000"
                                           "2F27E3C908888808");
    // A 1 x 1 frame on a screen of the full size, which the reader fills.
    QTest::newRow("gif, screen larger than its frame")
        << "p.gif" << QByteArray::fromHex("474946383961" "28232823" "800000" "000000FFFFFF"
                                          "2C00000000" "01000100" "00" "02024401" "00" "3B");
    // Icons whose entry announces 256 x 256 but holds the over-limit PNG.
    const QByteArray entry = QByteArray::fromHex("0000000001002000") + littleEndian32(png.size())
                             + littleEndian32(22);
    const QByteArray icon = QByteArray::fromHex("000001000100") + entry + png;
    QByteArray cursor = icon;
    cursor[2] = 2; // the type: a cursor
    QTest::newRow("ico holding a png") << "p.ico" << icon;
    QTest::newRow("cur holding a png") << "p.cur" << cursor;
    QTest::newRow("icns holding a png")
        << "p.icns"
        << "icns" + bigEndian32(png.size() + 16) + "ic10" + bigEndian32(png.size() + 8) + png;
    // The PNG's chunks framed as one MNG frame of the same size.
    QTest::newRow("mng") << "p.mng"
                         << QByteArray("\x8aMNG\r\n\x1a\n", 8)
                                + QByteArray::fromHex("0000001C" "4D484452" "00002328" "00002328"
                                                      "00000001" "00000000" "00000000" "00000000"
                                                      "00000001" "BAE3A8BE")
                                + pngChunks + QByteArray::fromHex("000000004D454E442120F7D5");
}

void TestPictures::overLimitPicturesAreRefusedBeforeDecoding()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const QByteArray format = QFileInfo(name).suffix().toLatin1();
    QVERIFY2(QImageReader::supportedImageFormats().contains(format),
             "no image format plugin reads " + format);
    QVERIFY(bytes.size() < PictureLoader::kMaxFileBytes / 16); // far from the file size limit
    writeBytes(path(name), bytes);

    bool loaded = true;
    const qint64 growth = peakMemoryGrowth([&] { loaded = bool(m_loader.load(path(name))); });
    QVERIFY(growth >= 0);
    QVERIFY(!loaded);
    // Reading the file into memory is all the refusal may cost.
    QVERIFY2(growth < bytes.size() + 16 * 1024 * 1024, qPrintable(QString::number(growth)));
}

void TestPictures::unreadablePathsGiveNothingAtOnce_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QByteArray>("content"); // written to target in the test directory
    QTest::addColumn<qint64>("sparseSize"); // or, when positive, a sparse file of this size

    QTest::newRow("empty path") << QString() << QByteArray() << qint64(0);
    QTest::newRow("missing file") << "missing.png" << QByteArray() << qint64(0);
    QTest::newRow("directory") << "." << QByteArray() << qint64(0);
    QTest::newRow("device") << "/dev/zero" << QByteArray() << qint64(0);
    QTest::newRow("empty file") << "empty.bmp" << QByteArray("") << qint64(0);
    QTest::newRow("text named .png") << "text.png" << QByteArray("not a picture\r\n")
                                     << qint64(0);
    QTest::newRow("truncated png") << "cut.png" << QByteArray::fromHex("89504E470D0A1A0A0000")
                                   << qint64(0);
    QTest::newRow("bmp bomb") << "bomb.bmp" << bmpHeaderOnly(100000, 100000) << qint64(0);
    QTest::newRow("oversized file") << "huge.bmp" << QByteArray()
                                    << PictureLoader::kMaxFileBytes + 1;
}

void TestPictures::unreadablePathsGiveNothingAtOnce()
{
    QFETCH(QString, target);
    QFETCH(QByteArray, content);
    QFETCH(qint64, sparseSize);

    QString where = target;
    if (!target.isEmpty() && !target.startsWith('/'))
        where = path(target);
    if (sparseSize > 0) {
        // A real picture at the start, so that only the size can refuse it.
        QVERIFY(sampleImage().save(where, "BMP"));
        QCOMPARE(::truncate(QFile::encodeName(where).constData(), off_t(sparseSize)), 0);
    } else if (!content.isNull()) {
        writeBytes(where, content);
    }

    QElapsedTimer clock;
    clock.start();
    QVERIFY(!m_loader.load(where));
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
}

void TestPictures::fifoGivesNothingAtOnce()
{
    const QString fifo = path("pipe.png");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Without a writer, a blocking open would wait here for ever; the test
    // runner's timeout is the guard.
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!m_loader.load(fifo));
    QVERIFY(clock.elapsed() < 2000);
}

void TestPictures::shippedPicturesLoad()
{
    const QString startup = QFINDTESTDATA("../../resources/startup.bmp");
    const QString icon = QFINDTESTDATA("../../resources/zumivok.ico");
    QVERIFY(!startup.isEmpty() && !icon.isEmpty());

    const std::optional<QImage> picture = m_loader.load(startup);
    QVERIFY(picture);
    QCOMPARE(picture->size(), QSize(164, 159));
    QCOMPARE(picture->format(), QImage::Format_Indexed8);
    QVERIFY(picture->colorCount() <= 256);
    QCOMPARE(zumivok::loadOwnPicture(startup, "bmp"), *picture);

    const std::optional<QImage> window = m_loader.load(icon);
    QVERIFY(window);
    QCOMPARE(window->size(), QSize(32, 32));
    int red = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            red += window->pixelColor(x, y) == QColor(255, 0, 0);
    QVERIFY2(red > 32 * 32 / 2, qPrintable(QString::number(red)));
}

void TestPictures::samplePictureLinesNameLoadablePictures()
{
    // The sample's picture lines are relative to its folder, the folder the
    // program is started in to show it.
    const QString data = QFINDTESTDATA("../../sample/zumivok.dat");
    QVERIFY(!data.isEmpty());
    QFile file(data);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    const QString folder = QFileInfo(data).absolutePath();

    int pictures = 0;
    int none = 0;
    for (qsizetype i = 2; i < lines.size(); ++i) {
        if (!lines[i - 2].startsWith("~Begin Entry"))
            continue;
        QVERIFY(lines[i].endsWith('\r'));
        const QString line = QString::fromLatin1(lines[i].chopped(1));
        if (line == QLatin1String("No picture")) {
            ++none;
            continue;
        }
        QVERIFY2(QFileInfo(line).isRelative(), qPrintable(line));
        QVERIFY2(m_loader.load(folder + '/' + line), qPrintable(line));
        QVERIFY(QFileInfo(folder + '/' + line).size() < 20 * 1024);
        ++pictures;
    }
    QCOMPARE(none, 2);
    QVERIFY(pictures >= 4);
}

QTEST_GUILESS_MAIN(TestPictures)
#include "test_pictures.moc"
