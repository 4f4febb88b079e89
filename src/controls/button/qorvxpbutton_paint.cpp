// QorvXPButton: the window shape and the pixels of every look.
//
// The face is painted into an image the size of the button; the widget shows
// that image. A repaint without Force therefore keeps every pixel it does not
// touch, as drawing straight onto the window would.
#include "controls/button/qorvxpbutton.h"

#include "runtime/units.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <cmath>

using namespace modBas;

namespace {

constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kXPFrame = rgb(0, 60, 115);

int nearest(double v)
{
    return static_cast<int>(veltrin::roundHalfEven(v));
}

int floorHalf(int v)
{
    return static_cast<int>(std::floor(v / 2.0));
}

// The corner of an ew x eh ellipse: how far row i (counted from the edge) is
// inset. A pixel belongs to the ellipse when its centre lies inside it.
int cornerInset(int i, int ew, int eh)
{
    const double a = ew / 2.0;
    const double b = eh / 2.0;
    if (i >= b)
        return 0;
    const double dy = (i + 0.5) - b;
    const double t = 1.0 - dy * dy / (b * b);
    if (t <= 0)
        return static_cast<int>(a);
    const double dx = a * std::sqrt(t);
    return std::max(0, static_cast<int>(std::ceil(a - dx - 0.5)));
}

// The quarter-circle pixels of an 8 x 8 corner box, from the top-left corner.
constexpr QPoint kArc[] = { { 3, 0 }, { 2, 0 }, { 1, 1 }, { 0, 2 }, { 0, 3 } };

// The chevron: two two-pixel-thick right chevrons side by side.
constexpr QPoint kChevron[] = { { 0, 0 }, { 1, 0 }, { 1, 1 }, { 2, 1 }, { 2, 2 }, { 3, 2 },
    { 1, 3 }, { 2, 3 }, { 0, 4 }, { 1, 4 }, { 4, 0 }, { 5, 0 }, { 5, 1 }, { 6, 1 }, { 6, 2 },
    { 7, 2 }, { 5, 3 }, { 6, 3 }, { 4, 4 }, { 5, 4 } };

void drawText(QPainter& p, const QorvXPButton::Rect& r, int captionFormat, const QString& text,
    const QFont& font, Colour k)
{
    p.setFont(font);
    p.setPen(toQColor(k));
    p.drawText(r.toQRect(), QorvXPButton::textFlags(captionFormat), text);
}

} // namespace

// ---- the repaint -------------------------------------------------------------

void QorvXPButton::ReDraw(bool Force)
{
    syncClientSize();
    if (m_H <= 0 || m_W <= 0)
        return;
    if (m_face.size() != QSize(m_W, m_H)) {
        // A new surface has no earlier pixels a partial repaint could keep.
        m_face = QImage(m_W, m_H, QImage::Format_RGB32);
        m_face.fill(Qt::white);
        Force = true;
    }
    QPainter p(&m_face);
    p.setRenderHint(QPainter::Antialiasing, false);
    PaintFace(p, Force);
    ApplyWindowRegion();
    if (m.ButtonCaptionPosition == CaptionOverPicture) {
        PaintPictures(p, Force);
        PaintCaption(p);
    } else {
        PaintCaption(p);
        PaintPictures(p, Force);
    }
    p.end();
    update();
}

QorvXPButton::Colour QorvXPButton::xpShade(Colour k, int y, int height)
{
    const float s = 25.0f / static_cast<float>(height);
    return ShiftColor(k, static_cast<qint32>(std::nearbyint(-(s * static_cast<float>(y)))));
}

QRegion QorvXPButton::xpWindowRegion(int width, int height)
{
    // A rounded region (0, -1, W + 1, H + 1) with 8 x 8 corners that, like
    // every region, leaves out one more column and row than its rectangle says: it spans
    // columns 0..W-1 and rows -1..H-1; rows above the window are cut away.
    const int top = -1;
    const int bottom = height; // exclusive
    QRegion region;
    for (int y = std::max(top, 0); y < bottom; ++y) {
        const int fromEdge = std::min(y - top, bottom - 1 - y);
        const int inset = cornerInset(fromEdge, 8, 8);
        if (width - 2 * inset > 0)
            region += QRect(inset, y, width - 2 * inset, 1);
    }
    return region.intersected(QRect(0, 0, width + 1, height + 1));
}

