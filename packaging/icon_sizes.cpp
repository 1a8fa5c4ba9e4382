// Writes the program's icon into a hicolor icon theme at each size a desktop
// asks for, scaled smoothly from the one 32 x 32 icon that the windows carry,
// so that no size is ever drawn or kept by hand.
//
//   zumivok_icon_sizes SOURCE THEME_DIR ICON_NAME SIZE...
//
// writes THEME_DIR/<SIZE>x<SIZE>/apps/ICON_NAME.png for every SIZE.

#include <QDir>
#include <QImage>
#include <QStringList>

#include <cstdio>

namespace {

bool writeSize(const QImage &source, const QString &themeDir, const QString &iconName, int size)
{
    const QString folder = QStringLiteral("%1/%2x%2/apps").arg(themeDir).arg(size);
    if (!QDir().mkpath(folder))
        return false;
    const QImage scaled =
        source.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return scaled.save(folder + QLatin1Char('/') + iconName + QStringLiteral(".png"), "PNG");
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 5) {
        std::fputs("usage: zumivok_icon_sizes SOURCE THEME_DIR ICON_NAME SIZE...\n", stderr);
        return 2;
    }
    // The icon has a 256-colour palette; scaling smoothly needs true colour.
    const QImage source =
        QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_ARGB32);
    if (source.isNull()) {
        std::fprintf(stderr, "zumivok_icon_sizes: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString themeDir = QString::fromLocal8Bit(argv[2]);
    const QString iconName = QString::fromLocal8Bit(argv[3]);
    for (int i = 4; i < argc; ++i) {
        bool isNumber = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&isNumber);
        if (!isNumber || size <= 0 || !writeSize(source, themeDir, iconName, size)) {
            std::fprintf(stderr, "zumivok_icon_sizes: cannot write the %s pixel icon\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
