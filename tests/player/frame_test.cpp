#include "frame_support.h"

#include "controls/button/qorvxpbutton.h"
#include "controls/scrollbar/dtvisualscrollbar.h"
#include "info/frmhelp.h"
#include "support/wait.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QScreen>

using namespace veltrin::test;

namespace {

struct Placement {
    const char* control;
    QRect rect;
};

QWidget* control(playerfrm& p, const char* name)
{
    return p.findChild<QWidget*>(QString::fromLatin1(name));
}

// The design size: a 489 x 420 inside within the sizing border.
TEST(FrameLayout, designSizePlacesEveryControl)
{
    ShownPlayer f;
    ASSERT_EQ(f.player->size(), QSize(497, 428));
    ASSERT_EQ(f.SW(), 489);
    ASSERT_EQ(f.SH(), 420);
    const Placement table[] = {
        { "lblDisplay", { 20, 0, 409, 13 } },
        { "lblTimeused", { 383, 0, 49, 13 } },
        { "ButtonEx0", { 437, 0, 13, 13 } },
        { "ButtonEx1", { 450, 0, 13, 13 } },
        { "ButtonEx2", { 463, 0, 13, 13 } },
        { "ButtonEx3", { 476, 0, 13, 13 } },
        { "cmdAutodetect", { 0, 16, 30, 15 } },
        { "cmdOpenall", { 32, 16, 30, 15 } },
        { "cmdBacktrack", { 64, 16, 30, 15 } },
        { "cmdPause", { 96, 16, 30, 15 } },
        { "cmdPlay", { 128, 16, 30, 15 } },
        { "cmdForward", { 160, 16, 30, 15 } },
        { "cmdStop", { 192, 16, 30, 15 } },
        { "cmdNexttrack", { 224, 16, 30, 15 } },
        { "cmdFullscreen", { 256, 16, 30, 15 } },
        { "H1", { 290, 24, 193, 7 } },
        { "H2", { 339, 16, 56, 7 } },
        { "V1", { 423, 16, 64, 7 } },
        { "Picture1", { 0, 35, 489, 385 } },
        // (489 / 2 - 381 / 2, 385 / 2 - 114 / 2) = (54, 135.5)
        { "PicLogo", { 54, 135, 381, 114 } },
    };
    for (const auto& [name, rect] : table) {
        QWidget* w = control(*f.player, name);
        ASSERT_NE(w, nullptr) << name;
        EXPECT_EQ(w->geometry(), rect) << name;
    }
    // The client area sits inside the 4-pixel border.
    EXPECT_EQ(f.in().clientArea->geometry(), QRect(4, 4, 489, 420));
}

TEST(FrameLayout, everySizeChangeReplacesTheStretchingControls)
{
    ShownPlayer f;
    f.player->resize(800, 600); // inside 792 x 592
    ASSERT_EQ(f.SW(), 792);
    const Placement table[] = {
        { "lblDisplay", { 20, 0, 712, 13 } },
        { "lblTimeused", { 686, 0, 49, 13 } },
        { "ButtonEx0", { 740, 0, 13, 13 } },
        { "ButtonEx3", { 779, 0, 13, 13 } },
        { "H1", { 290, 24, 496, 7 } },
        { "H2", { 642, 16, 56, 7 } },
        { "V1", { 726, 16, 64, 7 } },
        { "Picture1", { 0, 35, 792, 557 } },
        // 396 - 190.5 = 205.5 and 278.5 - 57 = 221.5 lose their fractions.
        { "PicLogo", { 205, 221, 381, 114 } },
        { "cmdFullscreen", { 256, 16, 30, 15 } },
    };
    for (const auto& [name, rect] : table)
        EXPECT_EQ(control(*f.player, name)->geometry(), rect) << name;

    f.player->resize(497, 428);
    EXPECT_EQ(control(*f.player, "ButtonEx3")->x(), 476);
    EXPECT_EQ(f.in().H1->width(), 193);
    EXPECT_EQ(f.in().Picture1->size(), QSize(489, 385));
}

struct ClampCase {
    const char* name;
    QSize requested;
    QSize expected;
};

TEST(FrameLayout, outerSizeIsClampedToTheMinimum)
{
    const ClampCase cases[] = {
        { "both below", { 300, 300 }, { 497, 374 } },
        { "exactly the minimum", { 497, 374 }, { 497, 374 } },
        { "only too low", { 600, 300 }, { 600, 374 } },
        { "only too narrow", { 400, 500 }, { 497, 500 } },
    };
    ShownPlayer f;
    for (const auto& c : cases) {
        f.player->resize(c.requested);
        EXPECT_EQ(f.player->size(), c.expected) << c.name;
        // The layout follows the clamped size, not the requested one.
        EXPECT_EQ(f.in().Picture1->size(), c.expected - QSize(8, 8 + 35)) << c.name;
        EXPECT_EQ(f.in().ButtonEx3->x(), c.expected.width() - 8 - 13) << c.name;
    }
}

TEST(FrameLayout, minimisedWindowIsNeverClamped)
{
    ShownPlayer f;
    f.player->showMinimized();
    ASSERT_TRUE(waitFor([&] { return f.player->isMinimized(); }));
    f.player->resize(300, 300);
    EXPECT_EQ(f.player->size(), QSize(300, 300));
    // The rest of the pass still runs; outside the normal state there is no border.
    EXPECT_EQ(f.in().ButtonEx3->x(), 300 - 13);
}

TEST(FrameTitleRow, maximiseTogglesAndKeepsTheButtonsAtTheRightEdge)
{
    ShownPlayer f;
    click(f.in().ButtonEx2);
    EXPECT_TRUE(f.player->isMaximized());
    EXPECT_EQ(f.player->windowStateValue(), 2);
    // No sizing border while maximised: the title row reaches the window's edge.
    EXPECT_EQ(f.in().clientArea->geometry(), f.player->rect());
    EXPECT_EQ(f.in().ButtonEx3->mapTo(f.player.get(), QPoint(13, 0)).x(), f.player->width());
    EXPECT_EQ(f.in().H1->width(), f.SW() - 296);
    EXPECT_EQ(f.in().lblDisplay->width(), f.SW() - 80);
    if (f.player->width() > 497) { // where the platform gives a maximised window the screen
        EXPECT_EQ(f.player->width(), f.player->screen()->availableGeometry().width());
    }

    click(f.in().ButtonEx2);
    EXPECT_EQ(f.player->windowStateValue(), 0);
    EXPECT_EQ(
        f.in().clientArea->geometry(), QRect(4, 4, f.player->width() - 8, f.player->height() - 8));

    QTest::mouseDClick(f.in().lblDisplay, Qt::LeftButton);
    EXPECT_EQ(f.player->windowStateValue(), 2);
    QTest::mouseDClick(f.in().lblDisplay, Qt::LeftButton);
    EXPECT_EQ(f.player->windowStateValue(), 0);
}

TEST(FrameTitleRow, aPressThatLeavesThePictureIsNoClick)
{
    ShownPlayer f;
    sendMouse(f.in().ButtonEx2, QEvent::MouseButtonPress, { 5, 5 }, Qt::LeftButton, Qt::LeftButton);
    sendMouse(
        f.in().ButtonEx2, QEvent::MouseButtonRelease, { 40, 5 }, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(f.player->windowStateValue(), 0);
}

TEST(FrameTitleRow, helpOpensTheHelpWindow)
{
    ShownPlayer f;
    click(f.in().ButtonEx0);
    ASSERT_TRUE(f.in().m_help);
    EXPECT_TRUE(f.in().m_help->isVisible());
    f.in().m_help->close();
}

TEST(FrameTitleRow, minimiseWithoutATrayIconMinimisesInsteadOfHiding)
{
    ShownPlayer f;
    click(f.in().ButtonEx1);
    // Hidden without an icon the window could never come back.
    EXPECT_TRUE(f.player->isVisible());
    EXPECT_EQ(f.player->windowStateValue(), 1);
}

TEST(FrameTitleRow, exitShutsDown)
{
    ShownPlayer f;
    f.load(0);
    ASSERT_TRUE(f.in().graph.control);
    click(f.in().ButtonEx3);
    EXPECT_FALSE(f.player->isVisible());
    EXPECT_FALSE(f.in().graph.control);
    EXPECT_FALSE(f.in().graph.audio);
    EXPECT_FALSE(f.in().graph.position);
}

struct DragCase {
    const char* name;
    Qt::MouseButton pressed;
    Qt::MouseButtons held;
    bool maximised;
    bool moves;
};

TEST(FrameDrag, titleLabelAndVideoAreaMoveTheWindowOnlyWhenTheyMay)
{
    const DragCase cases[] = {
        { "left button", Qt::LeftButton, Qt::LeftButton, false, true },
        { "middle button", Qt::MiddleButton, Qt::MiddleButton, false, true },
        { "left and right", Qt::LeftButton, Qt::LeftButton | Qt::RightButton, false, true },
        { "right button alone", Qt::RightButton, Qt::RightButton, false, false },
        { "no button", Qt::NoButton, Qt::NoButton, false, false },
        { "maximised", Qt::LeftButton, Qt::LeftButton, true, false },
    };
    for (const auto& c : cases) {
        ShownPlayer f;
        if (c.maximised)
            f.player->ButtonEx2_Click();
        for (QWidget* surface : { static_cast<QWidget*>(f.in().lblDisplay), f.in().Picture1 }) {
            const QPoint start = f.player->pos();
            const QPoint grab(30, 5);
            sendMouse(surface, QEvent::MouseButtonPress, grab, c.pressed, c.held);
            sendMouse(surface, QEvent::MouseMove, grab + QPoint(25, 12), Qt::NoButton, c.held);
            const QPoint expected = c.moves ? start + QPoint(25, 12) : start;
            EXPECT_EQ(f.player->pos(), expected)
                << c.name << " on " << surface->objectName().toStdString();
            sendMouse(surface, QEvent::MouseButtonRelease, grab + QPoint(25, 12), c.pressed,
                Qt::NoButton);
            f.in().mnuPopup->hide();
        }
    }
}

TEST(FrameDrag, bothSurfacesShareTheGrabPoint)
{
    ShownPlayer f;
    const QPoint start = f.player->pos();
    sendMouse(
        f.in().lblDisplay, QEvent::MouseButtonPress, { 30, 5 }, Qt::LeftButton, Qt::LeftButton);
    sendMouse(f.in().Picture1, QEvent::MouseMove, { 33, 9 }, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(f.player->pos(), start + QPoint(3, 4));
}

TEST(FrameBorder, draggingTheCornerResizesDownToTheMinimum)
{
    ShownPlayer f;
    const QRect start = f.player->geometry();
    const QPoint corner(f.player->width() - 2, f.player->height() - 2);
    QCursor::setPos(f.player->mapToGlobal(corner));
    sendMouse(f.player.get(), QEvent::MouseButtonPress, corner, Qt::LeftButton, Qt::LeftButton);
    sendMouse(
        f.player.get(), QEvent::MouseMove, corner + QPoint(60, 40), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(f.player->geometry(), QRect(start.topLeft(), start.size() + QSize(60, 40)));
    EXPECT_EQ(f.SW(), 489 + 60);
    sendMouse(
        f.player.get(), QEvent::MouseMove, corner - QPoint(100, 100), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(f.player->geometry(), QRect(start.topLeft(), QSize(497, 374)));
    sendMouse(f.player.get(), QEvent::MouseButtonRelease, corner, Qt::LeftButton, Qt::NoButton);
}

TEST(FrameMenu, rightButtonReleaseOverTheVideoAreaOpensTheMenuAtThePointer)
{
    ShownPlayer f;
    const QPoint local(100, 60);
    sendMouse(f.in().Picture1, QEvent::MouseButtonRelease, local, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(f.in().mnuPopup->isVisible());
    sendMouse(
        f.in().lblDisplay, QEvent::MouseButtonRelease, { 5, 5 }, Qt::RightButton, Qt::NoButton);
    EXPECT_FALSE(f.in().mnuPopup->isVisible());

    sendMouse(f.in().Picture1, QEvent::MouseButtonRelease, local, Qt::RightButton, Qt::NoButton);
    ASSERT_TRUE(f.in().mnuPopup->isVisible());
    // Left-aligned: the menu's top-left corner at the pointer.
    EXPECT_EQ(f.in().mnuPopup->pos(), f.in().Picture1->mapToGlobal(local));
    f.in().mnuPopup->hide();
}

TEST(FrameTitleLabel, tooltipNamesTheCurrentFile)
{
    ShownPlayer f;
    EXPECT_EQ(f.in().lblDisplay->toolTip(), QString());
    f.load(1);
    f.player->setDisplayCaption(QStringLiteral("Zelto Veltrin Player :b.mpg"));
    EXPECT_EQ(f.in().lblDisplay->text(), QStringLiteral("Zelto Veltrin Player :b.mpg"));
    EXPECT_EQ(f.in().lblDisplay->toolTip(), f.dir.filePath(QStringLiteral("b.mpg")));

    // Stop forgets the file without touching the caption; the tip follows anyway.
    f.player->fncStop();
    QHelpEvent tip(QEvent::ToolTip, { 5, 5 }, f.in().lblDisplay->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(f.in().lblDisplay, &tip);
    EXPECT_EQ(f.in().lblDisplay->toolTip(), QString());
}

TEST(FrameVideoArea, layoutPassAndOpenPlaceTheVideo)
{
    ShownPlayer f;
    f.load(0);
    // The open places the 352 x 288 video at once.
    EXPECT_EQ(f.video(), QRect(10, 0, 470, 385));
    f.graphs.log->clear();
    f.player->resize(600, 428); // area 592 x 385
    ASSERT_FALSE(f.graphs.log->isEmpty());
    EXPECT_EQ(f.graphs.log->last(), QStringLiteral("SetWindowPosition 61 0 470 385"));
}

// Run by FrameSize.firstSizeFitsASmallScreenAtDoubleScale in a process of its
// own, on the screen that test describes; skipped otherwise.
TEST(FrameSize, firstSizeFitsTheScreen)
{
    if (qEnvironmentVariableIsEmpty("VELTRIN_TEST_SMALL_SCREEN"))
        GTEST_SKIP() << "runs in the child of firstSizeFitsASmallScreenAtDoubleScale";
    FakePlayer f;
    const QRect area = f.player->screen()->availableGeometry();
    ASSERT_LT(area.width(), 497);
    EXPECT_LE(f.player->width(), area.width());
    EXPECT_LE(f.player->height(), area.height());
}

TEST(FrameSize, firstSizeFitsASmallScreenAtDoubleScale)
{
    QTemporaryDir dir;
    QFile config(dir.filePath(QStringLiteral("screen.json")));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(R"({"screens":[{"name":"small","x":0,"y":0,"width":640,"height":480,)"
                 R"("logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})");
    config.close();
    QProcess child;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELTRIN_TEST_SMALL_SCREEN"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"),
        QStringLiteral("offscreen:configfile=") + config.fileName());
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
        { QStringLiteral("--gtest_filter=FrameSize.firstSizeFitsTheScreen") });
    ASSERT_TRUE(child.waitForFinished(60000));
    const QByteArray out = child.readAll();
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();
}

} // namespace
