// dtVisualScrollBar: pointer input on a real widget (track, arrows, thumb drag)
// and the events it raises.
#include "controls/scrollbar/dtvisualscrollbar.h"
#include "runtime/propertybag.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using veltrin::Picture;
using veltrin::PictureRef;
using veltrin::PropertyBag;
using Part = dtVisualScrollBar::Part;

namespace {

constexpr qint32 kIntMax = std::numeric_limits<qint32>::max();
constexpr qint32 kIntMin = std::numeric_limits<qint32>::min();

PictureRef solid(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    return Picture::fromImage(image);
}

// Every Change and Scroll, with the Value seen inside the handler.
struct EventLog {
    std::vector<std::string> entries;
    void attach(dtVisualScrollBar* bar)
    {
        QObject::connect(bar, &dtVisualScrollBar::Change,
            [this, bar] { entries.push_back("Change " + std::to_string(bar->Value())); });
        QObject::connect(bar, &dtVisualScrollBar::Scroll,
            [this, bar] { entries.push_back("Scroll " + std::to_string(bar->Value())); });
    }
    using List = std::vector<std::string>;
};

class ScrollBarInputTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        // A failed expectation must not leave a button held for the next test.
        QTestPrivate::qtestMouseButtons = Qt::NoButton;
    }

    dtVisualScrollBar* makeBar(QSize pixels)
    {
        host = std::make_unique<QWidget>();
        host->resize(800, 400);
        bar = new dtVisualScrollBar(host.get());
        bar->setGeometry(QRect(QPoint(20, 20), pixels));
        host->show();
        log.attach(bar);
        return bar;
    }

    // Horizontal, arrows hidden, SW = 2040 twips (136 px), thumb 285 twips
    // (19 px) wide, Min 0, Max 1000.
    dtVisualScrollBar* exampleBar()
    {
        makeBar(QSize(136, 21));
        bar->setButtonsVisible(false);
        bar->setPictureThumb(solid(19, 21));
        bar->setMax(1000);
        log.entries.clear();
        return bar;
    }

    void press(QPoint p, Qt::MouseButton b = Qt::LeftButton) { QTest::mousePress(bar, b, {}, p); }
    void release(QPoint p, Qt::MouseButton b = Qt::LeftButton)
    {
        QTest::mouseRelease(bar, b, {}, p);
    }
    void move(QPoint p) { QTest::mouseMove(bar, p); }
    void click(QPoint p, Qt::MouseButton b = Qt::LeftButton)
    {
        press(p, b);
        release(p, b);
    }
    double thumbX() const { return bar->partRect(Part::Thumb).x(); }
    double thumbY() const { return bar->partRect(Part::Thumb).y(); }

    std::unique_ptr<QWidget> host;
    dtVisualScrollBar* bar = nullptr;
    EventLog log;
};

} // namespace

// --- Thumb drag ---------------------------------------------------------------------

TEST_F(ScrollBarInputTest, dragRaisesScrollPerStepAndChangeOnceAtRelease)
{
    exampleBar();
    press({ 5, 10 }); // thumb at x 0..18 px, grab offset 75 twips
    EXPECT_TRUE(bar->fields().IsDragging);
    EXPECT_EQ(bar->fields().GrabOffsetX, 75);
    EXPECT_EQ(bar->fields().LastDragPos, 75);
    EXPECT_TRUE(log.entries.empty()); // a press raises nothing

    move({ 6, 10 }); // thumb edge to 15 twips: 15 / 1755 * 1000 = 8.5 -> 9
    EXPECT_DOUBLE_EQ(thumbX(), 15);
    move({ 6, 10 }); // same place: nothing
    move({ 20, 10 }); // 225 twips -> 128.2 -> 128
    EXPECT_DOUBLE_EQ(thumbX(), 225);
    EXPECT_TRUE(bar->fields().DragMoved);
    release({ 20, 10 });
    EXPECT_FALSE(bar->fields().IsDragging);
    EXPECT_EQ(log.entries, (EventLog::List { "Scroll 9", "Scroll 128", "Change 128" }));
    EXPECT_EQ(bar->Value(), 128);
}

