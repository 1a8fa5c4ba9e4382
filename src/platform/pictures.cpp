#include "platform/pictures.h"

#include "platform/files.h"

#include <QBuffer>
#include <QByteArray>
#include <QFileInfo>
#include <QImageReader>

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
    if (files.fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size <= maxBytes) {
        // The size is only a hint: a file that grows while it is read is
        // stopped as soon as it passes the limit.
        PieceReader reader(files, fd);
        bool fine = reader.begin() == 0;
        for (qint64 got; fine && (got = reader.next()) != 0;)
            fine = got > 0 && reader.bytes().size() <= maxBytes;
        if (fine)
            result = reader.take();
    }
    files.close(fd);
    return result;
}

// Decodes one picture with the given format hint (empty: by content alone),
// refusing a picture whose header announces more than maxPixels. *recognised
// tells whether some reader took the content for its format.
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
    // The header's size is checked before a single pixel is decoded. A reader
    // that cannot tell its size in advance is held by the allocation limit.
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * qint64(size.height()) > maxPixels)
        return std::nullopt;
    QImage image = reader.read();
    if (image.isNull() || qint64(image.width()) * qint64(image.height()) > maxPixels)
        return std::nullopt;
    return image;
}

} // namespace

std::optional<QImage> PictureLoader::load(const QString &path) const
{
    if (path.isEmpty())
        return std::nullopt;
    const std::optional<QByteArray> content = readRegularFile(path, kMaxFileBytes);
    if (!content)
        return std::nullopt;

    // Room for the largest picture allowed at eight bytes a pixel (16 bits a
    // channel), so that kMaxPixels stays the bound that counts: Qt's default
    // of 128 MB, estimated at four bytes a pixel whatever the format, would
    // refuse pictures of half that many pixels. The limit is process-wide; it
    // is set here, the one place that decodes pictures from outside.
    constexpr qint64 kLimitMegabytes = kMaxPixels * 8 / (1024 * 1024);
    static_assert(kLimitMegabytes > 0 && kLimitMegabytes < (1 << 30));
    QImageReader::setAllocationLimit(int(kLimitMegabytes));

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
