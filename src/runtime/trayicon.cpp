#include "runtime/trayicon.h"

#include <QSystemTrayIcon>

namespace veltrin {

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {}

TrayIcon::~TrayIcon() = default;

void TrayIcon::SetTrayIcon(int action, const QIcon& icon, const QString& tip)
{
    if (action == Delete) {
        m_icon.reset();
        return;
    }
    if (action != Add || m_icon || !QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_icon = std::make_unique<QSystemTrayIcon>(icon);
    m_icon->setToolTip(tip);
    connect(m_icon.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                switch (reason) {
                case QSystemTrayIcon::Trigger: emit message(LeftDown); break;
                case QSystemTrayIcon::DoubleClick: emit message(LeftDoubleClick); break;
                case QSystemTrayIcon::Context: emit message(RightDown); break;
                default: break;
                }
            });
    m_icon->show();
}

bool TrayIcon::isShown() const
{
    return m_icon != nullptr;
}

} // namespace veltrin
