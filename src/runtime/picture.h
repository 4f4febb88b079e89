#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>
#include <memory>

namespace veltrin {

// A loaded picture, shared by reference the way controls hold pictures: two
// properties holding "the same picture" hold the same object. A picture with
// transparency is an icon; an opaque one is a bitmap.
struct Picture {
    enum class Kind { Bitmap, Icon };

    QString path; // resource or file path it was loaded from; "" when made in code
    QImage image; // null for an empty picture object
    Kind kind = Kind::Bitmap;

    bool isEmpty() const { return image.isNull(); }
    int width() const { return image.width(); }
    int height() const { return image.height(); }

    static std::shared_ptr<const Picture> fromImage(QImage image, QString path = {});
    // Loads from a resource (":/...") or file path; nullptr when it cannot be read.
    static std::shared_ptr<const Picture> load(const QString& path);
    // A picture object without an image.
    static std::shared_ptr<const Picture> empty();
};

using PictureRef = std::shared_ptr<const Picture>;

// A picture bundled with the program (":/..."), read as the format its name
// gives; a null pixmap when it cannot be read.
QPixmap bundledPixmap(const QString& resourcePath);

} // namespace veltrin
