#include "runtime/trayicon.h"

#include <QApplication>

namespace veltrin {

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent)
{
    m_pendingLeftDown.setSingleShot(true);
    connect(&m_pendingLeftDown, &QTimer::timeout, this, [this] { emit message(LeftDown); });
}

TrayIcon::~TrayIcon() = default;

int TrayIcon::messageFor(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger: return LeftDown;
    case QSystemTrayIcon::DoubleClick: return LeftDoubleClick;
    case QSystemTrayIcon::Context: return RightDown;
    default: return 0;
    }
}

void TrayIcon::SetTrayIcon(int action, const QIcon& icon, const QString& tip)
{
    if (action == Delete) {
        m_pendingLeftDown.stop();
        if (m_icon) {
            m_icon->hide();
            delete m_icon.data();
        }
        return;
    }
    if (action != Add || m_icon || !m_available || !m_available())
        return;
    m_icon = new QSystemTrayIcon(icon, this);
    m_icon->setToolTip(tip);
    connect(m_icon.data(), &QSystemTrayIcon::activated, this, &TrayIcon::onActivated);
    m_icon->show();
}

void TrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    const int m = messageFor(reason);
    if (m == LeftDown) {
        m_pendingLeftDown.start(QApplication::doubleClickInterval());
        return;
    }
    if (m == LeftDoubleClick)
        m_pendingLeftDown.stop(); // the press was the first half of this
    if (m)
        emit message(m);
}

bool TrayIcon::isShown() const
{
    return m_icon != nullptr;
}

bool TrayIcon::isReachable() const
{
    return m_icon && m_icon->isVisible() && m_available && m_available();
}

QString TrayIcon::toolTip() const
{
    return m_icon ? m_icon->toolTip() : QString();
}

} // namespace veltrin
