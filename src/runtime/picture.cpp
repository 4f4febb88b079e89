#include "runtime/picture.h"

#include <QFileInfo>
#include <QImageReader>

namespace veltrin {

namespace {
// Pictures are button and slider skins; anything far larger is not one of ours.
constexpr int kMaxPictureSide = 8192;

// Our bundled pictures are what their names say. Left to guess, Qt loads
// every image format plugin to sniff the data, a few milliseconds at
// start-up; a file the user names may be anything, so it is still sniffed.
void readByName(QImageReader& reader, const QString& path)
{
    if (!path.startsWith(QLatin1String(":/")))
        return;
    reader.setFormat(QFileInfo(path).suffix().toLatin1());
    reader.setAutoDetectImageFormat(false);
}
} // namespace

PictureRef Picture::fromImage(QImage image, QString path)
{
    auto pic = std::make_shared<Picture>();
    pic->kind = image.hasAlphaChannel() ? Kind::Icon : Kind::Bitmap;
    pic->image = std::move(image);
    pic->path = std::move(path);
    return pic;
}

PictureRef Picture::load(const QString& path)
{
    if (path.isEmpty())
        return nullptr;
    QImageReader reader(path);
    readByName(reader, path);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide))
        return nullptr;
    QImage image = reader.read();
    if (image.isNull())
        return nullptr;
    return fromImage(std::move(image), path);
}

QPixmap bundledPixmap(const QString& resourcePath)
{
    QImageReader reader(resourcePath);
    readByName(reader, resourcePath);
    return QPixmap::fromImage(reader.read());
}

PictureRef Picture::empty()
{
    return std::make_shared<Picture>();
}

} // namespace veltrin
