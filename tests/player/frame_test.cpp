#include "frame_support.h"

#include "controls/button/qorvxpbutton.h"
#include "controls/scrollbar/dtvisualscrollbar.h"
#include "info/frmhelp.h"
#include "support/wait.h"

#include <QHelpEvent>
#include <QLabel>
#include <QMenu>

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
    ASSERT_EQ(f.p->size(), QSize(497, 428));
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
        QWidget* w = control(*f.p, name);
        ASSERT_NE(w, nullptr) << name;
        EXPECT_EQ(w->geometry(), rect) << name;
    }
    // The client area sits inside the 4-pixel border.
    EXPECT_EQ(f.p->clientArea->geometry(), QRect(4, 4, 489, 420));
}

TEST(FrameLayout, everySizeChangeReplacesTheStretchingControls)
{
    ShownPlayer f;
    f.p->resize(800, 600); // inside 792 x 592
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
        EXPECT_EQ(control(*f.p, name)->geometry(), rect) << name;

    f.p->resize(497, 428);
    EXPECT_EQ(control(*f.p, "ButtonEx3")->x(), 476);
    EXPECT_EQ(f.p->H1->width(), 193);
    EXPECT_EQ(f.p->Picture1->size(), QSize(489, 385));
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
        f.p->resize(c.requested);
        EXPECT_EQ(f.p->size(), c.expected) << c.name;
        // The layout follows the clamped size, not the requested one.
        EXPECT_EQ(f.p->Picture1->size(), c.expected - QSize(8, 8 + 35)) << c.name;
        EXPECT_EQ(f.p->ButtonEx3->x(), c.expected.width() - 8 - 13) << c.name;
    }
}

TEST(FrameLayout, minimisedWindowIsNeverClamped)
{
    ShownPlayer f;
    f.p->showMinimized();
    ASSERT_TRUE(waitFor([&] { return f.p->isMinimized(); }));
    f.p->resize(300, 300);
    EXPECT_EQ(f.p->size(), QSize(300, 300));
    // The rest of the pass still runs; outside the normal state there is no border.
    EXPECT_EQ(f.p->ButtonEx3->x(), 300 - 13);
}

TEST(FrameTitleRow, maximiseTogglesAndKeepsTheButtonsAtTheRightEdge)
{
    ShownPlayer f;
    click(f.p->ButtonEx2);
    EXPECT_TRUE(f.p->isMaximized());
    EXPECT_EQ(f.p->windowStateValue(), 2);
    // No sizing border while maximised: the title row reaches the window's edge.
    EXPECT_EQ(f.p->clientArea->geometry(), f.p->rect());
    EXPECT_EQ(f.p->ButtonEx3->mapTo(f.p.get(), QPoint(13, 0)).x(), f.p->width());
    EXPECT_EQ(f.p->H1->width(), f.SW() - 296);
    EXPECT_EQ(f.p->lblDisplay->width(), f.SW() - 80);
    if (f.p->width() > 497) { // where the platform gives a maximised window the screen
        EXPECT_EQ(f.p->width(), f.p->screen()->availableGeometry().width());
    }

    click(f.p->ButtonEx2);
    EXPECT_EQ(f.p->windowStateValue(), 0);
    EXPECT_EQ(f.p->clientArea->geometry(), QRect(4, 4, f.p->width() - 8, f.p->height() - 8));

    QTest::mouseDClick(f.p->lblDisplay, Qt::LeftButton);
    EXPECT_EQ(f.p->windowStateValue(), 2);
    QTest::mouseDClick(f.p->lblDisplay, Qt::LeftButton);
    EXPECT_EQ(f.p->windowStateValue(), 0);
}

TEST(FrameTitleRow, aPressThatLeavesThePictureIsNoClick)
{
    ShownPlayer f;
    sendMouse(f.p->ButtonEx2, QEvent::MouseButtonPress, { 5, 5 }, Qt::LeftButton, Qt::LeftButton);
    sendMouse(f.p->ButtonEx2, QEvent::MouseButtonRelease, { 40, 5 }, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(f.p->windowStateValue(), 0);
}

TEST(FrameTitleRow, helpOpensTheHelpWindow)
{
    ShownPlayer f;
    click(f.p->ButtonEx0);
    ASSERT_TRUE(f.p->m_help);
    EXPECT_TRUE(f.p->m_help->isVisible());
    f.p->m_help->close();
}

TEST(FrameTitleRow, minimiseWithoutATrayIconMinimisesInsteadOfHiding)
{
    ShownPlayer f;
    click(f.p->ButtonEx1);
    // Hidden without an icon the window could never come back.
    EXPECT_TRUE(f.p->isVisible());
    EXPECT_EQ(f.p->windowStateValue(), 1);
}

TEST(FrameTitleRow, exitShutsDown)
{
    ShownPlayer f;
    f.load(0);
    ASSERT_TRUE(f.p->graph.control);
    click(f.p->ButtonEx3);
    EXPECT_FALSE(f.p->isVisible());
    EXPECT_FALSE(f.p->graph.control);
    EXPECT_FALSE(f.p->graph.audio);
    EXPECT_FALSE(f.p->graph.position);
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
            f.p->ButtonEx2_Click();
        for (QWidget* surface : { static_cast<QWidget*>(f.p->lblDisplay), f.p->Picture1 }) {
            const QPoint start = f.p->pos();
            const QPoint grab(30, 5);
            sendMouse(surface, QEvent::MouseButtonPress, grab, c.pressed, c.held);
            sendMouse(surface, QEvent::MouseMove, grab + QPoint(25, 12), Qt::NoButton, c.held);
            const QPoint expected = c.moves ? start + QPoint(25, 12) : start;
            EXPECT_EQ(f.p->pos(), expected)
                << c.name << " on " << surface->objectName().toStdString();
            sendMouse(surface, QEvent::MouseButtonRelease, grab + QPoint(25, 12), c.pressed,
                Qt::NoButton);
            f.p->mnuPopup->hide();
        }
    }
}

