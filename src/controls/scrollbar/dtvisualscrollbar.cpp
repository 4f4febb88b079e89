#include "controls/scrollbar/dtvisualscrollbar.h"

#include "runtime/propertybag.h"
#include "runtime/systemcolours.h"
#include "runtime/units.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

using veltrin::Picture;
using veltrin::PictureRef;

const char* const dtVisualScrollBar::kBuiltinThumb = ":/skin/scrollbar-thumb.png";
const char* const dtVisualScrollBar::kBuiltinUp = ":/skin/scrollbar-up.png";
const char* const dtVisualScrollBar::kBuiltinDown = ":/skin/scrollbar-down.png";
const char* const dtVisualScrollBar::kBuiltinLeft = ":/skin/scrollbar-left.png";
const char* const dtVisualScrollBar::kBuiltinRight = ":/skin/scrollbar-right.png";

namespace {

constexpr double kTw = veltrin::kTwipsPerPixel;
constexpr qint64 kInt32Max = std::numeric_limits<qint32>::max();
constexpr qint64 kInt32Min = std::numeric_limits<qint32>::min();
// Painting and hit testing never need coordinates beyond this many pixels; a
// thumb placed from an out-of-range saved Value may lie far outside.
constexpr double kPixelLimit = 1.0e8;

// Nearest whole number, halves to the even neighbour, clamped into 32 bits
// (NaN reads as 0) so that no conversion can overflow.
qint32 roundClamp32(double v)
{
    if (std::isnan(v))
        return 0;
    const double r = std::nearbyint(v);
    if (r >= static_cast<double>(kInt32Max))
        return static_cast<qint32>(kInt32Max);
    if (r <= static_cast<double>(kInt32Min))
        return static_cast<qint32>(kInt32Min);
    return static_cast<qint32>(r);
}

int twipsToPixel(double tw)
{
    if (!std::isfinite(tw))
        return 0;
    const double px = std::clamp(tw / kTw, -kPixelLimit, kPixelLimit);
    return static_cast<int>(std::nearbyint(px));
}

PictureRef builtin(const char* path)
{
    return Picture::load(QString::fromLatin1(path));
}

// The alignment belonging to the orientation: vertical bars (nonzero) own
// 0..2, horizontal bars own 3..5; a value of the other set is mapped across.
qint32 remapAlignment(qint32 alignment, qint32 orientation)
{
    if (orientation != 0) {
        if (alignment >= 3 && alignment <= 5)
            return alignment - 3;
    } else if (alignment >= 0 && alignment <= 2) {
        return alignment + 3;
    }
    return alignment;
}

QString colourText(quint32 c)
{
    return QStringLiteral("&H") + QStringLiteral("%1").arg(c, 8, 16, QLatin1Char('0')).toUpper();
}

} // namespace

dtVisualScrollBar::dtVisualScrollBar(QWidget* parent)
    : QWidget(parent)
{
    static const PictureRef thumb = builtin(kBuiltinThumb);
    static const PictureRef up = builtin(kBuiltinUp);
    static const PictureRef down = builtin(kBuiltinDown);
    static const PictureRef left = builtin(kBuiltinLeft);
    static const PictureRef right = builtin(kBuiltinRight);

    auto init = [&](Part p, const PictureRef& pic, int wPx, int hPx, quint32 colour) {
        PartState& s = partRef(p);
        s.picture = pic;
        s.w = wPx * kTw;
        s.h = hPx * kTw;
        s.colour = colour;
        s.visible = true;
    };
    init(Part::Thumb, thumb, 21, 21, kThumbColour);
    init(Part::Up, up, 21, 16, kUpDownColour);
    init(Part::Down, down, 21, 16, kUpDownColour);
    init(Part::Left, left, 16, 21, kLeftRightColour);
    init(Part::Right, right, 16, 21, kLeftRightColour);
    PartState& bg = partRef(Part::Background);
    bg.colour = kNewBackColor;
    bg.w = innerWidthTw();
    bg.h = innerHeightTw();
}

