#pragma once
// Shared by the QorvXPButton tests: a button with recorded notifications,
// messages, sounds and events.

#include "controls/button/qorvxpbutton.h"
#include "runtime/propertybag.h"

#include <QImage>
#include <QStringList>
#include <memory>
#include <ostream>

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace buttontest {

// A picture made in code: an opaque bitmap, or an icon (with transparency).
inline veltrin::PictureRef bitmap(int w, int h, QColor colour = QColor(20, 40, 60))
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return veltrin::Picture::fromImage(image);
}

inline veltrin::PictureRef icon(int w, int h, QColor colour = QColor(20, 40, 60))
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x)
            image.setPixel(x, y, colour.rgba());
    return veltrin::Picture::fromImage(image);
}

inline veltrin::PropertyBag bag(std::initializer_list<std::pair<const char*, const char*>> items)
{
    veltrin::PropertyBag b;
    for (const auto& [k, v] : items)
        b.set(QString::fromLatin1(k), QString::fromUtf8(v));
    return b;
}

struct Harness {
    explicit Harness(int w = 75, int h = 23, const char* name = "QorvXPButton1")
    {
        button = std::make_unique<QorvXPButton>();
        button->setObjectName(QString::fromLatin1(name));
        button->InitProperties();
        button->resize(w, h);
        QObject::connect(button.get(), &QorvXPButton::propertyChanged,
            [this](const QString& n) { notified << n; });
        button->setMessageSink([this](const QString& text, bool info) {
            messages << text;
            messageIcons << info;
        });
        button->setSoundPlayer([this](const QString& name) { sounds << name; });
        button->Refresh();
        notified.clear();
    }
    QorvXPButton* operator->() const { return button.get(); }
    QorvXPButton& operator*() const { return *button; }

    std::unique_ptr<QorvXPButton> button;
    QStringList notified;
    QStringList messages;
    QList<bool> messageIcons;
    QStringList sounds;
};

} // namespace buttontest
