#include "runtime/trayicon.h"

namespace veltrin {

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent)
{
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
        if (m_icon)
            m_icon->hide();
        m_icon.reset();
        return;
    }
    if (action != Add || m_icon || !m_available || !m_available())
        return;
    m_icon = std::make_unique<QSystemTrayIcon>(icon);
    m_icon->setToolTip(tip);
    connect(m_icon.get(), &QSystemTrayIcon::activated, this,
        [this](QSystemTrayIcon::ActivationReason reason) {
            if (const int m = messageFor(reason))
                emit message(m);
        });
    m_icon->show();
}

bool TrayIcon::isShown() const
{
    return m_icon != nullptr;
}

QString TrayIcon::toolTip() const
{
    return m_icon ? m_icon->toolTip() : QString();
}

} // namespace veltrin