dtVisualScrollBar::~dtVisualScrollBar() = default;

// --- Helpers -----------------------------------------------------------------

double dtVisualScrollBar::innerWidthTw() const
{
    return width() * kTw;
}
double dtVisualScrollBar::innerHeightTw() const
{
    return height() * kTw;
}

double dtVisualScrollBar::centreOffset(double d)
{
    const long long whole = veltrin::roundHalfEven(d);
    return static_cast<double>(whole / 2); // integer division truncates toward zero
}

void dtVisualScrollBar::notify(const char* name)
{
    if (!m_loading)
        emit propertyChanged(QString::fromLatin1(name));
}

QRect dtVisualScrollBar::partPixelRect(Part p) const
{
    const PartState& s = part(p);
    return QRect(twipsToPixel(s.x), twipsToPixel(s.y), std::max(0, twipsToPixel(s.w)),
        std::max(0, twipsToPixel(s.h)));
}

std::optional<dtVisualScrollBar::Part> dtVisualScrollBar::partAt(const QPoint& pixel) const
{
    if (!rect().contains(pixel))
        return std::nullopt;
    for (int i = kPartCount - 1; i >= 0; --i) {
        const Part p = static_cast<Part>(i);
        if (part(p).visible && partPixelRect(p).contains(pixel))
            return p;
    }
    return std::nullopt;
}

void dtVisualScrollBar::setControlSizeTw(double wTw, double hTw)
{
    const QSize target(std::max(0, twipsToPixel(wTw)), std::max(0, twipsToPixel(hTw)));
    if (target == size())
        return;
    m_selfResizing = true;
    resize(target);
    m_selfResizing = false;
    if (!m_inLayout)
        UserControl_Resize();
}

// --- Value, range and steps ----------------------------------------------------

qint32 dtVisualScrollBar::Value() const
{
    return m_f.Value;
}
void dtVisualScrollBar::setValue(qint32 v)
{
    assignValue(v);
}

void dtVisualScrollBar::assignValue(qint64 v)
{
    // Written as a chain of tests rather than a clamp: saved data may hold
    // Min > Max, and the chain still gives a defined answer then.
    qint32 stored;
    if (m_f.Min <= v && v <= m_f.Max)
        stored = static_cast<qint32>(v);
    else if (v < m_f.Min)
        stored = m_f.Min;
    else
        stored = m_f.Max;
    m_f.Value = stored;
    PositionThumb();
    emit Change();
    notify("Value");
}

qint32 dtVisualScrollBar::Min() const
{
    return m_f.Min;
}
void dtVisualScrollBar::setMin(qint32 v)
{
    if (static_cast<qint64>(m_f.Max) - v > kInt32Max || v >= m_f.Max)
        return;
    m_f.Min = v;
    assignValue(m_f.Value);
    UserControl_Resize();
    notify("Min");
}

qint32 dtVisualScrollBar::Max() const
{
    return m_f.Max;
}
void dtVisualScrollBar::setMax(qint32 v)
{
    if (v <= m_f.Min || static_cast<qint64>(v) - m_f.Min > kInt32Max)
        return;
    m_f.Max = v;
    assignValue(m_f.Value);
    UserControl_Resize();
    notify("Max");
}

qint32 dtVisualScrollBar::SmallChange() const
{
    return m_f.SmallChange;
}
void dtVisualScrollBar::setSmallChange(qint32 v)
{
    m_f.SmallChange = (v < 1 || v > 32767) ? 1 : v;
    notify("SmallChange");
}

qint32 dtVisualScrollBar::LargeChange() const
{
    return m_f.LargeChange;
}
void dtVisualScrollBar::setLargeChange(qint32 v)
{
    m_f.LargeChange = (v < 1 || v > 32767) ? 1 : v;
    notify("LargeChange");
}

// --- Shape properties ------------------------------------------------------------