TEST_F(ScrollBarInputTest, dragToTheEndsAndPastThemStopsAtTheTrackEnds)
{
    exampleBar();
    press({ 5, 10 });
    move({ 5 + 117, 10 }); // left edge to 1755 twips
    EXPECT_DOUBLE_EQ(thumbX(), 1755);
    EXPECT_EQ(bar->Value(), 1000);
    move({ 400, 10 }); // far past the right end, outside the control: still captured
    EXPECT_DOUBLE_EQ(thumbX(), 1755);
    EXPECT_EQ(bar->Value(), 1000);
    move({ -300, 10 });
    EXPECT_DOUBLE_EQ(thumbX(), 0);
    EXPECT_EQ(bar->Value(), 0);
    move({ -300, 80 }); // leaving the bar across the axis changes nothing
    EXPECT_DOUBLE_EQ(thumbX(), 0);
    release({ -300, 80 }); // the release outside still ends the drag
    EXPECT_FALSE(bar->fields().IsDragging);
    EXPECT_EQ(log.entries, (EventLog::List { "Scroll 1000", "Scroll 0", "Change 0" }));
}

TEST_F(ScrollBarInputTest, dragPositionRoundsToTheNearestValue)
{
    exampleBar();
    bar->setValue(4); // thumb edge at 7.02 twips, painted from pixel 0
    ASSERT_DOUBLE_EQ(thumbX(), 7.02);
    log.entries.clear();
    press({ 5, 10 }); // 75 twips into the thumb
    move({ 63, 10 }); // 7.02 + 945 - 75 = 877.02 -> 877 -> 499.7 -> 500
    EXPECT_DOUBLE_EQ(thumbX(), 877);
    EXPECT_EQ(bar->Value(), 500);
    EXPECT_EQ(bar->fields().LastDragPos, 877);
    release({ 63, 10 });
    EXPECT_EQ(log.entries, (EventLog::List { "Scroll 500", "Change 500" }));
}

TEST_F(ScrollBarInputTest, firstMoveAfterAPressSnapsTheValueToTheThumbPosition)
{
    exampleBar();
    bar->setMax(100000);
    bar->setValue(50001); // thumb edge at 877.5175 twips, painted from pixel 59
    log.entries.clear();
    press({ 60, 10 });
    move({ 60, 10 }); // no motion, but the stored pointer position differs from the edge
    EXPECT_DOUBLE_EQ(thumbX(), 878);
    EXPECT_EQ(bar->Value(), 50028); // 878 / 1755 * 100000 = 50028.49
    release({ 60, 10 });
    EXPECT_EQ(log.entries, (EventLog::List { "Scroll 50028", "Change 50028" }));
}

TEST_F(ScrollBarInputTest, verticalDragUsesTheArrowsAsTrackEnds)
{
    makeBar(QSize(21, 136)); // vertical, arrows shown: track 240 .. 2040 - 240 - 315
    ASSERT_EQ(bar->Orientation(), 1);
    bar->setMax(1000);
    ASSERT_DOUBLE_EQ(thumbY(), 240);
    log.entries.clear();
    press({ 10, 20 }); // 4 px into the thumb
    EXPECT_EQ(bar->fields().GrabOffsetY, 60);
    move({ 10, 20 + 83 }); // edge to 240 + 1245 = 1485: the end
    EXPECT_DOUBLE_EQ(thumbY(), 1485);
    EXPECT_EQ(bar->Value(), 1000);
    move({ 10, 20 + 40 }); // 240 + 600 = 840 -> 600 / 1245 * 1000 = 481.9
    EXPECT_DOUBLE_EQ(thumbY(), 840);
    EXPECT_EQ(bar->Value(), 482);
    move({ 300, 20 + 40 }); // sideways: x plays no part
    release({ 300, 60 });
    EXPECT_EQ(log.entries, (EventLog::List { "Scroll 1000", "Scroll 482", "Change 482" }));
}

