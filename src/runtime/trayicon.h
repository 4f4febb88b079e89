#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QSystemTrayIcon;

namespace veltrin {

// The notification-area icon. Its activations are translated to the mouse
// message numbers of the icon's callback (513 left press, 515 left double
// click, 516 right press) so the callback logic stays a plain table.
// Without a system tray the icon simply does not exist.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    enum Message { LeftDown = 513, LeftDoubleClick = 515, RightDown = 516 };
    enum Action { Add = 0, Modify = 1, Delete = 2 };

    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    // Adds or deletes the icon; the result is not examined by callers.
    void SetTrayIcon(int action, const QIcon& icon, const QString& tip);
    bool isShown() const;

signals:
    void message(int m);

private:
    std::unique_ptr<QSystemTrayIcon> m_icon;
};

} // namespace veltrin
