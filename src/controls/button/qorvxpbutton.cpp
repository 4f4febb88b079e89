#include "controls/button/qorvxpbutton.h"

#include "runtime/propertybag.h"

#include <QMouseEvent>
#include <QPainter>

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

} // namespace

QorvXPButton::QorvXPButton(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

void QorvXPButton::setCaption(const QString& caption)
{
    m_caption = caption;
    Refresh();
}

void QorvXPButton::setButtonEnabled(bool enabled)
{
    if (enabled == isEnabled())
        return;
    setEnabled(enabled);
    ReDraw(true);
}

void QorvXPButton::Refresh()
{
    ReDraw(true);
}

void QorvXPButton::ReDraw(bool)
{
    if (height() > 0)
        update();
}

void QorvXPButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), m_pressed ? QColor(208, 208, 200) : QColor(244, 244, 240));
    p.setPen(isEnabled() ? QColor(0, 60, 115) : QColor(171, 171, 144));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.drawText(rect(), Qt::AlignCenter, m_caption);
}

void QorvXPButton::mousePressEvent(QMouseEvent* event)
{
    const QPointF pos = event->position();
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        ReDraw(false);
    }
    emit MouseDown(buttonValue(event->button()), shiftValue(event->modifiers()),
                   static_cast<float>(pos.x()), static_cast<float>(pos.y()));
}

void QorvXPButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPointF pos = event->position();
    const bool inside = rect().contains(pos.toPoint());
    if (inside)
        emit Click();
    m_pressed = false;
    ReDraw(true);
    emit MouseUp(1, shiftValue(event->modifiers()), static_cast<float>(pos.x()),
                 static_cast<float>(pos.y()));
}

void QorvXPButton::ReadProperties(const veltrin::PropertyBag& bag)
{
    m_caption = bag.readString(QStringLiteral("Caption"), objectName());
    setEnabled(bag.readBool(QStringLiteral("Enabled"), true));
}

void QorvXPButton::WriteProperties(veltrin::PropertyBag& bag) const
{
    bag.writeString(QStringLiteral("Caption"), m_caption, objectName());
    bag.writeBool(QStringLiteral("Enabled"), isEnabled(), true);
}