qint32 dtVisualScrollBar::Orientation() const
{
    return m_f.Orientation;
}
void dtVisualScrollBar::setOrientation(qint32 v)
{
    m_f.Orientation = v;
    m_f.ThumbAlignment = remapAlignment(m_f.ThumbAlignment, v);
    const bool vertical = v != 0;
    partRef(Part::Up).visible = vertical;
    partRef(Part::Down).visible = vertical;
    partRef(Part::Left).visible = !vertical;
    partRef(Part::Right).visible = !vertical;
    UserControl_Resize();
}

qint32 dtVisualScrollBar::ThumbAlignment() const
{
    return m_f.ThumbAlignment;
}
void dtVisualScrollBar::setThumbAlignment(qint32 v)
{
    m_f.ThumbAlignment = remapAlignment(v, m_f.Orientation);
    UserControl_Resize();
}

bool dtVisualScrollBar::ButtonsVisible() const
{
    return m_f.ButtonsVisible;
}
void dtVisualScrollBar::setButtonsVisible(bool v)
{
    m_f.ButtonsVisible = v;
    for (Part p : { Part::Up, Part::Down, Part::Left, Part::Right })
        partRef(p).visible = false;
    if (m_f.Orientation == 1) {
        partRef(Part::Up).visible = v;
        partRef(Part::Down).visible = v;
    } else {
        partRef(Part::Left).visible = v;
        partRef(Part::Right).visible = v;
    }
    UserControl_Resize();
    notify("ButtonsVisible");
}

bool dtVisualScrollBar::AutoSize() const
{
    return m_f.AutoSize;
}
void dtVisualScrollBar::setAutoSize(bool v)
{
    m_f.AutoSize = v;
    m_bgSizeToPicture = v;
    PartState& bg = partRef(Part::Background);
    if (v && bg.picture && !bg.picture->isEmpty()) {
        bg.w = bg.picture->width() * kTw;
        bg.h = bg.picture->height() * kTw;
    }
    UserControl_Resize();
    notify("AutoSize");
}

quint32 dtVisualScrollBar::BackColor() const
{
    return part(Part::Background).colour;
}
void dtVisualScrollBar::setBackColor(quint32 colour)
{
    partRef(Part::Background).colour = colour;
    UserControl_Resize();
}

bool dtVisualScrollBar::Enabled() const
{
    return !testAttribute(Qt::WA_ForceDisabled);
}
void dtVisualScrollBar::setEnabled(bool v)
{
    QWidget::setEnabled(v);
    notify("Enabled");
}

// --- Pictures --------------------------------------------------------------------

void dtVisualScrollBar::applyPartPicture(Part p, const PictureRef& picture, PictureRule rule)
{
    PartState& s = partRef(p);
    if (!picture) {
        s.picture = nullptr;
        if (rule == PictureRule::ZeroSizeWhenNone) {
            s.w = 0;
            s.h = 0;
        }
    } else if (picture->isEmpty()) {
        const double side = std::min(innerWidthTw(), innerHeightTw());
        s.w = side;
        s.h = side;
    } else {
        s.picture = picture;
        s.w = picture->width() * kTw;
        s.h = picture->height() * kTw;
    }
    RefreshPartVisibility();
    update();
}

void dtVisualScrollBar::applyBackgroundPicture(const PictureRef& picture)
{
    PartState& bg = partRef(Part::Background);
    if (!picture) {
        bg.picture = nullptr;
    } else if (picture->isEmpty()) {
        bg.w = innerWidthTw();
        bg.h = innerHeightTw();
    } else {
        bg.picture = picture;
        if (m_bgSizeToPicture) {
            bg.w = picture->width() * kTw;
            bg.h = picture->height() * kTw;
        }
        setControlSizeTw(bg.w, bg.h);
    }
    RefreshPartVisibility();
    update();
}

PictureRef dtVisualScrollBar::PictureBackground() const
{
    return part(Part::Background).picture;
}
void dtVisualScrollBar::setPictureBackground(const PictureRef& picture)
{
    applyBackgroundPicture(picture);
    notify("PictureBackground");
}