void QorvXPButton::ApplyWindowRegion()
{
    if (m.Button_Type != WindowsXPButton) {
        if (m_maskSet) {
            clearMask(); // the plain rectangle
            m_maskSet = false;
        }
        return;
    }
    if (m_maskSet && m_maskSize == QSize(m_W, m_H))
        return; // the shape of this size is in place
    setMask(xpWindowRegion(m_W, m_H));
    m_maskSize = QSize(m_W, m_H);
    m_maskSet = true;
}

// ---- faces ---------------------------------------------------------------------

void QorvXPButton::PaintFace(QPainter& p, bool force)
{
    const int W = m_W;
    const int H = m_H;
    switch (m.Button_Type) {
    case WindowsXPButton: PaintXPFace(p, force); break;
    case FlatButton:
    case ArrowButton:
    case ChevronButton: PaintFlatFace(p); break;
    case DropDownButton:
        PaintBox(p, 0, 0, W, H, kButtonFace, false);
        if (m_state.pressed) {
            DrawInnerEdge(p, 0, 0, W, H, true);
            if (m_layout.captionShown)
                drawText(p, m_layout.captionTextRect, m_layout.captionFormat, m.Caption,
                    captionFont(), m.CaptionClickColor);
        } else if (m_state.hovering || m_state.focused) {
            DrawInnerEdge(p, 0, 0, W, H, false);
        }
        if (!m.ButtonPicture_Addin)
            PaintArrowGlyph(p, 0);
        break;
    case Separator:
    case ToolBarHandle: {
        PaintBox(p, 0, 0, W, H,
            m.SwitchPictureFrameBackSmoothColor ? m.PictureAreaBackSmoothColor
                                                : m.PictureAreaBackColor,
            false);
        const Rect& r = m_layout.pictureRect;
        if (m.Button_Type == Separator) {
            DrawLine(p, r.left, r.top, r.left, r.bottom, m.ToolBarForeColor);
        } else if (m.ToolBarHandle_LineSpace >= 1) {
            // Grip lines on the rows divisible by the spacing, counted in the control.
            for (int y = r.top; y <= r.bottom; ++y) {
                if (y % m.ToolBarHandle_LineSpace == 0)
                    DrawLine(p, r.left, y, r.right, y, m.ToolBarForeColor);
            }
        }
        break;
    }
    default: break;
    }
}

