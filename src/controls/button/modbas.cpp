#include "controls/button/modbas.h"

#include "runtime/systemcolours.h"
#include "runtime/units.h"

#include <QGuiApplication>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cmath>

namespace modBas {

namespace {

Colour fromQColor(const QColor& c)
{
    return rgb(c.red(), c.green(), c.blue());
}

QImage* targetImage(QPainter& p)
{
    QPaintDevice* device = p.device();
    if (device && device->devType() == QInternal::Image)
        return static_cast<QImage*>(device);
    return nullptr;
}

// The target's pixels under (x, y, w, h); outside the target reads as black.
QImage targetArea(QPainter& p, int x, int y, int w, int h)
{
    if (const QImage* target = targetImage(p))
        return target->copy(x, y, w, h).convertToFormat(QImage::Format_RGB32);
    QImage black(w, h, QImage::Format_RGB32);
    black.fill(Qt::black);
    return black;
}

void fillPixel(QPainter& p, int x, int y, const QColor& c)
{
    p.fillRect(QRect(x, y, 1, 1), c);
}

} // namespace

// ---- colours ---------------------------------------------------------------

Colour ResolveColor(Colour k)
{
    if (k >= 0)
        return k;
    // A failed translation is black.
    return fromQColor(veltrin::resolveColour(static_cast<quint32>(k), QGuiApplication::palette()));
}

int RedOf(Colour k)
{
    const Colour r = ResolveColor(k);
    return r < 0 ? 0 : (r & 0xFF);
}

int GreenOf(Colour k)
{
    const Colour r = ResolveColor(k);
    return r < 0 ? 0 : ((r >> 8) & 0xFF);
}

int BlueOf(Colour k)
{
    const Colour r = ResolveColor(k);
    return r < 0 ? 0 : ((r >> 16) & 0xFF);
}

Colour NormalizeColor(Colour k)
{
    return rgb(RedOf(k), GreenOf(k), BlueOf(k));
}

Colour ShiftColor(Colour k, qint32 amount)
{
    const qint64 a = amount;
    qint64 r = (k & 0xFF) + a;
    qint64 g = ((k >> 8) & 0xFF) + a;
    const qint64 b0 = (k >> 16) & 0xFF;
    // Integer division truncates toward zero.
    qint64 b = b0 + (b0 * a) / 192;
    if (a > 0) {
        r = std::min<qint64>(r, 255);
        g = std::min<qint64>(g, 255);
        b = std::min<qint64>(b, 255);
    } else if (a < 0) {
        r = std::max<qint64>(r, 0);
        g = std::max<qint64>(g, 0);
        b = std::max<qint64>(b, 0);
    }
    return static_cast<Colour>(r + 256 * g + 65536 * b);
}

int SmoothChannel(int v)
{
    // floor((v + 32) / 64) for the non-negative channel values
    return v + 76 - 19 * ((v + 32) / 64);
}

Colour SmoothColor(Colour k)
{
    return rgb(
        SmoothChannel(k & 0xFF), SmoothChannel((k >> 8) & 0xFF), SmoothChannel((k >> 16) & 0xFF));
}

QColor toQColor(Colour k)
{
    return QColor(RedOf(k), GreenOf(k), BlueOf(k));
}

// ---- drawing ---------------------------------------------------------------

void DrawLine(QPainter& p, int x1, int y1, int x2, int y2, Colour k)
{
    if (x1 == x2 && y1 == y2)
        return;
    const QColor c = toQColor(k);
    if (y1 == y2) {
        const int a = x1 < x2 ? x1 : x2 + 1;
        const int b = x1 < x2 ? x2 - 1 : x1;
        p.fillRect(QRect(QPoint(a, y1), QPoint(b, y1)), c);
        return;
    }
    if (x1 == x2) {
        const int a = y1 < y2 ? y1 : y2 + 1;
        const int b = y1 < y2 ? y2 - 1 : y1;
        p.fillRect(QRect(QPoint(x1, a), QPoint(x1, b)), c);
        return;
    }
    // Slanted lines: Bresenham, the end point left out.
    const int dx = std::abs(x2 - x1);
    const int dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1;
    const int sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    int x = x1;
    int y = y1;
    while (x != x2 || y != y2) {
        fillPixel(p, x, y, c);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void PaintBox(QPainter& p, int x, int y, int w, int h, Colour k, bool frameOnly)
{
    if (w <= 0 || h <= 0)
        return;
    const QColor c = toQColor(k);
    if (!frameOnly) {
        p.fillRect(QRect(x, y, w, h), c);
        return;
    }
    p.fillRect(QRect(x, y, w, 1), c);
    p.fillRect(QRect(x, y + h - 1, w, 1), c);
    p.fillRect(QRect(x, y, 1, h), c);
    p.fillRect(QRect(x + w - 1, y, 1, h), c);
}

bool IsPointInBox(float x, float y, float width, float height)
{
    return x >= 0 && x <= width && y >= 0 && y <= height;
}

void DrawInnerEdge(QPainter& p, int x, int y, int w, int h, bool sunken)
{
    if (w <= 0 || h <= 0)
        return;
    const QColor topLeft = toQColor(systemColour(sunken ? kColor3DDkShadow : kColorBtnHighlight));
    const QColor bottomRight = toQColor(systemColour(sunken ? kColor3DLight : kColorBtnShadow));
    p.fillRect(QRect(x, y, w, 1), topLeft);
    p.fillRect(QRect(x, y, 1, h), topLeft);
    p.fillRect(QRect(x, y + h - 1, w, 1), bottomRight);
    p.fillRect(QRect(x + w - 1, y, 1, h), bottomRight);
}

void FillPolygon(QPainter& p, const std::vector<QPoint>& corners, Colour k)
{
    if (corners.size() < 3)
        return;
    const QColor c = toQColor(k);
    int top = corners.front().y();
    int bottom = top;
    for (const QPoint& pt : corners) {
        top = std::min(top, pt.y());
        bottom = std::max(bottom, pt.y());
    }
    std::vector<double> xs;
    for (int y = top; y < bottom; ++y) {
        xs.clear();
        for (std::size_t i = 0; i < corners.size(); ++i) {
            const QPoint a = corners[i];
            const QPoint b = corners[(i + 1) % corners.size()];
            if (a.y() == b.y())
                continue;
            const QPoint lo = a.y() < b.y() ? a : b;
            const QPoint hi = a.y() < b.y() ? b : a;
            // Half-open in y so a shared corner counts once.
            if (y < lo.y() || y >= hi.y())
                continue;
            xs.push_back(lo.x() + double(y - lo.y()) * (hi.x() - lo.x()) / (hi.y() - lo.y()));
        }
        std::sort(xs.begin(), xs.end());
        // Alternate fill: spans between successive pairs of crossings.
        for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
            const int from = static_cast<int>(std::ceil(xs[i]));
            const int to = static_cast<int>(std::ceil(xs[i + 1])) - 1;
            if (to >= from)
                p.fillRect(QRect(QPoint(from, y), QPoint(to, y)), c);
        }
    }
}

void DrawFocusRect(QPainter& p, int left, int top, int right, int bottom)
{
    const QImage* target = targetImage(p);
    if (!target || right <= left || bottom <= top)
        return;
    auto invert = [&](int x, int y) {
        if (((x + y) & 1) != 0 || !target->rect().contains(x, y))
            return;
        const QRgb v = target->pixel(x, y);
        fillPixel(p, x, y, QColor(255 - qRed(v), 255 - qGreen(v), 255 - qBlue(v)));
    };
    for (int x = left; x < right; ++x) {
        invert(x, top);
        if (bottom - 1 != top)
            invert(x, bottom - 1);
    }
    for (int y = top + 1; y < bottom - 1; ++y) {
        invert(left, y);
        if (right - 1 != left)
            invert(right - 1, y);
    }
}

void DrawPictureEffect(QPainter& p, int x, int y, int w, int h, const veltrin::PictureRef& picture,
    int srcWidth, int srcHeight, int effect, bool greyMode)
{
    if (w <= 0 || h <= 0 || !picture || picture->isEmpty() || effect < 0 || effect > 2)
        return;
    const bool icon = picture->kind == veltrin::Picture::Kind::Icon;
    const QRect target(x, y, w, h);

    if (effect == 0) {
        if (icon)
            p.drawImage(target, picture->image);
        else
            p.drawImage(target, picture->image, QRect(0, 0, srcWidth, srcHeight));
        return;
    }
    if (effect == 2 && !icon) {
        PaintBox(p, x, y, w, h, 0x808080, false);
        DrawInnerEdge(p, x, y, w, h, true);
        return;
    }

    dib::Buffer composed;
    if (icon) {
        const QImage backgroundImage = targetArea(p, x, y, w, h);
        QImage composedImage = backgroundImage;
        {
            QPainter cp(&composedImage);
            cp.drawImage(QRect(0, 0, w, h), picture->image);
        }
        const dib::Buffer background = dib::fromImage(backgroundImage);
        composed = dib::fromImage(composedImage);
        if (effect == 1)
            dib::recolourChanged(background, composed, w, h, greyMode);
        else
            dib::emboss(background, composed, w, h);
    } else {
        QImage stretched(w, h, QImage::Format_RGB32);
        stretched.fill(Qt::black);
        {
            QPainter sp(&stretched);
            sp.drawImage(QRect(0, 0, w, h), picture->image, QRect(0, 0, srcWidth, srcHeight));
        }
        composed = dib::fromImage(stretched);
        dib::recolourAll(composed, w, h, greyMode);
    }
    const QPainter::CompositionMode mode = p.compositionMode();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(x, y, dib::toImage(composed, w, h));
    p.setCompositionMode(mode);
}

// ---- pixel arithmetic --------------------------------------------------------

namespace dib {

int stride(int width)
{
    return (3 * width + 3) & ~3;
}

std::size_t offset(int width, int column, int row)
{
    return static_cast<std::size_t>(row) * stride(width) + 3 * static_cast<std::size_t>(column);
}

Buffer fromImage(const QImage& image)
{
    const QImage src = image.convertToFormat(QImage::Format_RGB32);
    const int w = src.width();
    const int h = src.height();
    Buffer buffer(static_cast<std::size_t>(stride(w)) * h, 0);
    for (int row = 0; row < h; ++row) {
        const QRgb* line = reinterpret_cast<const QRgb*>(src.constScanLine(h - 1 - row));
        for (int c = 0; c < w; ++c) {
            std::uint8_t* px = &buffer[offset(w, c, row)];
            px[0] = static_cast<std::uint8_t>(qBlue(line[c]));
            px[1] = static_cast<std::uint8_t>(qGreen(line[c]));
            px[2] = static_cast<std::uint8_t>(qRed(line[c]));
        }
    }
    return buffer;
}

QImage toImage(const Buffer& buffer, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int row = 0; row < height; ++row) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(height - 1 - row));
        for (int c = 0; c < width; ++c) {
            const std::uint8_t* px = &buffer[offset(width, c, row)];
            line[c] = qRgb(px[2], px[1], px[0]);
        }
    }
    return image;
}