PictureRef dtVisualScrollBar::PictureThumb() const
{
    return part(Part::Thumb).picture;
}
void dtVisualScrollBar::setPictureThumb(const PictureRef& picture)
{
    applyPartPicture(Part::Thumb, picture, PictureRule::KeepSizeWhenNone);
    notify("PictureThumb");
}

PictureRef dtVisualScrollBar::PictureUp() const
{
    return part(Part::Up).picture;
}
void dtVisualScrollBar::setPictureUp(const PictureRef& picture)
{
    applyPartPicture(Part::Up, picture, PictureRule::KeepSizeWhenNone);
    notify("PictureUp");
}

PictureRef dtVisualScrollBar::PictureDown() const
{
    return part(Part::Down).picture;
}
void dtVisualScrollBar::setPictureDown(const PictureRef& picture)
{
    applyPartPicture(Part::Down, picture, PictureRule::ZeroSizeWhenNone);
    notify("PictureDown");
}

PictureRef dtVisualScrollBar::PictureLeft() const
{
    return part(Part::Left).picture;
}
void dtVisualScrollBar::setPictureLeft(const PictureRef& picture)
{
    applyPartPicture(Part::Left, picture, PictureRule::ZeroSizeWhenNone);
    notify("PictureLeft");
}

PictureRef dtVisualScrollBar::PictureRight() const
{
    return part(Part::Right).picture;
}
void dtVisualScrollBar::setPictureRight(const PictureRef& picture)
{
    applyPartPicture(Part::Right, picture, PictureRule::KeepSizeWhenNone);
    notify("PictureRight");
}

// --- Persistence -----------------------------------------------------------------

void dtVisualScrollBar::ReadProperties(const veltrin::PropertyBag& bag)
{
    // Loading raises no event and tells the host nothing; a loaded control
    // never runs the first-layout shaping of a new one.
    m_loading = true;
    dropCapture();
    m_f.FirstLayoutPending = false;
    m_bgSizeToPicture = true;

    m_f.Max = bag.readLong(QStringLiteral("Max"), kSavedDefaultMax);
    m_f.Min = bag.readLong(QStringLiteral("Min"), 0);
    m_f.ButtonsVisible = bag.readBool(QStringLiteral("ButtonsVisible"), true);
    m_f.Orientation = bag.readLong(QStringLiteral("Orientation"), kSavedDefaultOrientation);
    m_f.ThumbAlignment
        = bag.readLong(QStringLiteral("ThumbAlignment"), kSavedDefaultThumbAlignment);
    applyBackgroundPicture(bag.readPicture(QStringLiteral("PictureBackground")));
    applyPartPicture(
        Part::Up, bag.readPicture(QStringLiteral("PictureUp")), PictureRule::KeepSizeWhenNone);
    applyPartPicture(
        Part::Down, bag.readPicture(QStringLiteral("PictureDown")), PictureRule::ZeroSizeWhenNone);
    applyPartPicture(Part::Right, bag.readPicture(QStringLiteral("PictureRight")),
        PictureRule::KeepSizeWhenNone);
    applyPartPicture(
        Part::Left, bag.readPicture(QStringLiteral("PictureLeft")), PictureRule::ZeroSizeWhenNone);
    applyPartPicture(Part::Thumb, bag.readPicture(QStringLiteral("PictureThumb")),
        PictureRule::KeepSizeWhenNone);
    m_f.Value = bag.readLong(QStringLiteral("Value"), 0);

    // Colours are 32-bit patterns: accept the signed and the unsigned decimal
    // spelling as well as &H / 0x hexadecimal.
    quint32 back = kSavedDefaultBackColor;
    if (const auto text = bag.raw(QStringLiteral("BackColor"))) {
        bool ok = false;
        const qint64 wide = text->trimmed().toLongLong(&ok, 10);
        if (ok && wide >= kInt32Min && wide <= 0xFFFFFFFFll)
            back = static_cast<quint32>(wide);
        else
            back = static_cast<quint32>(bag.readLong(
                QStringLiteral("BackColor"), static_cast<qint32>(kSavedDefaultBackColor)));
    }
    partRef(Part::Background).colour = back;

    m_f.LargeChange = bag.readLong(QStringLiteral("LargeChange"), 10);
    m_f.SmallChange = bag.readLong(QStringLiteral("SmallChange"), 1);
    m_f.AutoSize = bag.readBool(QStringLiteral("AutoSize"), false);
    QWidget::setEnabled(bag.readBool(QStringLiteral("Enabled"), true));
    m_loading = false;

    // A shown control gets no resize event from loading; place its parts now.
    // A hidden one is laid out by the resize event Qt sends when it is shown.
    if (isVisible())
        UserControl_Resize();
    update();
}