void QorvXPButton::PaintXPFace(QPainter& p, bool force)
{
    const int W = m_W;
    const int H = m_H;
    auto shade = [H](Colour k, int y) { return xpShade(k, y, H); };
    auto row = [&](int y, Colour k) { DrawLine(p, 0, y, W, y, k); };
    // How far the partial repaint reaches into the left: the picture area
    // too, unless the over picture is the normal one.
    const int pictureRight = m_layout.pictureArea.right;
    const int S = (pictureRight == 0 || m_state.overPictureIsNormal) ? 3 : pictureRight;

    if (m_state.pressed) {
        const Colour P = ShiftColor(ShiftColor(0xC0C0C0, 48), -32);
        for (int y = 0; y <= H; ++y)
            row(y, shade(P, y));
        DrawLine(p, 1, 1, W - 2, 1, ShiftColor(P, -32));
        DrawLine(p, 1, 2, W - 2, 2, ShiftColor(P, -24));
        DrawLine(p, 1, 2, 1, H - 2, ShiftColor(P, -32));
        DrawLine(p, 2, 3, 2, H - 3, ShiftColor(P, -22));
        DrawLine(p, W - 2, 2, W - 2, H - 2, ShiftColor(P, 5));
        DrawLine(p, W - 3, 3, W - 3, H - 3, ShiftColor(0xC0C0C0, 48));
        DrawLine(p, 1, H - 2, W - 2, H - 2, ShiftColor(P, 16));
        DrawLine(p, 1, H - 3, W - 2, H - 3, ShiftColor(P, 10));
        PaintXPBorder(p, kXPFrame);
        return;
    }
    if (m_state.hovering) {
        if (force) {
            for (int y = 1; y <= H - 1; ++y)
                row(y, shade(kWhite, y));
        } else if (!m_state.focused) {
            for (int y = 3; y <= H - 4; ++y)
                DrawLine(p, 1, y, S, y, shade(kWhite, y));
        }
        DrawLine(p, 1, 1, W - 2, 1, rgb(255, 243, 206));
        DrawLine(p, 1, 2, W - 2, 2, rgb(255, 219, 140));
        DrawLine(p, 1, 2, 1, H - 2, rgb(255, 178, 49));
        DrawLine(p, 2, 4, 2, H - 3, rgb(255, 203, 107));
        DrawLine(p, W - 2, 1, W - 2, H - 1, rgb(255, 178, 49));
        DrawLine(p, W - 3, 4, W - 3, H - 3, rgb(255, 203, 107));
        DrawLine(p, 1, H - 3, W - 2, H - 3, rgb(255, 178, 49));
        DrawLine(p, 1, H - 2, W - 2, H - 2, rgb(231, 150, 0));
        PaintXPBorder(p, kXPFrame);
        return;
    }
    if (drawsEnabled()) {
        if (force) {
            for (int y = 1; y <= H - 1; ++y)
                row(y, shade(kWhite, y));
        } else if (!m_state.focused) {
            // Only the edge strips that the other looks paint over.
            row(1, shade(kWhite, 1));
            row(2, shade(kWhite, 2));
            for (int y = 3; y <= H - 4; ++y) {
                DrawLine(p, 1, y, S, y, shade(kWhite, y));
                DrawLine(p, W - 3, y, W, y, shade(kWhite, y));
            }
            row(H - 3, shade(kWhite, H - 3));
            row(H - 2, shade(kWhite, H - 2));
        }
        if (m_state.focused) {
            DrawLine(p, 1, 1, W - 2, 1, rgb(206, 231, 255));
            DrawLine(p, 1, 2, W - 2, 2, rgb(189, 215, 247));
            DrawLine(p, 1, 2, 1, H - 2, rgb(140, 174, 231));
            DrawLine(p, 2, 3, 2, H - 3, rgb(181, 209, 240));
            DrawLine(p, W - 2, 2, W - 2, H - 2, rgb(140, 174, 231));
            DrawLine(p, W - 3, 3, W - 3, H - 3, rgb(181, 209, 240));
            DrawLine(p, 1, H - 3, W - 2, H - 3, rgb(181, 209, 240));
            DrawLine(p, 1, H - 2, W - 2, H - 2, rgb(107, 130, 239));
        }
        PaintXPBorder(p, kXPFrame);
        return;
    }
    const Colour D = ShiftColor(kWhite, -24);
    for (int y = 0; y <= H; ++y)
        row(y, shade(D, y));
    PaintXPBorder(p, ShiftColor(kWhite, -84));
}

void QorvXPButton::PaintXPBorder(QPainter& p, Colour k)
{
    const int W = m_W;
    const int H = m_H;
    PaintBox(p, 0, 0, W, H, k, true);
    // The four corner arcs on their 8 x 8 boxes.
    const QColor c = toQColor(k);
    for (const QPoint& d : kArc) {
        p.fillRect(QRect(d.x(), d.y(), 1, 1), c);
        p.fillRect(QRect(W - 1 - d.x(), d.y(), 1, 1), c);
        p.fillRect(QRect(d.x(), H - 1 - d.y(), 1, 1), c);
        p.fillRect(QRect(W - 1 - d.x(), H - 1 - d.y(), 1, 1), c);
    }
}

void QorvXPButton::PaintFlatFace(QPainter& p)
{
    const int W = m_W;
    const int H = m_H;
    const int X = m_layout.pictureArea.right;
    auto fill = [&](Colour picturePart, Colour captionPart) {
        if (m_layout.pictureAreaShown)
            PaintBox(p, 0, 0, X, H, picturePart, false);
        if (X < W - 1)
            PaintBox(p, X, 0, W - X, H, captionPart, false);
    };
    auto frameAndFocus = [&] {
        PaintBox(p, 0, 0, W, H, m.Frame_Color, true);
        if (m.SwitchFocusRect) {
            const int d = m.FocusRectDis;
            DrawFocusRect(p, d, d, W - d, H - d);
        }
    };
    if (m_state.pressed && m.Button_Type == FlatButton) {
        fill(m.PictureAreaBackColor_Click, m.CaptionBackColor_Click);
        frameAndFocus();
    } else if (!m_state.hovering && !m_state.focused) {
        fill(m.SwitchPictureFrameBackSmoothColor ? m.PictureAreaBackSmoothColor
                                                 : m.PictureAreaBackColor,
            m.SwitchCaptionSmoothColor ? m.CaptionBackSmoothColor : m.CaptionBackgroundColor);
    } else {
        fill(m.PictureFrameBackColor_Over, m.CaptionBackColor_Over);
        frameAndFocus();
    }
    if (m.Button_Type == ArrowButton && !m.ButtonPicture_Addin)
        PaintArrowGlyph(p, 0);
    else if (m.Button_Type == ChevronButton)
        PaintChevronGlyph(p, 0);
}

