#include "runtime/picture.h"

#include <QImageReader>

namespace veltrin {

namespace {
// Pictures are button and slider skins; anything far larger is not one of ours.
constexpr int kMaxPictureSide = 8192;
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
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide))
        return nullptr;
    QImage image = reader.read();
    if (image.isNull())
        return nullptr;
    return fromImage(std::move(image), path);
}

PictureRef Picture::empty()
{
    return std::make_shared<Picture>();
}

} // namespace veltrin