void dtVisualScrollBar::WriteProperties(veltrin::PropertyBag& bag) const
{
    bag.writeBool(QStringLiteral("ButtonsVisible"), m_f.ButtonsVisible, true);
    bag.writeLong(QStringLiteral("Orientation"), m_f.Orientation, kSavedDefaultOrientation);
    bag.writeLong(
        QStringLiteral("ThumbAlignment"), m_f.ThumbAlignment, kSavedDefaultThumbAlignment);
    bag.writePicture(QStringLiteral("PictureBackground"), part(Part::Background).picture);
    bag.writePicture(QStringLiteral("PictureUp"), part(Part::Up).picture);
    bag.writePicture(QStringLiteral("PictureDown"), part(Part::Down).picture);
    bag.writePicture(QStringLiteral("PictureRight"), part(Part::Right).picture);
    bag.writePicture(QStringLiteral("PictureLeft"), part(Part::Left).picture);
    bag.writePicture(QStringLiteral("PictureThumb"), part(Part::Thumb).picture);
    bag.writeLong(QStringLiteral("Min"), m_f.Min, 0);
    bag.writeLong(QStringLiteral("Max"), m_f.Max, kSavedDefaultMax);
    bag.writeLong(QStringLiteral("Value"), m_f.Value, 0);
    bag.writeString(
        QStringLiteral("BackColor"), colourText(BackColor()), colourText(kSavedDefaultBackColor));
    bag.writeLong(QStringLiteral("LargeChange"), m_f.LargeChange, 10);
    bag.writeLong(QStringLiteral("SmallChange"), m_f.SmallChange, 1);
    bag.writeBool(QStringLiteral("AutoSize"), m_f.AutoSize, false);
    bag.writeBool(QStringLiteral("Enabled"), Enabled(), true);
}

// --- Layout ------------------------------------------------------------------------

void dtVisualScrollBar::UserControl_Resize()
{
    // A size change made by this pass (first shaping, AutoSize) is folded
    // into it: everything below reads the size after those steps.
    if (m_inLayout)
        return;
    m_inLayout = true;

    // A new control is shaped once it has a size from its host (or is shown);
    // Qt's default size of a fresh widget says nothing about the intended shape.
    if (m_f.FirstLayoutPending && (testAttribute(Qt::WA_Resized) || isVisible())) {
        InitLayoutFromShape();
        RefreshPartVisibility();
    }

    PartState& bg = partRef(Part::Background);
    if (m_f.AutoSize && bg.picture && !bg.picture->isEmpty())
        setControlSizeTw(bg.picture->width() * kTw, bg.picture->height() * kTw);

    bg.x = 0;
    bg.y = 0;
    bg.w = innerWidthTw();
    bg.h = innerHeightTw();

    const bool vertical = m_f.Orientation == 1;
    const qint32 a = m_f.ThumbAlignment;
    const bool alignmentFits = vertical ? (a >= 0 && a <= 2) : (a >= 3 && a <= 5);
    if (alignmentFits) {
        placeArrows(vertical);
        PositionThumb();
    }
    m_inLayout = false;
    update();
}

