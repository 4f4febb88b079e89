// QorvXPButton: pointer, hover polling, keyboard, focus and events.
#include "controls/button/qorvxpbutton.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>

using namespace modBas;

namespace {

short buttonValue(Qt::MouseButton b)
{
    switch (b) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

short buttonsValue(Qt::MouseButtons bs)
{
    short v = 0;
    if (bs & Qt::LeftButton)
        v |= 1;
    if (bs & Qt::RightButton)
        v |= 2;
    if (bs & Qt::MiddleButton)
        v |= 4;
    return v;
}

short shiftValue(Qt::KeyboardModifiers m)
{
    short s = 0;
    if (m & Qt::ShiftModifier)
        s |= 1;
    if (m & Qt::ControlModifier)
        s |= 2;
    if (m & Qt::AltModifier)
        s |= 4;
    return s;
}

constexpr short kKeyReturn = 13;
constexpr short kKeySpace = 32;
constexpr short kKeyLeft = 37;
constexpr short kKeyUp = 38;
constexpr short kKeyRight = 39;
constexpr short kKeyDown = 40;

// The key code the hosts know (Windows virtual-key numbers).
short keyCode(const QKeyEvent* e)
{
    const int k = e->key();
    const bool keypad = e->modifiers() & Qt::KeypadModifier;
    if (k >= Qt::Key_A && k <= Qt::Key_Z)
        return static_cast<short>(k);
    if (k >= Qt::Key_0 && k <= Qt::Key_9)
        return static_cast<short>(keypad ? 96 + (k - Qt::Key_0) : k);
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
        return static_cast<short>(112 + (k - Qt::Key_F1));
    switch (k) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return kKeyReturn;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Pause: return 19;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return kKeySpace;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return kKeyLeft;
    case Qt::Key_Up: return kKeyUp;
    case Qt::Key_Right: return kKeyRight;
    case Qt::Key_Down: return kKeyDown;
    case Qt::Key_Print: return 44;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Meta: return 91;
    case Qt::Key_Menu: return 93;
    case Qt::Key_NumLock: return 144;
    case Qt::Key_ScrollLock: return 145;
    case Qt::Key_Asterisk: return keypad ? 106 : 56;
    case Qt::Key_Plus: return keypad ? 107 : 187;
    case Qt::Key_Minus: return keypad ? 109 : 189;
    case Qt::Key_Period: return keypad ? 110 : 190;
    case Qt::Key_Slash: return keypad ? 111 : 191;
    // Shifted symbols report the key they are on (US layout).
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_ParenRight: return '0';
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return 186;
    case Qt::Key_Equal: return 187;
    case Qt::Key_Comma:
    case Qt::Key_Less: return 188;
    case Qt::Key_Underscore: return 189;
    case Qt::Key_Greater: return 190;
    case Qt::Key_Question: return 191;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return 192;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return 219;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return 220;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return 221;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return 222;
    default: return 0;
    }
}

} // namespace

void QorvXPButton::relayoutIfNoNormalPicture()
{
    // The picture placed depends on the state only while no normal picture is set.
    if (!m.ButtonPicture_Normal)
        LayoutButton();
}

void QorvXPButton::clickRoutine()
{
    // The host's handler runs while the button is still drawn in its pressed look.
    const QPointer<QorvXPButton> alive(this);
    emit Click();
    if (!alive)
        return;
    m_state.pressed = false;
    m_state.hovering = true;
    m_state.focused = true;
    ReDraw(true);
}

// ---- pointer ------------------------------------------------------------------

void QorvXPButton::mousePressEvent(QMouseEvent* event)
{
    const QPointF pos = event->position();
    if (event->button() == Qt::LeftButton) {
        m_clickArmed = true;
        m_state.pressed = true;
        m_state.hovering = true;
        // A press without a move before it (a window shown under the pointer)
        // still needs the poll to notice the pointer leaving.
        if (!m_hoverTimer->isActive())
            m_hoverTimer->start();
        ReDraw(false);
    }
    emit MouseDown(buttonValue(event->button()), shiftValue(event->modifiers()), float(pos.x()),
        float(pos.y()));
}

void QorvXPButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        mousePressEvent(event);
        return;
    }
    // The second press of a double-click: pressed look, no event, and its
    // release does not click again.
    m_clickArmed = false;
    m_state.pressed = true;
    ReDraw(true);
}

void QorvXPButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return; // other buttons raise nothing on release
    const QPointF pos = event->position();
    const bool armed = std::exchange(m_clickArmed, false);
    const QPointer<QorvXPButton> alive(this);
    if (m.Button_Type == DropDownButton && pos.x() > m_layout.pictureArea.right)
        emit DropDownClick();
    else
        emit MouseUp(1, shiftValue(event->modifiers()), float(pos.x()), float(pos.y()));
    if (!alive)
        return;
    // The host's click: pressed and released on the button.
    if (armed && pos.x() >= 0 && pos.y() >= 0 && pos.x() < width() && pos.y() < height())
        clickRoutine();
}

