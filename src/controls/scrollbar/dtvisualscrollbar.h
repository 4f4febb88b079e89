#pragma once

#include "runtime/picture.h"

#include <QWidget>

namespace veltrin {
class PropertyBag;
}

// The picture-skinned slider: a background track, a thumb and an arrow pair per
// orientation. Holds a whole-number Value between Min and Max; raises Change on
// every assignment of Value and at the end of a drag, Scroll at each drag step.
class dtVisualScrollBar : public QWidget {
    Q_OBJECT
public:
    explicit dtVisualScrollBar(QWidget* parent = nullptr);
    ~dtVisualScrollBar() override;

    qint32 Value() const;
    void setValue(qint32 v);
    qint32 Min() const;
    void setMin(qint32 v);
    qint32 Max() const;
    void setMax(qint32 v);
    qint32 SmallChange() const;
    void setSmallChange(qint32 v);
    qint32 LargeChange() const;
    void setLargeChange(qint32 v);

    // Design-time properties from a form file, in the documented order; a
    // loaded control skips the first-layout shaping of a new one.
    void ReadProperties(const veltrin::PropertyBag& bag);
    void WriteProperties(veltrin::PropertyBag& bag) const;

signals:
    void Change();
    void Scroll();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    qint32 m_value = 0;
    qint32 m_min = 0;
    qint32 m_max = 32767;
    qint32 m_smallChange = 1;
    qint32 m_largeChange = 10;
};