TEST(FrameDrag, bothSurfacesShareTheGrabPoint)
{
    ShownPlayer f;
    const QPoint start = f.p->pos();
    sendMouse(f.p->lblDisplay, QEvent::MouseButtonPress, { 30, 5 }, Qt::LeftButton, Qt::LeftButton);
    sendMouse(f.p->Picture1, QEvent::MouseMove, { 33, 9 }, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(f.p->pos(), start + QPoint(3, 4));
}

TEST(FrameBorder, draggingTheCornerResizesDownToTheMinimum)
{
    ShownPlayer f;
    const QRect start = f.p->geometry();
    const QPoint corner(f.p->width() - 2, f.p->height() - 2);
    QCursor::setPos(f.p->mapToGlobal(corner));
    sendMouse(f.p.get(), QEvent::MouseButtonPress, corner, Qt::LeftButton, Qt::LeftButton);
    sendMouse(f.p.get(), QEvent::MouseMove, corner + QPoint(60, 40), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(f.p->geometry(), QRect(start.topLeft(), start.size() + QSize(60, 40)));
    EXPECT_EQ(f.SW(), 489 + 60);
    sendMouse(
        f.p.get(), QEvent::MouseMove, corner - QPoint(100, 100), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(f.p->geometry(), QRect(start.topLeft(), QSize(497, 374)));
    sendMouse(f.p.get(), QEvent::MouseButtonRelease, corner, Qt::LeftButton, Qt::NoButton);
}

TEST(FrameMenu, rightButtonReleaseOverTheVideoAreaOpensTheMenuAtThePointer)
{
    ShownPlayer f;
    const QPoint local(100, 60);
    sendMouse(f.p->Picture1, QEvent::MouseButtonRelease, local, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(f.p->mnuPopup->isVisible());
    sendMouse(f.p->lblDisplay, QEvent::MouseButtonRelease, { 5, 5 }, Qt::RightButton, Qt::NoButton);
    EXPECT_FALSE(f.p->mnuPopup->isVisible());

    sendMouse(f.p->Picture1, QEvent::MouseButtonRelease, local, Qt::RightButton, Qt::NoButton);
    ASSERT_TRUE(f.p->mnuPopup->isVisible());
    // Left-aligned: the menu's top-left corner at the pointer.
    EXPECT_EQ(f.p->mnuPopup->pos(), f.p->Picture1->mapToGlobal(local));
    f.p->mnuPopup->hide();
}

TEST(FrameTitleLabel, tooltipNamesTheCurrentFile)
{
    ShownPlayer f;
    EXPECT_EQ(f.p->lblDisplay->toolTip(), QString());
    f.load(1);
    f.p->setDisplayCaption(QStringLiteral("Zelto Veltrin Player :b.mpg"));
    EXPECT_EQ(f.p->lblDisplay->text(), QStringLiteral("Zelto Veltrin Player :b.mpg"));
    EXPECT_EQ(f.p->lblDisplay->toolTip(), f.dir.filePath(QStringLiteral("b.mpg")));

    // Stop forgets the file without touching the caption; the tip follows anyway.
    f.p->fncStop();
    QHelpEvent tip(QEvent::ToolTip, { 5, 5 }, f.p->lblDisplay->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(f.p->lblDisplay, &tip);
    EXPECT_EQ(f.p->lblDisplay->toolTip(), QString());
}

TEST(FrameVideoArea, layoutPassAndOpenPlaceTheVideo)
{
    ShownPlayer f;
    f.load(0);
    // The open places the 352 x 288 video at once.
    EXPECT_EQ(f.video(), QRect(10, 0, 470, 385));
    f.graphs.log->clear();
    f.p->resize(600, 428); // area 592 x 385
    ASSERT_FALSE(f.graphs.log->isEmpty());
    EXPECT_EQ(f.graphs.log->last(), QStringLiteral("SetWindowPosition 61 0 470 385"));
}

} // namespace