void dtVisualScrollBar::placeArrows(bool vertical)
{
    const double SW = innerWidthTw();
    const double SH = innerHeightTw();
    const bool shown = m_f.ButtonsVisible;
    const qint32 a = m_f.ThumbAlignment;
    if (vertical) {
        PartState& up = partRef(Part::Up);
        PartState& dn = partRef(Part::Down);
        auto across = [&](const PartState& s) {
            switch (a) {
            case 0: return 0.0;
            case 1: return centreOffset(SW - s.w);
            default: return SW - s.w;
            }
        };
        up.x = across(up);
        dn.x = across(dn);
        up.y = shown ? 0.0 : -up.h;
        dn.y = shown ? SH - dn.h : SH;
    } else {
        PartState& left = partRef(Part::Left);
        PartState& right = partRef(Part::Right);
        auto across = [&](const PartState& s) {
            switch (a) {
            case 3: return 0.0;
            case 4: return (SH - s.h) / 2;
            default: return SH - s.h;
            }
        };
        left.y = across(left);
        right.y = across(right);
        left.x = shown ? 0.0 : -left.w;
        right.x = shown ? SW - right.w : SW;
    }
}

void dtVisualScrollBar::PositionThumb()
{
    const double SW = innerWidthTw();
    const double SH = innerHeightTw();
    PartState& thumb = partRef(Part::Thumb);
    const bool vertical = m_f.Orientation == 1;
    const QRect before = partPixelRect(Part::Thumb);
    // The position timer assigns the seek bar's value a hundred times a
    // second; only a thumb that really moved is worth a repaint.
    const auto repaintMoved = [&] {
        const QRect after = partPixelRect(Part::Thumb);
        if (after != before)
            update(before.united(after));
    };

    double start;
    double end;
    if (vertical) {
        start = m_f.ButtonsVisible ? part(Part::Up).h : 0.0;
        end = m_f.ButtonsVisible ? part(Part::Down).y - thumb.h : SH - thumb.h;
    } else {
        start = m_f.ButtonsVisible ? part(Part::Left).w : 0.0;
        end = m_f.ButtonsVisible ? part(Part::Right).x - thumb.w : SW - thumb.w;
    }

    // Differences in 64 bits (saved data may hold any Min and Max); a range
    // without width (saved Min = Max) puts the thumb at the start.
    const qint64 span = static_cast<qint64>(m_f.Max) - m_f.Min;
    const qint64 offset = static_cast<qint64>(m_f.Value) - m_f.Min;
    const double ratio = span != 0 ? static_cast<double>(offset) / static_cast<double>(span) : 0.0;
    const double along = ratio * (end - start) + start;
    if (vertical)
        thumb.y = along;
    else
        thumb.x = along;

    // Across the axis only an alignment of the bar's own orientation applies.
    const qint32 a = m_f.ThumbAlignment;
    if (vertical ? (a < 0 || a > 2) : (a < 3 || a > 5)) {
        repaintMoved();
        return;
    }
    switch (a) {
    case 0: thumb.x = 0; break;
    case 1: thumb.x = centreOffset(SW - thumb.w); break;
    case 2: thumb.x = SW - thumb.w; break;
    case 3: thumb.y = 0; break;
    case 4: thumb.y = (SH - thumb.h) / 2; break;
    case 5: thumb.y = SH - thumb.h; break;
    default: break;
    }
    repaintMoved();
}

void dtVisualScrollBar::RefreshPartVisibility()
{
    for (Part p : { Part::Right, Part::Left, Part::Up, Part::Down })
        partRef(p).visible = false;
    partRef(Part::Thumb).visible = true;
    if (m_f.ButtonsVisible) {
        if (m_f.Orientation == 1) {
            partRef(Part::Up).visible = true;
            partRef(Part::Down).visible = true;
        } else if (m_f.Orientation == 0) {
            partRef(Part::Right).visible = true;
            partRef(Part::Left).visible = true;
        }
    }
    update();
}

