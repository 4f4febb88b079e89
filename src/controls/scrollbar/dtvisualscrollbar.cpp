#include "controls/scrollbar/dtvisualscrollbar.h"

#include "runtime/propertybag.h"

#include <QMouseEvent>
#include <QPainter>

// Minimal stand-in until the skinned implementation lands: keeps the value
// rules and raises Change on assignment.
dtVisualScrollBar::dtVisualScrollBar(QWidget* parent) : QWidget(parent) {}
dtVisualScrollBar::~dtVisualScrollBar() = default;

qint32 dtVisualScrollBar::Value() const { return m_value; }
void dtVisualScrollBar::setValue(qint32 v)
{
    m_value = std::clamp(v, m_min, m_max);
    update();
    emit Change();
}
qint32 dtVisualScrollBar::Min() const { return m_min; }
void dtVisualScrollBar::setMin(qint32 v)
{
    if (v >= m_max || static_cast<qint64>(m_max) - v > 2147483647)
        return;
    m_min = v;
    setValue(m_value);
}
qint32 dtVisualScrollBar::Max() const { return m_max; }
void dtVisualScrollBar::setMax(qint32 v)
{
    if (v <= m_min || static_cast<qint64>(v) - m_min > 2147483647)
        return;
    m_max = v;
    setValue(m_value);
}
qint32 dtVisualScrollBar::SmallChange() const { return m_smallChange; }
void dtVisualScrollBar::setSmallChange(qint32 v) { m_smallChange = (v < 1 || v > 32767) ? 1 : v; }
qint32 dtVisualScrollBar::LargeChange() const { return m_largeChange; }
void dtVisualScrollBar::setLargeChange(qint32 v) { m_largeChange = (v < 1 || v > 32767) ? 1 : v; }

void dtVisualScrollBar::ReadProperties(const veltrin::PropertyBag& bag)
{
    m_max = bag.readLong(QStringLiteral("Max"), 2147483647);
    m_min = bag.readLong(QStringLiteral("Min"), 0);
    m_value = bag.readLong(QStringLiteral("Value"), 0);
    m_largeChange = bag.readLong(QStringLiteral("LargeChange"), 10);
    m_smallChange = bag.readLong(QStringLiteral("SmallChange"), 1);
}

void dtVisualScrollBar::WriteProperties(veltrin::PropertyBag& bag) const
{
    bag.writeLong(QStringLiteral("Min"), m_min, 0);
    bag.writeLong(QStringLiteral("Max"), m_max, 2147483647);
    bag.writeLong(QStringLiteral("Value"), m_value, 0);
}

void dtVisualScrollBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(0xC0, 0xC0, 0xC0));
}
void dtVisualScrollBar::resizeEvent(QResizeEvent*) {}
void dtVisualScrollBar::mousePressEvent(QMouseEvent*) {}
void dtVisualScrollBar::mouseMoveEvent(QMouseEvent*) {}
void dtVisualScrollBar::mouseReleaseEvent(QMouseEvent*) {}