void QorvXPButton::PaintArrowGlyph(QPainter& p, Colour k)
{
    const Rect& a = m_layout.addinRect;
    const int w = m.PictureAddin_Width;
    const int h = m.PictureAddin_Height;
    const int hw = nearest(w / 2.0);
    const int x0 = floorHalf(a.right - a.left) + a.left - hw;
    if (m.Button_Type == ArrowButton) {
        const int hh = nearest(h / 2.0);
        const int cy = floorHalf(a.bottom - a.top) + a.top;
        FillPolygon(p, { QPoint(x0, cy - hh), QPoint(x0 + 2 * hw, cy), QPoint(x0, cy + hh) }, k);
    } else {
        const int y0 = static_cast<int>(std::floor(((a.bottom - a.top) - h) / 2.0)) + a.top;
        FillPolygon(p, { QPoint(x0, y0), QPoint(x0 + 2 * hw, y0), QPoint(x0 + hw, y0 + h) }, k);
    }
}

void QorvXPButton::PaintChevronGlyph(QPainter& p, Colour k)
{
    const Rect& c = m_layout.captionArea;
    const int w = m.PictureAddin_Width;
    const int h = m.PictureAddin_Height;
    const int hw = nearest(w / 2.0);
    const int x = floorHalf(c.right - c.left) + c.left - hw;
    const int y = static_cast<int>(std::floor(((c.bottom - c.top) - h) / 2.0)) + c.top;
    const QColor colour = toQColor(k);
    for (const QPoint& d : kChevron)
        p.fillRect(QRect(x + d.x(), y + d.y(), 1, 1), colour);
    FillPolygon(
        p, { QPoint(x + 1, y + h - 3), QPoint(x + w - 1, y + h - 3), QPoint(x + hw, y + h) }, k);
}

// ---- caption and pictures ------------------------------------------------------

void QorvXPButton::PaintCaption(QPainter& p)
{
    const qint32 type = m.Button_Type;
    if (type < WindowsXPButton || type > DropDownButton || !m_layout.captionShown)
        return;
    const bool enabledLook = drawsEnabled();
    Colour k;
    if (m_state.pressed)
        k = m.CaptionClickColor;
    else if (type == WindowsXPButton ? m_state.hovering : (m_state.hovering || m_state.focused))
        k = (type == WindowsXPButton || enabledLook) ? m.SwitchCaptionOverColor : m.ShadowColor;
    else
        k = enabledLook ? m.CaptionNormalColor : m.ShadowColor;
    drawText(p, m_layout.captionTextRect, m_layout.captionFormat, m.Caption, captionFont(), k);
}

void QorvXPButton::PaintPictureFrame(QPainter& p, int x, int y, const PictureRef& picture)
{
    const int fx = x - m.PictureFrameMargin_Left;
    const int fy = y - m.PictureFrameMargin_Top;
    if (m.SwitchPictureFrameBackColor)
        PaintBox(
            p, fx, fy, m.PictureFrame_Width, m.PictureFrame_Height, m.PictureFrameBackColor, false);
    if (m.SwitchPictureForeColor)
        PaintBox(p, x, y, picture->width(), picture->height(), m.PictureForeColor, false);
    if (m.PictureFrameEffect == SunkenFrame)
        DrawInnerEdge(p, fx, fy, m.PictureFrame_Width, m.PictureFrame_Height, true);
    else if (m.PictureFrameEffect == RaisedFrame)
        DrawInnerEdge(p, fx, fy, m.PictureFrame_Width, m.PictureFrame_Height, false);
}

