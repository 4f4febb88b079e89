#pragma once

#include <QString>
#include <QWidget>

namespace veltrin {
class PropertyBag;
}

// The skinned push button used for every button of the program. This is its
// host interface: caption, enabled state, a free Tag text and the twelve
// events in their declared order. The painted looks build on it.
class QorvXPButton : public QWidget {
    Q_OBJECT
public:
    explicit QorvXPButton(QWidget* parent = nullptr);

    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);

    bool Enabled() const { return isEnabled(); }
    void setButtonEnabled(bool enabled);

    // Free text slot of the container (the player keeps its full-screen flag here).
    QString Tag;

    void Refresh();
    void ReDraw(bool Force);

    // Design-time properties from the window's form file.
    void ReadProperties(const veltrin::PropertyBag& bag);
    void WriteProperties(veltrin::PropertyBag& bag) const;

signals:
    // Declared order matters: hosts bind handlers by it.
    void Click();
    void KeyDown(short KeyCode, short Shift);
    void KeyPress(short& KeyAscii);
    void KeyUp(short KeyCode, short Shift);
    void MouseOut();
    void MouseDown(short Button, short Shift, float X, float Y);
    void MouseMove(short Button, short Shift, float X, float Y);
    void MouseUp(short Button, short Shift, float X, float Y);
    void Resize();
    void MouseHold();
    void MouseExit();
    void DropDownClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString m_caption;
    bool m_pressed = false;
};