TEST_F(ScrollBarInputTest, pressAndReleaseWithoutAMoveRaisesNothing)
{
    exampleBar();
    press({ 5, 10 });
    move({ 30, 10 });
    release({ 30, 10 });
    ASSERT_EQ(log.entries.size(), 2u);
    // A later press-and-release on the thumb is a new drag that never moved.
    const QRect thumb = bar->partPixelRect(Part::Thumb);
    click(thumb.center());
    EXPECT_FALSE(bar->fields().DragMoved);
    EXPECT_EQ(log.entries.size(), 2u);
}

TEST_F(ScrollBarInputTest, anyButtonDragsTheThumb)
{
    exampleBar();
    press({ 5, 10 }, Qt::RightButton);
    move({ 20, 10 });
    release({ 20, 10 }, Qt::RightButton);
    EXPECT_EQ(log.entries, (EventLog::List { "Scroll 128", "Change 128" }));
}

TEST_F(ScrollBarInputTest, movingOverTheThumbWithoutAButtonChangesNothing)
{
    exampleBar();
    bar->setMouseTracking(true); // even when moves without a button are delivered
    bar->setValue(500);
    log.entries.clear();
    for (int x = 50; x < 80; x += 3)
        move({ x, 10 });
    EXPECT_DOUBLE_EQ(thumbX(), 877.5);
    EXPECT_EQ(bar->Value(), 500);
    EXPECT_TRUE(log.entries.empty());
}

// --- Track -------------------------------------------------------------------------------

TEST_F(ScrollBarInputTest, trackPressPagesByLargeChangeAndRaisesOnlyChange)
{
    exampleBar();
    bar->setPictureThumb(solid(19, 10)); // leaves track rows above and below the thumb
    bar->setLargeChange(100);
    bar->setValue(990);
    ASSERT_TRUE(bar->partRect(Part::Thumb).y() > 15);
    log.entries.clear();
    press({ 130, 1 }); // right of the thumb's leading edge
    release({ 130, 1 });
    EXPECT_EQ(bar->Value(), 1000);
    press({ 130, 1 }, Qt::RightButton); // again: clamped, Change raised all the same
    release({ 130, 1 }, Qt::RightButton);
    EXPECT_EQ(bar->Value(), 1000);
    EXPECT_EQ(log.entries, (EventLog::List { "Change 1000", "Change 1000" }));

    // Exactly at the leading edge (1755 twips = pixel 117) the step is subtracted.
    press({ 117, 1 });
    release({ 117, 1 });
    EXPECT_EQ(bar->Value(), 900);
    press({ 2, 20 });
    release({ 2, 20 });
    EXPECT_EQ(bar->Value(), 800);
    EXPECT_DOUBLE_EQ(thumbX(), 0.8 * 1755);
    EXPECT_EQ(log.entries.size(), 4u);
}

TEST_F(ScrollBarInputTest, verticalTrackPressComparesY)
{
    makeBar(QSize(21, 136));
    bar->setMax(1000);
    bar->setValue(500); // thumb from 240 + 622.5 = 862.5 twips (pixel 58)
    log.entries.clear();
    click({ 10, 100 });
    EXPECT_EQ(bar->Value(), 510);
    click({ 10, 20 });
    EXPECT_EQ(bar->Value(), 500);
    EXPECT_EQ(log.entries, (EventLog::List { "Change 510", "Change 500" }));
}

TEST_F(ScrollBarInputTest, OnlyTrackPressesAndArrowsAreUserSteps)
{
    makeBar(QSize(136, 21));
    bar->setMax(1000);
    QObject::connect(bar, &dtVisualScrollBar::UserStep,
        [this] { log.entries.push_back("UserStep " + std::to_string(bar->Value())); });
    bar->setValue(500); // the code's own writes are no steps
    log.entries.clear();
    click({ 128, 10 }); // right arrow
    click({ 30, 10 }); // track left of the thumb
    bar->setValue(200);
    EXPECT_EQ(log.entries,
        (EventLog::List {
            "Change 501", "UserStep 501", "Change 491", "UserStep 491", "Change 200" }));
}

// --- Arrows -----------------------------------------------------------------------------

