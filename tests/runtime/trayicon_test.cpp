// The tray icon's activations as the callback sees them.
#include "runtime/trayicon.h"
#include "support/wait.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using veltrin::TrayIcon;

namespace {

TEST(TrayIcon, aDoubleClickIsNotTakenForAPressFirst)
{
    TrayIcon tray;
    tray.setAvailabilityCheck([] { return true; });
    tray.SetTrayIcon(TrayIcon::Add, QIcon(QStringLiteral(":/icons/veltrin.png")),
        QStringLiteral("Zelto Veltrin Player"));
    auto* icon = tray.findChild<QSystemTrayIcon*>();
    ASSERT_NE(icon, nullptr);
    QSignalSpy messages(&tray, &TrayIcon::message);
    const auto seen = [&] {
        QList<int> out;
        for (const auto& args : messages)
            out << args.at(0).toInt();
        return out;
    };

    // As the platform reports a double click: a press, then the double click.
    emit icon->activated(QSystemTrayIcon::Trigger);
    emit icon->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(seen(), QList<int> { TrayIcon::LeftDoubleClick });
    // The press it began must not open the menu later either.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    EXPECT_EQ(seen(), QList<int> { TrayIcon::LeftDoubleClick });

    messages.clear();
    emit icon->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(seen().isEmpty());
    ASSERT_TRUE(veltrin::test::waitFor([&] { return !messages.isEmpty(); }));
    EXPECT_EQ(seen(), QList<int> { TrayIcon::LeftDown });

    messages.clear();
    emit icon->activated(QSystemTrayIcon::Context);
    EXPECT_EQ(seen(), QList<int> { TrayIcon::RightDown });

    // A press pending when the icon goes is dropped with it.
    messages.clear();
    emit icon->activated(QSystemTrayIcon::Trigger);
    tray.SetTrayIcon(TrayIcon::Delete, QIcon(), QString());
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    EXPECT_TRUE(messages.isEmpty());
}

TEST(TrayIcon, isReachableOnlyWhileATrayShowsIt)
{
    bool trayRuns = true;
    TrayIcon tray;
    tray.setAvailabilityCheck([&] { return trayRuns; });
    EXPECT_FALSE(tray.isReachable());
    tray.SetTrayIcon(TrayIcon::Add, QIcon(QStringLiteral(":/icons/veltrin.png")), QString());
    EXPECT_TRUE(tray.isReachable());
    trayRuns = false; // the panel went away
    EXPECT_TRUE(tray.isShown());
    EXPECT_FALSE(tray.isReachable());
}

} // namespace
