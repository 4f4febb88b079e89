#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>

namespace veltrin {

// The notification-area icon. Its activations are translated to the mouse
// message numbers of the icon's callback (513 left press, 515 left double
// click, 516 right press) so the callback logic stays a plain table.
// Without a system tray the icon simply does not exist.
//
// A left press is told only once the double-click interval has passed
// without a second press: the menu it opens would otherwise take the second
// click, and a double click could never reach the window.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    enum Message { MouseMove = 512, LeftDown = 513, LeftDoubleClick = 515, RightDown = 516 };
    enum Action { Add = 0, Modify = 1, Delete = 2 };

    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    // Adds or deletes the icon; the result is not examined by callers.
    // Adding twice keeps one icon; deleting a missing icon does nothing.
    void SetTrayIcon(int action, const QIcon& icon, const QString& tip);
    bool isShown() const;
    // Whether the user can reach the icon now: it is shown and a tray still
    // exists to show it (the tray can go away while the player runs).
    bool isReachable() const;
    QString toolTip() const;

    // The message number an activation stands for; 0 for those the callback
    // never sees (middle click, unknown).
    static int messageFor(QSystemTrayIcon::ActivationReason reason);

    // Whether a tray exists; replaceable where the platform has none (tests).
    void setAvailabilityCheck(std::function<bool()> available)
    {
        m_available = std::move(available);
    }

signals:
    void message(int m);

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);

    QPointer<QSystemTrayIcon> m_icon; // a child of this object while shown
    QTimer m_pendingLeftDown;
    std::function<bool()> m_available = &QSystemTrayIcon::isSystemTrayAvailable;
};

} // namespace veltrin
