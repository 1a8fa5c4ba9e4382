#pragma once

#include <QImage>
#include <QString>

#include <optional>

namespace zumivok {

// Loads an entry's picture. Only a regular file is read, and only up to a
// bounded size and pixel count, so that a picture line naming a FIFO, a
// device, a directory or a decompression bomb can neither hang nor exhaust the
// program: each counts as a picture that cannot be loaded. A progressive JPEG
// is decoded once per scan, so its scans are bounded too, by their number and
// by scans times pixels: a small file with thousands of scans would keep the
// window busy for minutes. Every other format decodes its pixels once. Every
// format that Qt's image plugins read is accepted.
class PictureLoader
{
public:
    static constexpr qint64 kMaxFileBytes = 64LL * 1024 * 1024;
    static constexpr qint64 kMaxPixels = 64LL * 1024 * 1024;
    // A real progressive JPEG has about ten scans, rarely more than twenty.
    static constexpr qint64 kMaxScans = 100;
    static constexpr qint64 kMaxScanPixels = 16 * kMaxPixels;

    PictureLoader() = default;
    virtual ~PictureLoader() = default;
    PictureLoader(const PictureLoader &) = delete;
    PictureLoader &operator=(const PictureLoader &) = delete;

    virtual std::optional<QImage> load(const QString &path) const;
};

// Reads one of the program's own pictures with the reader of its known format
// alone. Left to find a reader itself, Qt loads every image format plugin
// installed, with their libraries, before it tries its built-in BMP reader,
// which would cost every start milliseconds and a megabyte of memory.
QImage loadOwnPicture(const QString &path, const char *format);

// The number of scans in a JPEG file (1 for a baseline one), counted from its
// markers without decoding; 0 when content is no JPEG.
qint64 jpegScanCount(QByteArrayView content);

} // namespace zumivok
