#pragma once

#include "runtime/picture.h"

#include <QRect>
#include <QRectF>
#include <QWidget>
#include <optional>

namespace veltrin {
class PropertyBag;
}

// The picture-skinned slider: a background track, a thumb and an arrow pair per
// orientation. Holds a whole-number Value between Min and Max; raises Change on
// every assignment of Value and at the end of a drag, Scroll at each drag step.
//
// Geometry is kept in twips (15 per pixel, fractions allowed) in the control's
// client coordinates; the widget paints the parts itself and hit-tests the
// pointer against their painted pixel rectangles. Colours are packed as
// red + 256 * green + 65536 * blue; a value with the top bit set names a
// system colour (its low byte is the index) and is resolved when painting.
class dtVisualScrollBar : public QWidget {
    Q_OBJECT
public:
    // The six parts, in painting order (later ones lie above earlier ones).
    enum class Part { Background, Up, Down, Left, Right, Thumb };
    static constexpr int kPartCount = 6;

    // A part as the layout left it: position and size in twips.
    struct PartState {
        double x = 0;
        double y = 0;
        double w = 0;
        double h = 0;
        bool visible = true;
        veltrin::PictureRef picture; // null: no picture
        quint32 colour = 0;
        QRectF rect() const { return QRectF(x, y, w, h); }
    };

    // The control's own fields, readable for hosts and tests.
    struct Fields {
        qint32 GrabOffsetX = 0;
        qint32 GrabOffsetY = 0;
        bool IsDragging = false;
        qint32 LastDragPos = 0;
        bool DragMoved = false;
        qint32 Min = 0;
        qint32 Max = 32767;
        qint32 Orientation = 0;
        qint32 Value = 0;
        qint32 ThumbAlignment = 0;
        qint32 SmallChange = 1;
        qint32 LargeChange = 10;
        bool AutoSize = false;
        bool ButtonsVisible = true;
        bool FirstLayoutPending = true;
    };

    // Defaults of a key missing from saved properties.
    static constexpr qint32 kSavedDefaultMax = 2147483647;
    static constexpr qint32 kSavedDefaultOrientation = 1;
    static constexpr qint32 kSavedDefaultThumbAlignment = 0;
    static constexpr quint32 kSavedDefaultBackColor = 0xE0E0E0;
    // Look of a new control.
    static constexpr quint32 kNewBackColor = 0xC0C0C0;
    static constexpr quint32 kThumbColour = 0x000000;
    static constexpr quint32 kUpDownColour = 0x808080;
    static constexpr quint32 kLeftRightColour = 0xFF8080;
    // Built-in artwork.
    static const char* const kBuiltinThumb; // 21 x 21 px
    static const char* const kBuiltinUp; // 21 x 16 px
    static const char* const kBuiltinDown; // 21 x 16 px
    static const char* const kBuiltinLeft; // 16 x 21 px
    static const char* const kBuiltinRight; // 16 x 21 px

    explicit dtVisualScrollBar(QWidget* parent = nullptr);
    ~dtVisualScrollBar() override;

    // --- Properties -------------------------------------------------------
    qint32 Value() const;
    // Clamped into Min..Max, thumb placed, Change raised (also when unchanged).
    void setValue(qint32 v);
    qint32 Min() const;
    // Ignored unless v < Max and Max - v <= 2147483647; then Value is re-applied.
    void setMin(qint32 v);
    qint32 Max() const;
    // Ignored unless v > Min and v - Min <= 2147483647; then Value is re-applied.
    void setMax(qint32 v);
    qint32 SmallChange() const;
    // Outside 1..32767 stores 1.
    void setSmallChange(qint32 v);
    qint32 LargeChange() const;
    void setLargeChange(qint32 v);

    qint32 Orientation() const; // 0 horizontal, 1 vertical
    void setOrientation(qint32 v);
    qint32 ThumbAlignment() const; // 0..2 vertical, 3..5 horizontal
    void setThumbAlignment(qint32 v);
    bool ButtonsVisible() const;
    void setButtonsVisible(bool v);
    bool AutoSize() const;
    void setAutoSize(bool v);
    quint32 BackColor() const;
    void setBackColor(quint32 colour);
    // The colour a BackColor value paints; system colours as the palette shows them.
    QColor resolveColour(quint32 colour) const;
    // The control's own enabled state (a disabled control takes no pointer input).
    bool Enabled() const;
    void setEnabled(bool v); // hides QWidget::setEnabled to notify the host