void QorvXPButton::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF pos = event->position();
    const float x = float(pos.x());
    const float y = float(pos.y());
    // Only the first move inside counts; moves while hovering, or outside
    // while the mouse is captured, do nothing.
    if (!IsPointInBox(x, y, float(m_W), float(m_H)) || m_state.hovering)
        return;
    m_hoverTimer->start();
    m_state.hovering = true;
    m_state.pressed = false;
    const qint32 type = m.Button_Type;
    if (type == WindowsXPButton) {
        relayoutIfNoNormalPicture();
        ReDraw(false);
    } else if (type >= FlatButton && type <= DropDownButton) {
        relayoutIfNoNormalPicture();
        if (!m_state.focused)
            ReDraw(false);
    }
    if (m_soundPlayer)
        m_soundPlayer(m.ButtonSound_Over);
    else
        PlayResourceSound(m.ButtonSound_Over);
    emit MouseMove(buttonsValue(event->buttons()), shiftValue(event->modifiers()), x, y);
}

bool QorvXPButton::isHoverPolling() const
{
    return m_hoverTimer->isActive();
}

void QorvXPButton::pollHover()
{
    // One cursor query and one conversion per tick; no capture, no leave events.
    const QPoint local = mapFromGlobal(QCursor::pos());
    const bool outside
        = local.x() < 0 || local.y() < 0 || local.x() > m_W || local.y() > m_H || !isVisible();
    if (!outside)
        return;
    m_state.hovering = false;
    const qint32 type = m.Button_Type;
    if (type == WindowsXPButton) {
        // An XP button left while held pops up.
        const bool wasPressed = std::exchange(m_state.pressed, false);
        relayoutIfNoNormalPicture();
        ReDraw(wasPressed);
    } else if (type >= FlatButton && type <= DropDownButton) {
        // The other looks keep their pressed look until the pointer returns.
        if (!m_state.focused) {
            relayoutIfNoNormalPicture();
            ReDraw(false);
        }
    }
    m_hoverTimer->stop();
    if (isEnabled()) // a disabled button raises nothing
        emit MouseOut();
}

// ---- keyboard -----------------------------------------------------------------

void QorvXPButton::keyPressEvent(QKeyEvent* event)
{
    const short code = keyCode(event);
    const short shift = shiftValue(event->modifiers());
    const QPointer<QorvXPButton> alive(this);
    bool handled = false;

    m_state.lastKeyCode = code;
    switch (code) {
    case kKeySpace:
        m_state.hovering = true;
        if (!m_state.pressed) {
            m_state.pressed = true;
            ReDraw(true);
        }
        handled = true;
        break;
    case kKeyRight:
    case kKeyDown:
        focusNextPrevChild(true); // the next control in the tab order
        ReDraw(false);
        handled = true;
        break;
    case kKeyLeft:
    case kKeyUp:
        focusNextPrevChild(false);
        ReDraw(false);
        handled = true;
        break;
    default: break;
    }
    emit KeyDown(code, shift);
    if (!alive)
        return;

    // The characters the key typed: Enter (13) clicks and raises no KeyPress.
    QString text = event->text();
    if (code == kKeyReturn && text.isEmpty())
        text = QStringLiteral("\r");
    if (event->key() == Qt::Key_Delete)
        text.clear(); // no character for it
    for (const QChar c : text) {
        if (c == u'\r') {
            clickRoutine();
            handled = true;
            if (!alive)
                return;
            continue;
        }
        if (!m_accessKeys.isEmpty() && m_accessKeys.contains(c.toUpper())) {
            clickRoutine();
            handled = true;
            if (!alive)
                return;
        }
        short ascii = static_cast<short>(c.unicode());
        emit KeyPress(ascii);
        if (!alive)
            return;
    }
    // Keys the button does nothing with go on to the window.
    event->setAccepted(handled);
}

void QorvXPButton::keyReleaseEvent(QKeyEvent* event)
{
    if (event->isAutoRepeat()) {
        event->ignore(); // a held key releases once, at the end
        return;
    }
    const short code = keyCode(event);
    const QPointer<QorvXPButton> alive(this);
    if (m_state.lastKeyCode == kKeySpace && code == kKeySpace)
        clickRoutine();
    if (!alive)
        return;
    emit KeyUp(code, shiftValue(event->modifiers()));
    if (alive)
        event->setAccepted(code == kKeySpace);
}

// ---- focus --------------------------------------------------------------------

void QorvXPButton::focusInEvent(QFocusEvent*)
{
    m_state.focused = true;
    relayoutIfNoNormalPicture();
    ReDraw(false);
}

void QorvXPButton::focusOutEvent(QFocusEvent* event)
{
    // Another window becoming active, or a menu opening, leaves the button
    // the focus within its own window.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    m_state.focused = false;
    m_state.hovering = false;
    m_state.pressed = false;
    ReDraw(false);
}