void QorvXPButton::PaintPictures(QPainter& p, bool force)
{
    const qint32 type = m.Button_Type;
    if (type < WindowsXPButton || type > DropDownButton)
        return;
    const int x = m_layout.pictureRect.left;
    const int y = m_layout.pictureRect.top;
    const int imageW
        = m.PictureFrame_Width - m.PictureFrameMargin_Left - m.PictureFrameMargin_Right;
    const int imageH
        = m.PictureFrame_Height - m.PictureFrameMargin_Top - m.PictureFrameMargin_Bottom;
    enum { Plain = 0, Grey = 1, Embossed = 2 };

    // The main picture at (px, py): its frame first when asked, then the image.
    auto main
        = [&](const PictureRef& picture, int px, int py, int effect, bool greyMode, bool frame) {
              if (!picture || !m_layout.pictureAreaShown)
                  return;
              if (frame)
                  PaintPictureFrame(p, px, py, picture);
              DrawPictureEffect(p, px, py, imageW, imageH, picture, picture->width(),
                  picture->height(), effect, greyMode);
          };
    auto addin = [&](int effect) {
        const PictureRef& picture = m.ButtonPicture_Addin;
        if (!picture)
            return;
        const Rect& c = m_layout.contentRect;
        const int ax = c.right - m.PictureAddin_Width - m.PictureAddin_Margin;
        const int ay = nearest((c.top + c.bottom) / 2.0 - m.PictureAddin_Height / 2.0);
        DrawPictureEffect(p, ax, ay, m.PictureAddin_Width, m.PictureAddin_Height, picture,
            picture->width(), picture->height(), effect, true);
    };
    // The over picture is skipped on partial repaints when it is the normal one.
    const bool redrawPicture = force || !m_state.overPictureIsNormal;

    if (m_state.pressed) {
        main(m.ButtonPicture_Over, x + 1, y + 1, Plain, true, true);
        addin(Plain);
    } else if (m_state.hovering || m_state.focused) {
        if (type == WindowsXPButton) {
            if (redrawPicture)
                main(m.ButtonPicture_Over, x, y, Plain, true, true);
        } else if (type == DropDownButton) {
            main(m.ButtonPicture_Over, x, y, Plain, true, true);
        } else if (m.ButtonPicture_Over && m_layout.pictureAreaShown) {
            // A drop shadow: the mid-grey silhouette below right, the picture above left.
            PaintPictureFrame(p, x, y, m.ButtonPicture_Over);
            main(m.ButtonPicture_Over, x + m.ShadowLength, y + m.ShadowLength, Grey, false, false);
            main(m.ButtonPicture_Over, x - 1, y - 1, Plain, true, false);
        }
        addin(Plain);
    } else if (drawsEnabled()) {
        if (type == WindowsXPButton) {
            if (redrawPicture)
                main(m.ButtonPicture_Normal, x, y, Plain, true, true);
            addin(Plain);
        } else if (type == DropDownButton) {
            main(m.ButtonPicture_Normal, x, y, Grey, true, false);
            addin(Grey);
        } else {
            main(m.ButtonPicture_Normal, x, y, Plain, true, true);
            addin(Plain);
        }
    } else if (type == DropDownButton) {
        main(m.ButtonPicture_Normal, x, y, Embossed, true, true);
        addin(Embossed);
    } else {
        main(m.ButtonPicture_Normal, x, y, Grey, true, true);
        addin(Grey);
    }
}

// ---- Qt painting and size ------------------------------------------------------------

void QorvXPButton::paintEvent(QPaintEvent* event)
{
    if (m_face.size() != size()) {
        // A paint request for a size not yet laid out: lay out and repaint
        // everything first.
        Refresh();
    }
    QPainter p(this);
    p.drawImage(event->rect(), m_face, event->rect());
}

void QorvXPButton::resizeEvent(QResizeEvent*)
{
    syncClientSize();
    Refresh();
}

bool QorvXPButton::event(QEvent* event)
{
    // Qt sends a tool tip change to event() only, not to changeEvent().
    if (event->type() == QEvent::ToolTipChange)
        updateAccessibleName();
    return QWidget::event(event);
}

void QorvXPButton::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::EnabledChange: ReDraw(true); break;
    case QEvent::FontChange:
        Refresh(); // the caption is measured in the font
        break;
    case QEvent::PaletteChange:
    case QEvent::ApplicationPaletteChange:
        ReDraw(true); // system colours come from the palette
        break;
    default: break;
    }
    QWidget::changeEvent(event);
}