    // Pictures: nullptr = no picture, Picture::empty() = an empty picture object.
    veltrin::PictureRef PictureBackground() const;
    void setPictureBackground(const veltrin::PictureRef& picture);
    veltrin::PictureRef PictureThumb() const;
    void setPictureThumb(const veltrin::PictureRef& picture);
    veltrin::PictureRef PictureUp() const;
    void setPictureUp(const veltrin::PictureRef& picture);
    veltrin::PictureRef PictureDown() const;
    void setPictureDown(const veltrin::PictureRef& picture);
    veltrin::PictureRef PictureLeft() const;
    void setPictureLeft(const veltrin::PictureRef& picture);
    veltrin::PictureRef PictureRight() const;
    void setPictureRight(const veltrin::PictureRef& picture);

    // Design-time properties from a form file, in the documented order; a
    // loaded control skips the first-layout shaping of a new one.
    void ReadProperties(const veltrin::PropertyBag& bag);
    void WriteProperties(veltrin::PropertyBag& bag) const;

    // --- Layout -----------------------------------------------------------
    // The layout pass. Runs on every resize event; Qt delivers those to a
    // hidden widget only when it is shown, so a host may call it directly.
    void UserControl_Resize();

    // --- Read-only state ----------------------------------------------------
    const Fields& fields() const { return m_f; }
    const PartState& part(Part p) const { return m_parts[static_cast<int>(p)]; }
    QRectF partRect(Part p) const { return part(p).rect(); } // twips
    bool partVisible(Part p) const { return part(p).visible; }
    // Where the part is painted, in widget pixels (before clipping).
    QRect partPixelRect(Part p) const;
    // The background part's size-to-picture switch.
    bool backgroundSizesToPicture() const { return m_bgSizeToPicture; }
    // Inner size in twips.
    double innerWidthTw() const;
    double innerHeightTw() const;
    // The part a press at this widget pixel reaches: the topmost visible part
    // whose painted rectangle, clipped to the client area, holds the pixel.
    std::optional<Part> partAt(const QPoint& pixel) const;

    // Centring across vertical bars: d rounded half-to-even, then halved with
    // truncation toward zero.
    static double centreOffset(double d);

signals:
    void Change();
    void Scroll();
    // After the Change of a press on the track or an arrow: the user moved the
    // value by a step, where Change alone cannot tell the user from the code.
    void UserStep();
    // Host notification: the named property was assigned.
    void propertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    PartState& partRef(Part p) { return m_parts[static_cast<int>(p)]; }

    // Assignment through the Value rule, with the candidate in 64 bits so a
    // step near the ends of the 32-bit range cannot wrap.
    void assignValue(qint64 v);
    void PositionThumb();
    void RefreshPartVisibility();
    void InitLayoutFromShape();
    void placeArrows(bool vertical);
    // Resizes the widget to a size given in twips and runs the layout pass
    // unless one is already running (which then works on the new size).
    void setControlSizeTw(double wTw, double hTw);

    enum class PictureRule { KeepSizeWhenNone, ZeroSizeWhenNone };
    void applyPartPicture(Part p, const veltrin::PictureRef& picture, PictureRule rule);
    void applyBackgroundPicture(const veltrin::PictureRef& picture);
    void notify(const char* name);

    // Pointer handlers, coordinates in twips relative to the receiving part.
    void picBG_MouseDown(double x, double y);
    void arrowClick(Part p);
    void picTHUMB_MouseDown(double x, double y);
    void picTHUMB_MouseMove(double x, double y);
    void picTHUMB_MouseUp();
    QPointF pointerInPart(Part p, const QPointF& widgetPos) const;
    void dropCapture();

    Fields m_f;
    PartState m_parts[kPartCount];
    bool m_bgSizeToPicture = true;
    bool m_inLayout = false;
    bool m_selfResizing = false;
    bool m_loading = false;
    bool m_hasCapture = false;
    Part m_capture = Part::Background;
};
