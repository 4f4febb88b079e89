// QorvXPButton: where the content, add-in, picture and caption go.
#include "controls/button/qorvxpbutton.h"

#include "runtime/units.h"

#include <QFontMetrics>
#include <cmath>

namespace {

int nearest(double v)
{
    return static_cast<int>(veltrin::roundHalfEven(v));
}

int floorInt(double v)
{
    return static_cast<int>(std::floor(v));
}

} // namespace

void QorvXPButton::syncClientSize()
{
    // The size Qt holds may be newer than the last resize event (a widget not
    // shown yet gets its resize event late): record it before using it.
    if (width() == m_W && height() == m_H)
        return;
    m_W = width();
    m_H = height();
    m_layout.contentRect = Rect { 0, 0, m_W - 1, m_H - 1 };
}

QorvXPButton::Rect QorvXPButton::pictureFrameInset(const Rect& area) const
{
    return Rect { area.left + m.PictureFrameMargin_Left, area.top + m.PictureFrameMargin_Top,
        area.right - m.PictureFrameMargin_Right, area.bottom - m.PictureFrameMargin_Bottom };
}

QFont QorvXPButton::captionFont() const
{
    QFont f = font();
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

int QorvXPButton::textFlags(int captionFormat)
{
    int flags = Qt::AlignTop | Qt::TextShowMnemonic;
    flags |= (captionFormat & kWordBreak) ? Qt::TextWordWrap : Qt::TextSingleLine;
    switch (captionFormat & 0x3) {
    case 1: flags |= Qt::AlignHCenter; break;
    case 2: flags |= Qt::AlignRight; break;
    default: flags |= Qt::AlignLeft; break;
    }
    return flags;
}

void QorvXPButton::LayoutButton()
{
    syncClientSize();
    Layout& L = m_layout;
    const Rect& c = L.contentRect;
    const qint32 type = m.Button_Type;

    if (type == ChevronButton) {
        L.pictureArea = {};
        L.addinRect = {};
        m_state.addinTotalWidth = 0;
        // The glyph must be strictly smaller than the content rectangle.
        if (m.PictureAddin_Width >= c.width() || m.PictureAddin_Height >= c.height()) {
            L.layoutValid = false;
            return;
        }
        L.captionArea = c;
        L.layoutValid = true;
        L.pictureAreaShown = false;
        L.captionShown = false;
        return;
    }

    if (type == Separator || type == ToolBarHandle) {
        m_state.addinTotalWidth = 0;
        L.addinRect = {};
        L.pictureArea = c;
        L.innerBox = pictureFrameInset(L.pictureArea);
        const Rect& ib = L.innerBox;
        const int bw = ib.width();
        const int bh = ib.height();
        if (type == Separator) {
            if (bw < 1 || bh < 1) {
                L.layoutValid = false;
            } else {
                const int x = bw / 2 + ib.left;
                L.pictureRect = Rect { x, ib.top, x, ib.bottom };
                L.layoutValid = true;
                L.pictureAreaShown = false;
                L.captionShown = false;
            }
            // A separator never takes input.
            if (isEnabled())
                setButtonEnabled(false);
        } else {
            if (bh < 1 || m.ToolBarHandle_LineSpace >= bh || bw < 1
                || m.ToolBarHandle_Width >= bw) {
                L.layoutValid = false;
            } else {
                L.pictureRect = Rect { floorInt((bw - m.ToolBarHandle_Width) / 2.0) + ib.left,
                    ib.top, floorInt((bw + m.ToolBarHandle_Width) / 2.0) + ib.left, ib.bottom };
                L.layoutValid = true;
                L.pictureAreaShown = false;
                L.captionShown = false;
            }
        }
        return;
    }

    if (type < WindowsXPButton || type > DropDownButton)
        return; // no layout for an unknown look: the rectangles stay

    // 1. Without an add-in picture the add-in is the type's own glyph.
    if (!m.ButtonPicture_Addin) {
        switch (type) {
        case ArrowButton: setAddinSize(8, 15, 4, 16); break;
        case DropDownButton: setAddinSize(6, 3, 4, 14); break;
        default: setAddinSize(0, 0, 0, 0); break;
        }
        notifyAddinSize();
        L.layoutValid = true;
    }
    // 2. The add-in strip at the right edge.
    const int total = m_state.addinTotalWidth;
    if (total != 0) {
        if (m.PictureAddin_Height < c.height() && total < c.width()) {
            L.addinRect = Rect { c.right - total, c.top, c.right, c.bottom };
            SplitAreas();
            L.layoutValid = true;
        } else {
            L.layoutValid = false;
        }
    } else {
        L.addinRect = {};
    }
    // 3.
    if (!L.layoutValid)
        return;
    // 4.-6. Caption only, both, or picture only.
    if (m.ButtonCaptionPercent == 100) {
        L.pictureAreaShown = false;
        L.captionShown = true;
        L.captionArea = Rect { c.left, c.top, c.right - total, c.bottom };
        PlaceCaption();
    } else if (m.ButtonCaptionPercent != 0 && !m.Caption.isEmpty() && m.SwitchShowCaption) {
        L.pictureAreaShown = true;
        L.captionShown = true;
        SplitAreas();
    } else {
        L.pictureAreaShown = true;
        L.captionShown = false;
        L.pictureArea = Rect { c.left, c.top, c.right - total, c.bottom };
        PlacePicture();
    }
}

void QorvXPButton::SplitAreas()
{
    Layout& L = m_layout;
    const int l = L.contentRect.left;
    const int t = L.contentRect.top;
    const int r = L.contentRect.right;
    const int b = L.contentRect.bottom;
    const int r2 = r - L.addinRect.width();
    const double a = double(r - l) - m_state.addinTotalWidth; // available width
    const double v = b - t;
    const double p = m.ButtonCaptionPercent / 100.0;
    switch (m.ButtonCaptionPosition) {
    case CaptionLeft:
        L.pictureArea = Rect { l + nearest(a * p), t, r2, b };
        L.captionArea = Rect { l, t, nearest(l + a * p), b };
        break;
    case CaptionRight:
        L.pictureArea = Rect { l, t, nearest(r2 - a * p), b };
        L.captionArea = Rect { nearest(r2 - a * p), t, r2, b };
        break;
    case CaptionTop:
        L.pictureArea = Rect { l, nearest(t + v * p), r2, b };
        L.captionArea = Rect { l, t, r2, nearest(t + v * p) };
        break;
    case CaptionBottom:
        L.pictureArea = Rect { l, t, r2, nearest(b - v * p) };
        L.captionArea = Rect { l, nearest(b - v * p), r2, b };
        break;
    case CaptionOverPicture:
    case PictureOverCaption:
        L.pictureArea = Rect { l, t, r2, b };
        L.captionArea = Rect { l, t, r2, b };
        break;
    default: break; // no split defined: both areas stay as they were
    }
    PlacePicture();
    PlaceCaption();
}

void QorvXPButton::PlacePicture()
{
    Layout& L = m_layout;
    L.innerBox = pictureFrameInset(L.pictureArea);
    const Rect& ib = L.innerBox;
    const bool active = m_state.hovering || m_state.pressed || m_state.focused;
    const PictureRef& picture = active ? m.ButtonPicture_Over : m.ButtonPicture_Normal;
    int w = 0;
    int h = 0;
    if (picture) {
        w = m.PictureFrame_Width - m.PictureFrameMargin_Left - m.PictureFrameMargin_Right;
        h = m.PictureFrame_Height - m.PictureFrameMargin_Top - m.PictureFrameMargin_Bottom;
    }
    const int cx = floorInt((ib.left + ib.right) / 2.0 - w / 2.0);
    const int cy = floorInt((ib.top + ib.bottom) / 2.0 - h / 2.0);
    switch (m.ButtonPictureLayout) {
    case BottomLeft: L.pictureRect = Rect { ib.left, ib.bottom - h, ib.left + w, ib.bottom }; break;
    case BottomCenter: L.pictureRect = Rect { cx, ib.bottom - h, cx + w, ib.bottom }; break;
    case BottomRight:
        L.pictureRect = Rect { ib.right - w, ib.bottom - h, ib.right, ib.bottom };
        break;
    case MiddleLeft: L.pictureRect = Rect { ib.left, cy, ib.left + w, cy + h }; break;
    case MiddleCenter: L.pictureRect = Rect { cx, cy, cx + w, cy + h }; break;
    case MiddleRight: L.pictureRect = Rect { ib.right - w, cy, ib.right, cy + h }; break;
    case TopLeft: L.pictureRect = Rect { ib.left, ib.top, ib.left + w, ib.top + h }; break;
    case TopCenter: L.pictureRect = Rect { cx, ib.top, cx + w, ib.top + h }; break;
    case TopRight: L.pictureRect = Rect { ib.right - w, ib.top, ib.right, ib.top + h }; break;
    default: break;
    }
}

void QorvXPButton::PlaceCaption()
{
    Layout& L = m_layout;
    const Rect& a = L.captionArea;
    L.captionBox = Rect { a.left + m.CaptionMargin_Left, a.top + m.CaptionMargin_Top,
        a.right - m.CaptionMargin_Right, a.bottom - m.CaptionMargin_Bottom };
    const Rect& box = L.captionBox;
    const qint32 layout = m.ButtonCaptionLayout;
    int alignment = 0;
    if (layout == BottomCenter || layout == MiddleCenter || layout == TopCenter)
        alignment = 1;
    else if (layout == BottomRight || layout == MiddleRight || layout == TopRight)
        alignment = 2;
    L.captionFormat = (m.Caption_MultiLines ? kWordBreak : kSingleLine) + alignment;

    // The height the caption takes when drawn into the box (a calculate-only draw).
    const QFontMetrics metrics(captionFont());
    const QRect measureBox(box.left, box.top, std::max(0, box.width()), std::max(0, box.height()));
    const int th = metrics.boundingRect(measureBox, textFlags(L.captionFormat), m.Caption).height();
    L.textHeight = th;

    const int hb = box.height();
    switch (layout) {
    case BottomLeft:
    case BottomCenter:
    case BottomRight:
        L.captionTextRect = Rect { box.left, box.bottom - th, box.right, box.bottom };
        break;
    case MiddleLeft:
    case MiddleCenter:
    case MiddleRight:
        L.captionTextRect = Rect { box.left, box.top + floorInt(hb / 2.0 - th / 2.0), box.right,
            box.top + floorInt(hb / 2.0 + th / 2.0) };
        break;
    case TopLeft:
    case TopCenter:
    case TopRight: L.captionTextRect = Rect { box.left, box.top, box.right, box.top + th }; break;
    default: break;
    }
}