void dtVisualScrollBar::InitLayoutFromShape()
{
    m_f.FirstLayoutPending = false;
    const double SW = innerWidthTw();
    const double SH = innerHeightTw();
    m_f.Orientation = SH >= SW ? 1 : 0;
    PartState& bg = partRef(Part::Background);
    bg.x = 0;
    bg.y = 0;
    bg.w = SW;
    bg.h = SH;
    RefreshPartVisibility();
    if (m_f.Orientation == 1) {
        m_f.ThumbAlignment = 1;
        setControlSizeTw(315, SH);
    } else {
        m_f.ThumbAlignment = 4;
        setControlSizeTw(SW, 315);
    }
}

void dtVisualScrollBar::resizeEvent(QResizeEvent*)
{
    if (!m_selfResizing)
        UserControl_Resize();
}

// --- Painting ----------------------------------------------------------------------

QColor dtVisualScrollBar::resolveColour(quint32 colour) const
{
    return veltrin::resolveColour(colour, palette());
}

void dtVisualScrollBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRect client = rect();
    for (int i = 0; i < kPartCount; ++i) {
        const Part p = static_cast<Part>(i);
        const PartState& s = part(p);
        if (!s.visible)
            continue;
        const QRect r = partPixelRect(p);
        const QRect shown = r.intersected(client);
        if (shown.isEmpty())
            continue;
        painter.save();
        painter.setClipRect(shown);
        painter.fillRect(shown, resolveColour(s.colour));
        if (s.picture && !s.picture->isEmpty())
            painter.drawImage(r.topLeft(), s.picture->image);
        painter.restore();
    }
}

// --- Pointer input -------------------------------------------------------------------

namespace {
QPoint pixelOf(const QPointF& pos)
{
    return QPoint(static_cast<int>(std::floor(pos.x())), static_cast<int>(std::floor(pos.y())));
}
} // namespace

QPointF dtVisualScrollBar::pointerInPart(Part p, const QPointF& widgetPos) const
{
    // As a child window reports it: whole pixels from the part's painted corner.
    const QPoint px = pixelOf(widgetPos);
    const QRect r = partPixelRect(p);
    return QPointF((px.x() - r.left()) * kTw, (px.y() - r.top()) * kTw);
}

void dtVisualScrollBar::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (!m_hasCapture) {
        const auto hit = partAt(pixelOf(event->position()));
        if (!hit)
            return;
        m_capture = *hit;
        m_hasCapture = true;
    }
    // While a button is held, further presses go to the part that has the pointer.
    const QPointF local = pointerInPart(m_capture, event->position());
    switch (m_capture) {
    case Part::Background: picBG_MouseDown(local.x(), local.y()); break;
    case Part::Thumb: picTHUMB_MouseDown(local.x(), local.y()); break;
    default: break; // arrows act on release
    }
}

void dtVisualScrollBar::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    if (m_hasCapture) {
        if (m_capture == Part::Thumb) {
            const QPointF local = pointerInPart(Part::Thumb, event->position());
            picTHUMB_MouseMove(local.x(), local.y());
        }
        return;
    }
    if (partAt(pixelOf(event->position())) == Part::Thumb) {
        const QPointF local = pointerInPart(Part::Thumb, event->position());
        picTHUMB_MouseMove(local.x(), local.y());
    }
}

void dtVisualScrollBar::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (!m_hasCapture)
        return;
    const Part p = m_capture;
    if (event->buttons() == Qt::NoButton)
        m_hasCapture = false;
    switch (p) {
    case Part::Thumb: picTHUMB_MouseUp(); break;
    case Part::Up:
    case Part::Down:
    case Part::Left:
    case Part::Right:
        if (event->button() == Qt::LeftButton && partAt(pixelOf(event->position())) == p)
            arrowClick(p);
        break;
    default: break;
    }
}

void dtVisualScrollBar::dropCapture()
{
    // The pointer sequence was cut off (control disabled or hidden, or new
    // properties loaded while a button was held): end it without events.
    m_hasCapture = false;
    m_f.IsDragging = false;
}