int greyLevel(int red, int green, int blue)
{
    // The red term is made integral on its own before the sum.
    const double redTerm = static_cast<double>(veltrin::roundHalfEven(red * 0.30));
    const double sum = green * 0.59 + redTerm + blue * 0.11;
    return std::clamp(static_cast<int>(veltrin::roundHalfEven(sum)), 0, 255);
}

void recolourPixel(std::uint8_t* bgr, bool greyMode)
{
    const std::uint8_t g = greyMode ? static_cast<std::uint8_t>(greyLevel(bgr[2], bgr[1], bgr[0]))
                                    : std::uint8_t { 128 };
    bgr[0] = bgr[1] = bgr[2] = g;
}

void recolourAll(Buffer& buffer, int width, int height, bool greyMode)
{
    for (int row = 0; row < height; ++row)
        for (int c = 0; c < width; ++c)
            recolourPixel(&buffer[offset(width, c, row)], greyMode);
}

namespace {
bool changedAt(const Buffer& background, const Buffer& composed, std::size_t at)
{
    return background[at] != composed[at] || background[at + 1] != composed[at + 1]
        || background[at + 2] != composed[at + 2];
}
} // namespace

void recolourChanged(
    const Buffer& background, Buffer& composed, int width, int height, bool greyMode)
{
    for (int row = 0; row < height; ++row) {
        for (int c = 0; c < width; ++c) {
            const std::size_t at = offset(width, c, row);
            if (changedAt(background, composed, at))
                recolourPixel(&composed[at], greyMode);
        }
    }
}

void emboss(const Buffer& background, Buffer& composed, int width, int height)
{
    // "Changed" is judged on the values before the pass alters them.
    std::vector<std::uint8_t> changed(static_cast<std::size_t>(width) * height, 0);
    for (int row = 0; row < height; ++row)
        for (int c = 0; c < width; ++c)
            changed[static_cast<std::size_t>(row) * width + c]
                = changedAt(background, composed, offset(width, c, row)) ? 1 : 0;
    auto isChanged
        = [&](int c, int row) { return changed[static_cast<std::size_t>(row) * width + c] != 0; };
    for (int row = 0; row < height; ++row) {
        for (int c = width - 1; c >= 0; --c) {
            std::uint8_t* px = &composed[offset(width, c, row)];
            if (isChanged(c, row)) {
                px[0] = px[1] = px[2] = 128;
            } else if ((row + 1 < height && isChanged(c, row + 1))
                || (c > 0 && isChanged(c - 1, row))) {
                px[0] = px[1] = px[2] = 255;
            }
        }
    }
}

} // namespace dib

} // namespace modBas