TEST_F(ScrollBarInputTest, arrowClicksStepBySmallChangeAndRaiseOnlyChange)
{
    makeBar(QSize(136, 21)); // built-in arrows: left 0..15 px, right 120..135 px
    bar->setMax(1000);
    bar->setSmallChange(25);
    log.entries.clear();
    click({ 8, 10 }); // left arrow at Min
    EXPECT_EQ(bar->Value(), 0);
    click({ 128, 10 });
    click({ 128, 10 });
    EXPECT_EQ(bar->Value(), 50);
    click({ 3, 3 });
    EXPECT_EQ(bar->Value(), 25);
    EXPECT_EQ(log.entries, (EventLog::List { "Change 0", "Change 25", "Change 50", "Change 25" }));
}

TEST_F(ScrollBarInputTest, arrowClickNeedsPressAndReleaseOverTheSameArrow)
{
    makeBar(QSize(136, 21));
    bar->setMax(1000);
    bar->setValue(500);
    log.entries.clear();
    press({ 128, 10 });
    release({ 60, 10 }); // released over the track
    press({ 128, 10 });
    move({ 300, 10 });
    release({ 300, 10 }); // released outside the control
    press({ 30, 2 }); // pressed on the track left of the thumb ...
    release({ 128, 10 }); // ... released over an arrow: one page step only
    EXPECT_EQ(log.entries, (EventLog::List { "Change 490" }));
    EXPECT_EQ(bar->Value(), 490);
}

TEST_F(ScrollBarInputTest, verticalArrowsStepUpAndDown)
{
    makeBar(QSize(21, 136)); // up 0..15 px, down 120..135 px
    bar->setMax(10);
    bar->setValue(10);
    log.entries.clear();
    click({ 10, 128 });
    EXPECT_EQ(bar->Value(), 10);
    click({ 10, 5 });
    EXPECT_EQ(bar->Value(), 9);
    EXPECT_EQ(log.entries, (EventLog::List { "Change 10", "Change 9" }));
}

TEST_F(ScrollBarInputTest, stepsNearTheInt32EndsDoNotWrap)
{
    makeBar(QSize(136, 21));
    bar->setMax(kIntMax);
    bar->setSmallChange(32767);
    bar->setLargeChange(32767);
    bar->setValue(kIntMax);
    click({ 128, 10 }); // right arrow
    EXPECT_EQ(bar->Value(), kIntMax);
    bar->setValue(kIntMax - 5);
    click({ 128, 10 });
    EXPECT_EQ(bar->Value(), kIntMax);

    bar->setMin(-1); // not accepted: span too wide
    EXPECT_EQ(bar->Min(), 0);
    bar->setMax(10);
    bar->setMin(kIntMin); // not accepted either
    EXPECT_EQ(bar->Min(), 0);
    bar->setMin(-100);
    bar->setMax(-1);
    bar->setMin(kIntMin);
    ASSERT_EQ(bar->Min(), kIntMin);
    bar->setValue(kIntMin);
    click({ 8, 10 }); // left arrow
    EXPECT_EQ(bar->Value(), kIntMin);
    bar->setValue(kIntMin + 3);
    click({ 8, 10 });
    EXPECT_EQ(bar->Value(), kIntMin);

    // Saved steps are not range-checked; a track press still cannot wrap.
    PropertyBag bag;
    bag.set("Orientation", "0");
    bag.set("ThumbAlignment", "4");
    bag.set("ButtonsVisible", "false");
    bag.set("Min", "-2147483648");
    bag.set("Value", "2147483647");
    bag.set("LargeChange", "2147483647");
    bar->ReadProperties(bag);
    bar->setPictureThumb(solid(5, 5)); // pixel rows 8..12: row 1 is always track
    bar->setValue(kIntMax);
    click({ 0, 1 }); // at or left of the thumb's edge: minus the step
    EXPECT_EQ(bar->Value(), 0);
    click({ 0, 1 });
    EXPECT_EQ(bar->Value(), -2147483647);
    click({ 0, 1 });
    EXPECT_EQ(bar->Value(), kIntMin);
}

// --- Enabled ------------------------------------------------------------------------------