void dtVisualScrollBar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        dropCapture();
    QWidget::changeEvent(event);
}

bool dtVisualScrollBar::event(QEvent* event)
{
    // A slider shows no text: its tool tip is what a screen reader calls it.
    // Qt sends a tool tip change to event() only, not to changeEvent().
    if (event->type() == QEvent::ToolTipChange)
        setAccessibleName(toolTip());
    return QWidget::event(event);
}

void dtVisualScrollBar::hideEvent(QHideEvent* event)
{
    dropCapture();
    QWidget::hideEvent(event);
}

void dtVisualScrollBar::picBG_MouseDown(double x, double y)
{
    const PartState& bg = part(Part::Background);
    const PartState& thumb = part(Part::Thumb);
    const qint64 step = m_f.LargeChange;
    bool after;
    if (m_f.Orientation == 1)
        after = bg.y + y > thumb.y;
    else
        after = bg.x + x > thumb.x;
    assignValue(static_cast<qint64>(m_f.Value) + (after ? step : -step));
    emit UserStep();
}

void dtVisualScrollBar::arrowClick(Part p)
{
    const qint64 step = m_f.SmallChange;
    const bool back = p == Part::Up || p == Part::Left;
    assignValue(static_cast<qint64>(m_f.Value) + (back ? -step : step));
    emit UserStep();
}

void dtVisualScrollBar::picTHUMB_MouseDown(double x, double y)
{
    // Each press starts a fresh drag: a release without an effective step
    // raises nothing, whatever an earlier drag did.
    m_f.DragMoved = false;
    const PartState& thumb = part(Part::Thumb);
    if (m_f.Orientation == 1) {
        m_f.GrabOffsetY = roundClamp32(y);
        m_f.IsDragging = true;
        m_f.LastDragPos = roundClamp32(thumb.y + y);
    } else {
        m_f.GrabOffsetX = roundClamp32(x);
        m_f.IsDragging = true;
        m_f.LastDragPos = roundClamp32(thumb.x + x);
    }
}

void dtVisualScrollBar::picTHUMB_MouseMove(double x, double y)
{
    if (!m_f.IsDragging)
        return;
    PartState& thumb = partRef(Part::Thumb);
    const bool vertical = m_f.Orientation == 1;
    qint32 lo;
    qint32 hi;
    qint32 pos;
    if (vertical) {
        const PartState& up = part(Part::Up);
        const PartState& dn = part(Part::Down);
        lo = roundClamp32(up.y + up.h);
        hi = roundClamp32(dn.y - thumb.h);
        pos = roundClamp32(thumb.y + y - m_f.GrabOffsetY);
    } else {
        const PartState& left = part(Part::Left);
        const PartState& right = part(Part::Right);
        lo = roundClamp32(left.x + left.w);
        hi = roundClamp32(right.x - thumb.w);
        pos = roundClamp32(thumb.x + x - m_f.GrabOffsetX);
    }
    if (pos >= hi)
        pos = hi;
    if (pos <= lo)
        pos = lo;
    if (pos == m_f.LastDragPos)
        return;

    if (vertical)
        thumb.y = pos;
    else
        thumb.x = pos;

    // 64-bit differences; a track without travel (hi = lo) maps to Min, as a
    // thumb held at lo does on any track.
    const qint64 travel = static_cast<qint64>(hi) - lo;
    const qint64 span = static_cast<qint64>(m_f.Max) - m_f.Min;
    const double along = (vertical ? thumb.y : thumb.x) - lo;
    const double ratio = travel != 0 ? along / static_cast<double>(travel) : 0.0;
    m_f.Value = roundClamp32(ratio * static_cast<double>(span) + m_f.Min);
    update();

    emit Scroll();
    m_f.LastDragPos = pos;
    m_f.DragMoved = true;
}

void dtVisualScrollBar::picTHUMB_MouseUp()
{
    m_f.IsDragging = false;
    if (m_f.DragMoved)
        emit Change();
}
