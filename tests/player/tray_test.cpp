#include "frame_support.h"

#include "controls/button/qorvxpbutton.h"
#include "runtime/trayicon.h"
#include "support/wait.h"

#include <QMenu>
#include <QScreen>

using namespace veltrin::test;
using veltrin::TrayIcon;

namespace {

TEST(TrayIcon, activationsBecomeTheCallbackMessages)
{
    const std::pair<QSystemTrayIcon::ActivationReason, int> table[] = {
        { QSystemTrayIcon::Trigger, 513 },
        { QSystemTrayIcon::DoubleClick, 515 },
        { QSystemTrayIcon::Context, 516 },
        { QSystemTrayIcon::MiddleClick, 0 },
        { QSystemTrayIcon::Unknown, 0 },
    };
    for (const auto& [reason, message] : table)
        EXPECT_EQ(TrayIcon::messageFor(reason), message) << reason;
}

TEST(TrayIcon, addsOnceAndDeletesHarmlesslyTwice)
{
    TrayIcon tray;
    tray.setAvailabilityCheck([] { return false; });
    tray.SetTrayIcon(TrayIcon::Add, QIcon(), QStringLiteral("tip"));
    EXPECT_FALSE(tray.isShown()); // no tray: no icon, and no complaint

    tray.setAvailabilityCheck([] { return true; });
    tray.SetTrayIcon(TrayIcon::Add, QIcon(QStringLiteral(":/icons/veltrin.png")),
        QStringLiteral("Zelto Veltrin Player"));
    EXPECT_TRUE(tray.isShown());
    EXPECT_EQ(tray.toolTip(), QStringLiteral("Zelto Veltrin Player"));
    tray.SetTrayIcon(TrayIcon::Modify, QIcon(), QStringLiteral("other"));
    EXPECT_EQ(tray.toolTip(), QStringLiteral("Zelto Veltrin Player"));
    tray.SetTrayIcon(TrayIcon::Delete, QIcon(), QString());
    EXPECT_FALSE(tray.isShown());
    tray.SetTrayIcon(TrayIcon::Delete, QIcon(), QString());
    EXPECT_FALSE(tray.isShown());
}

// A player whose tray exists, as on a desktop with a notification area.
struct TrayPlayer : ShownPlayer {
    TrayPlayer()
    {
        in().tray->setAvailabilityCheck([] { return true; });
        in().tray->SetTrayIcon(
            TrayIcon::Add, player->windowIcon(), QStringLiteral("Zelto Veltrin Player"));
    }
};

TEST(TrayIcon, isAddedAtStartAndRemovedByEveryShutdownPath)
{
    for (const char* path : { "menu Exit", "title-row Exit", "closing the window" }) {
        QTemporaryDir dir;
        playerfrm p(playerfrm::Options { .graphFactory = makeGStreamerGraph,
            .mountTable = dir.filePath(QStringLiteral("none")),
            .formFile = {},
            .useTray = true });
        PlayerTestPeer in(p);
        in.tray->setAvailabilityCheck([] { return true; });
        p.Form_Load(QString());
        p.show();
        ASSERT_TRUE(in.tray->isShown()) << path;
        EXPECT_EQ(in.tray->toolTip(), QStringLiteral("Zelto Veltrin Player"));
        if (path == std::string("menu Exit"))
            in.mnuExit->trigger();
        else if (path == std::string("title-row Exit"))
            click(in.ButtonEx3);
        else
            p.close();
        EXPECT_FALSE(in.tray->isShown()) << path;
        EXPECT_FALSE(p.isVisible()) << path;
    }
}

TEST(TrayIcon, playerRunsWithoutATray)
{
    QTemporaryDir dir;
    playerfrm p(playerfrm::Options { .graphFactory = makeGStreamerGraph,
        .mountTable = dir.filePath(QStringLiteral("none")),
        .formFile = {},
        .useTray = true });
    PlayerTestPeer in(p);
    in.tray->setAvailabilityCheck([] { return false; });
    p.Form_Load(QString());
    p.show();
    EXPECT_FALSE(in.tray->isShown());
    EXPECT_TRUE(p.isVisible());
}

TEST(TrayCallback, clicksOpenTheMenuRightAlignedAtThePointer)
{
    for (int m : { 513, 516 }) {
        TrayPlayer f;
        const QPoint pointer = f.player->screen()->geometry().center();
        QCursor::setPos(pointer);
        f.player->chkSystrayMsg_MouseMove(m);
        ASSERT_TRUE(f.in().mnuPopup->isVisible()) << m;
        const QRect menu = f.in().mnuPopup->geometry();
        EXPECT_EQ(menu.x() + menu.width(), pointer.x()) << m;
        EXPECT_EQ(menu.y(), pointer.y()) << m;
        f.in().mnuPopup->hide();
    }
}

TEST(TrayCallback, doubleClickShowsTheHiddenWindowAndOtherMessagesDoNothing)
{
    TrayPlayer f;
    click(f.in().ButtonEx1); // with an icon, Minimize hides
    EXPECT_FALSE(f.player->isVisible());
    EXPECT_EQ(f.player->windowStateValue(), 0);
    for (int m : { 512, 514, 517, 0 }) {
        f.player->chkSystrayMsg_MouseMove(m);
        EXPECT_FALSE(f.player->isVisible()) << m;
        EXPECT_FALSE(f.in().mnuPopup->isVisible()) << m;
    }
    f.player->chkSystrayMsg_MouseMove(515);
    EXPECT_TRUE(f.player->isVisible());
    EXPECT_EQ(f.player->windowStateValue(), 0);
}

TEST(TrayCallback, minimizeHidesOnlyWhileTheIconCanBeReached)
{
    TrayPlayer f;
    // The tray went away after the icon was added: hidden, the window could
    // never come back.
    f.in().tray->setAvailabilityCheck([] { return false; });
    ASSERT_TRUE(f.in().tray->isShown());
    click(f.in().ButtonEx1);
    EXPECT_TRUE(f.player->isVisible());
    EXPECT_EQ(f.player->windowStateValue(), 1);
}

TEST(TrayCallback, doubleClickLeavesFullScreenAlone)
{
    TrayPlayer f;
    f.load(0);
    f.player->cmdFullscreen_Click();
    f.player->chkSystrayMsg_MouseMove(515);
    EXPECT_EQ(f.in().cmdFullscreen->Tag, QStringLiteral("True"));
    EXPECT_EQ(f.graph()->owner, f.in().clientArea);
}

TEST(PopupMenu, holdsEveryItemInOrder)
{
    ShownPlayer f;
    const QString sep = QStringLiteral("-");
    const QStringList expected
        = { "Show Player", sep, "Browse", sep, "Play", "Pause", "Stop", sep, "Full Screen", sep,
              "Next Track", "Previous Track", sep, "Help", "About", sep, "Cancel", sep, "Exit" };
    const QList<QAction*> actions = f.in().mnuPopup->actions();
    QStringList captions;
    for (QAction* a : actions) {
        captions << (a->isSeparator() ? sep : a->text());
        if (!a->isSeparator()) {
            EXPECT_EQ(a->isEnabled(), a != f.in().mnuFullscreen) << a->text().toStdString();
        }
    }
    EXPECT_EQ(captions, expected);
    const QAction* named[] = { f.in().mnuShow, f.in().mnuOpen, f.in().mnuPlay, f.in().mnuPause,
        f.in().mnuStop, f.in().mnuFullscreen, f.in().mnuNext, f.in().mnuPrev, f.in().mnuHelp,
        f.in().mnuAbout, f.in().mnuCancel, f.in().mnuExit };
    const int positions[] = { 0, 2, 4, 5, 6, 8, 10, 11, 13, 14, 16, 18 };
    for (size_t i = 0; i < std::size(named); ++i)
        EXPECT_EQ(actions.value(positions[i]), named[i]) << i;
}

TEST(PopupMenu, showPlayerBringsBackAHiddenWindowAndCancelDoesNothing)
{
    TrayPlayer f;
    f.load(0);
    const QStringList logBefore = *f.graphs.log;
    f.in().mnuCancel->trigger();
    EXPECT_EQ(*f.graphs.log, logBefore);
    EXPECT_TRUE(f.player->isVisible());

    click(f.in().ButtonEx1);
    ASSERT_FALSE(f.player->isVisible());
    f.in().mnuShow->trigger();
    EXPECT_TRUE(f.player->isVisible());
    EXPECT_EQ(f.in().cmdFullscreen->Tag, QStringLiteral("False"));
}

TEST(PopupMenu, commandsReachThePlayer)
{
    ShownPlayer f;
    f.load(0);
    f.in().mnuPause->trigger();
    EXPECT_FALSE(f.graph()->running);
    f.in().mnuPlay->trigger();
    EXPECT_TRUE(f.graph()->running);
    f.in().mnuNext->trigger();
    EXPECT_EQ(f.in().CurrentFile, f.dir.filePath(QStringLiteral("b.mpg")));
    f.in().mnuStop->trigger();
    EXPECT_EQ(f.in().CurrentFile, QString());
    f.in().mnuFullscreen->trigger();
    EXPECT_EQ(f.in().cmdFullscreen->Tag, QStringLiteral("True"));
}

} // namespace