TEST_F(ScrollBarInputTest, disabledControlIgnoresThePointerButNotCode)
{
    makeBar(QSize(136, 21));
    bar->setMax(1000);
    bar->setValue(500);
    QSignalSpy notified(bar, &dtVisualScrollBar::propertyChanged);
    bar->setEnabled(false);
    EXPECT_FALSE(bar->Enabled());
    ASSERT_EQ(notified.count(), 1);
    EXPECT_EQ(notified.at(0).at(0).toString(), QStringLiteral("Enabled"));
    log.entries.clear();

    const QRect thumb = bar->partPixelRect(Part::Thumb);
    press(thumb.center());
    move(thumb.center() + QPoint(30, 0));
    release(thumb.center() + QPoint(30, 0));
    click({ 8, 10 });
    click({ 128, 10 });
    click({ 30, 10 });
    EXPECT_EQ(bar->Value(), 500);
    EXPECT_FALSE(bar->fields().IsDragging);
    EXPECT_TRUE(log.entries.empty());

    bar->setValue(7);
    EXPECT_EQ(log.entries, (EventLog::List { "Change 7" }));

    bar->setEnabled(true);
    click({ 128, 10 });
    EXPECT_EQ(bar->Value(), 8);
}

TEST_F(ScrollBarInputTest, disablingDuringADragEndsItWithoutEvents)
{
    exampleBar();
    press({ 5, 10 });
    move({ 20, 10 });
    bar->setEnabled(false);
    EXPECT_FALSE(bar->fields().IsDragging);
    bar->setEnabled(true);
    move({ 60, 10 }); // the button is still reported held, but the drag is over
    release({ 60, 10 });
    EXPECT_EQ(log.entries, (EventLog::List { "Scroll 128" }));
    EXPECT_DOUBLE_EQ(thumbX(), 225);
}

// --- Tracks the rules never produce -----------------------------------------------------------

TEST_F(ScrollBarInputTest, trackWithoutTravelDragsToMinWithoutDividingByZero)
{
    makeBar(QSize(136, 21));
    bar->setButtonsVisible(false);
    bar->setPictureThumb(solid(136, 21)); // lo = hi = 0
    bar->setMax(1000);
    bar->setValue(600);
    log.entries.clear();
    press({ 50, 10 });
    move({ 70, 10 });
    move({ 10, 10 });
    release({ 10, 10 });
    EXPECT_EQ(bar->Value(), 0);
    EXPECT_DOUBLE_EQ(thumbX(), 0);
    EXPECT_EQ(log.entries, (EventLog::List { "Scroll 0", "Change 0" }));

    bar->setPictureThumb(solid(150, 21)); // hi < lo: the thumb stays at lo
    bar->setValue(1000);
    log.entries.clear();
    press({ 5, 10 });
    move({ 40, 10 });
    release({ 40, 10 });
    EXPECT_EQ(bar->Value(), 0);
    EXPECT_EQ(log.entries, (EventLog::List { "Scroll 0", "Change 0" }));
}

TEST_F(ScrollBarInputTest, savedEmptyOrInvertedRangeSurvivesDragsAndPresses)
{
    for (auto [min, max] : { std::pair { "5", "5" }, std::pair { "10", "-10" },
             std::pair { "-2147483648", "2147483647" } }) {
        SCOPED_TRACE(std::string(min) + ".." + max);
        makeBar(QSize(136, 21));
        PropertyBag bag;
        bag.set("Orientation", "0");
        bag.set("ThumbAlignment", "4");
        bag.set("ButtonsVisible", "false");
        bag.set("Min", min);
        bag.set("Max", max);
        bar->ReadProperties(bag);
        bar->setPictureThumb(solid(19, 21));
        bar->setValue(bar->Min());
        const QRect t = bar->partPixelRect(Part::Thumb);
        ASSERT_TRUE(bar->rect().contains(t.center()));
        press(t.center());
        move(t.center() + QPoint(40, 0));
        move(t.center() + QPoint(500, 0));
        release(t.center() + QPoint(500, 0));
        EXPECT_EQ(bar->Value(), bar->Max()); // the track's end maps to Max
        click({ 3, 10 });
        click({ 130, 2 });
        (void)bar->grab();
    }
}
