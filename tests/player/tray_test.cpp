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
        p->tray->setAvailabilityCheck([] { return true; });
        p->tray->SetTrayIcon(
            TrayIcon::Add, p->windowIcon(), QStringLiteral("Zelto Veltrin Player"));
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
        p.tray->setAvailabilityCheck([] { return true; });
        p.Form_Load(QString());
        p.show();
        ASSERT_TRUE(p.tray->isShown()) << path;
        EXPECT_EQ(p.tray->toolTip(), QStringLiteral("Zelto Veltrin Player"));
        if (path == std::string("menu Exit"))
            p.mnuExit->trigger();
        else if (path == std::string("title-row Exit"))
            click(p.ButtonEx3);
        else
            p.close();
        EXPECT_FALSE(p.tray->isShown()) << path;
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
    p.tray->setAvailabilityCheck([] { return false; });
    p.Form_Load(QString());
    p.show();
    EXPECT_FALSE(p.tray->isShown());
    EXPECT_TRUE(p.isVisible());
}

TEST(TrayCallback, clicksOpenTheMenuRightAlignedAtThePointer)
{
    for (int m : { 513, 516 }) {
        TrayPlayer f;
        const QPoint pointer = f.p->screen()->geometry().center();
        QCursor::setPos(pointer);
        f.p->chkSystrayMsg_MouseMove(m);
        ASSERT_TRUE(f.p->mnuPopup->isVisible()) << m;
        const QRect menu = f.p->mnuPopup->geometry();
        EXPECT_EQ(menu.x() + menu.width(), pointer.x()) << m;
        EXPECT_EQ(menu.y(), pointer.y()) << m;
        f.p->mnuPopup->hide();
    }
}

TEST(TrayCallback, doubleClickShowsTheHiddenWindowAndOtherMessagesDoNothing)
{
    TrayPlayer f;
    click(f.p->ButtonEx1); // with an icon, Minimize hides
    EXPECT_FALSE(f.p->isVisible());
    EXPECT_EQ(f.p->windowStateValue(), 0);
    for (int m : { 512, 514, 517, 0 }) {
        f.p->chkSystrayMsg_MouseMove(m);
        EXPECT_FALSE(f.p->isVisible()) << m;
        EXPECT_FALSE(f.p->mnuPopup->isVisible()) << m;
    }
    f.p->chkSystrayMsg_MouseMove(515);
    EXPECT_TRUE(f.p->isVisible());
    EXPECT_EQ(f.p->windowStateValue(), 0);
}

TEST(TrayCallback, doubleClickLeavesFullScreenAlone)
{
    TrayPlayer f;
    f.load(0);
    f.p->cmdFullscreen_Click();
    f.p->chkSystrayMsg_MouseMove(515);
    EXPECT_EQ(f.p->cmdFullscreen->Tag, QStringLiteral("True"));
    EXPECT_EQ(f.graph()->owner, f.p->clientArea);
}

TEST(PopupMenu, holdsEveryItemInOrder)
{
    ShownPlayer f;
    const QString sep = QStringLiteral("-");
    const QStringList expected
        = { "Show Player", sep, "Browse", sep, "Play", "Pause", "Stop", sep, "Full Screen", sep,
              "Next Track", "Previous Track", sep, "Help", "About", sep, "Cancel", sep, "Exit" };
    const QList<QAction*> actions = f.p->mnuPopup->actions();
    QStringList captions;
    for (QAction* a : actions) {
        captions << (a->isSeparator() ? sep : a->text());
        if (!a->isSeparator()) {
            EXPECT_EQ(a->isEnabled(), a != f.p->mnuFullscreen) << a->text().toStdString();
        }
    }
    EXPECT_EQ(captions, expected);
    const QAction* named[] = { f.p->mnuShow, f.p->mnuOpen, f.p->mnuPlay, f.p->mnuPause,
        f.p->mnuStop, f.p->mnuFullscreen, f.p->mnuNext, f.p->mnuPrev, f.p->mnuHelp, f.p->mnuAbout,
        f.p->mnuCancel, f.p->mnuExit };
    const int positions[] = { 0, 2, 4, 5, 6, 8, 10, 11, 13, 14, 16, 18 };
    for (size_t i = 0; i < std::size(named); ++i)
        EXPECT_EQ(actions.value(positions[i]), named[i]) << i;
}

TEST(PopupMenu, showPlayerBringsBackAHiddenWindowAndCancelDoesNothing)
{
    TrayPlayer f;
    f.load(0);
    const QStringList logBefore = *f.graphs.log;
    f.p->mnuCancel->trigger();
    EXPECT_EQ(*f.graphs.log, logBefore);
    EXPECT_TRUE(f.p->isVisible());

    click(f.p->ButtonEx1);
    ASSERT_FALSE(f.p->isVisible());
    f.p->mnuShow->trigger();
    EXPECT_TRUE(f.p->isVisible());
    EXPECT_EQ(f.p->cmdFullscreen->Tag, QStringLiteral("False"));
}

TEST(PopupMenu, commandsReachThePlayer)
{
    ShownPlayer f;
    f.load(0);
    f.p->mnuPause->trigger();
    EXPECT_FALSE(f.graph()->running);
    f.p->mnuPlay->trigger();
    EXPECT_TRUE(f.graph()->running);
    f.p->mnuNext->trigger();
    EXPECT_EQ(f.p->CurrentFile, f.dir.filePath(QStringLiteral("b.mpg")));
    f.p->mnuStop->trigger();
    EXPECT_EQ(f.p->CurrentFile, QString());
    f.p->mnuFullscreen->trigger();
    EXPECT_EQ(f.p->cmdFullscreen->Tag, QStringLiteral("True"));
}

} // namespace
