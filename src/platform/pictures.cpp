#include "platform/pictures.h"

#include "platform/files.h"

#include <QBuffer>
#include <QByteArray>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace zumivok {

namespace {

// Reads a regular file of at most maxBytes, or nothing. O_NONBLOCK keeps the
// open itself from waiting for a writer when the path names a FIFO.
std::optional<QByteArray> readRegularFile(const QString &path, qint64 maxBytes)
{
    Files files;
    const int fd = files.open(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    std::optional<QByteArray> result;
    struct stat status {};
    QByteArray content;
    if (files.fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size <= maxBytes
        && readAll(files, fd, content, maxBytes) == 0)
        result = std::move(content);
    files.close(fd);
    return result;
}

qint64 pixelCount(const QSize &size)
{
    return size.isValid() ? qint64(size.width()) * qint64(size.height()) : 0;
}

// What a reader may allocate for one picture: the picture its header
// announces at its own depth (16 bits a channel where it does not tell), at
// least the four bytes a pixel that Qt counts, and never less than a picture
// at the pixel limit takes at four bytes a pixel. So a reader that decodes
// more than it announced (a GIF's screen around a smaller first frame, the PNG
// inside an icon) or cannot tell its size in advance (MNG, ICNS) is stopped
// before it allocates, the readers it nests included.
qint64 allocationBound(const QImageReader &reader, qint64 maxPixels)
{
    const QImage::Format format = reader.imageFormat();
    const qint64 bitsPerPixel =
        format == QImage::Format_Invalid ? 64 : QImage::toPixelFormat(format).bitsPerPixel();
    const qint64 bytesPerPixel = std::max<qint64>(4, bitsPerPixel / 8);
    return std::max(pixelCount(reader.size()) * bytesPerPixel, maxPixels * 4);
}

// Qt's allocation limit, which every reader obeys, held for one read. It is
// process-wide, so it is restored afterwards.
class AllocationLimit
{
public:
    explicit AllocationLimit(qint64 bytes)
        : m_previous(QImageReader::allocationLimit())
    {
        constexpr qint64 kMegabyte = 1024 * 1024;
        const qint64 megabytes = (bytes + kMegabyte - 1) / kMegabyte;
        QImageReader::setAllocationLimit(int(std::clamp<qint64>(megabytes, 1, INT_MAX)));
    }
    ~AllocationLimit() { QImageReader::setAllocationLimit(m_previous); }
    Q_DISABLE_COPY_MOVE(AllocationLimit)

private:
    int m_previous;
};

// Decodes one picture with the given format hint (empty: by content alone),
// refusing a picture whose header announces more than maxPixels, and a JPEG
// whose scans would decode too long. *recognised tells whether some reader
// took the content for its format.
std::optional<QImage> decode(const QByteArray &content, const QByteArray &format, qint64 maxPixels,
                             bool *recognised)
{
    *recognised = false;
    QBuffer buffer;
    buffer.setData(content);
    if (!buffer.open(QIODevice::ReadOnly))
        return std::nullopt;
    QImageReader reader(&buffer, format);
    if (!reader.canRead())
        return std::nullopt;
    *recognised = true;
    // The header's size is checked before a single pixel is decoded.
    if (pixelCount(reader.size()) > maxPixels)
        return std::nullopt;
    const qint64 scans = jpegScanCount(content);
    if (scans > PictureLoader::kMaxScans
        || scans * pixelCount(reader.size()) > PictureLoader::kMaxScanPixels)
        return std::nullopt;
    QImage image;
    {
        const AllocationLimit limit(allocationBound(reader, maxPixels));
        image = reader.read();
    }
    if (image.isNull() || pixelCount(image.size()) > maxPixels)
        return std::nullopt;
    return image;
}

// The offset of the next marker after the entropy-coded data that starts at
// from: an FF that is neither a stuffed zero nor a restart marker.
qsizetype endOfEntropyData(QByteArrayView content, qsizetype from)
{
    while (from < content.size()) {
        const void *found = std::memchr(content.data() + from, 0xFF, size_t(content.size() - from));
        if (!found)
            return content.size();
        const qsizetype at = static_cast<const char *>(found) - content.data();
        if (at + 1 >= content.size())
            return content.size();
        const auto next = static_cast<unsigned char>(content[at + 1]);
        if (next != 0x00 && !(next >= 0xD0 && next <= 0xD7) && next != 0xFF)
            return at;
        from = at + 1;
    }
    return content.size();
}

} // namespace

qint64 jpegScanCount(QByteArrayView content)
{
    const auto byte = [&content](qsizetype i) { return static_cast<unsigned char>(content[i]); };
    if (content.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8)
        return 0;
    qint64 scans = 0;
    qsizetype at = 2;
    while (at + 1 < content.size()) {
        if (byte(at) != 0xFF) {
            ++at; // not where a marker should be: look on
            continue;
        }
        const unsigned char marker = byte(at + 1);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD9) // end of image
            break;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2; // markers without a segment
            continue;
        }
        if (at + 3 >= content.size())
            break;
        const qsizetype segmentEnd = at + 2 + (qsizetype(byte(at + 2)) << 8 | byte(at + 3));
        if (marker != 0xDA) {
            at = segmentEnd;
            continue;
        }
        ++scans;
        at = endOfEntropyData(content, segmentEnd);
    }
    return scans;
}

QImage loadOwnPicture(const QString &path, const char *format)
{
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

std::optional<QImage> PictureLoader::load(const QString &path) const
{
    if (path.isEmpty())
        return std::nullopt;
    const std::optional<QByteArray> content = readRegularFile(path, kMaxFileBytes);
    if (!content)
        return std::nullopt;

    bool recognised = false;
    std::optional<QImage> image = decode(*content, QByteArray(), kMaxPixels, &recognised);
    if (recognised)
        return image;
    // Some formats cannot be recognised by their content; the name may tell.
    const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
    if (suffix.isEmpty())
        return std::nullopt;
    return decode(*content, suffix, kMaxPixels, &recognised);
}

} // namespace zumivok
