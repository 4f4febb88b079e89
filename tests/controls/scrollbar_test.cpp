// dtVisualScrollBar: value rules, properties, layout, painting and persistence.
#include "controls/scrollbar/dtvisualscrollbar.h"
#include "runtime/propertybag.h"

#include <QImage>
#include <QSignalSpy>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <tuple>

using veltrin::FormFile;
using veltrin::Picture;
using veltrin::PictureRef;
using veltrin::PropertyBag;
using Part = dtVisualScrollBar::Part;

namespace {

constexpr qint32 kIntMax = std::numeric_limits<qint32>::max();
constexpr qint32 kIntMin = std::numeric_limits<qint32>::min();

PictureRef solid(int w, int h, QColor colour = Qt::green)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return Picture::fromImage(image);
}

// A shown host window holding one slider, so resize events arrive at once.
class ScrollBarTest : public ::testing::Test {
protected:
    dtVisualScrollBar* makeBar(QSize pixels)
    {
        host = std::make_unique<QWidget>();
        host->resize(2400, 400);
        auto* bar = new dtVisualScrollBar(host.get());
        bar->setGeometry(QRect(QPoint(10, 10), pixels));
        host->show();
        return bar;
    }

    // Horizontal, arrows hidden, SW = 2040 twips, thumb 285 twips wide.
    dtVisualScrollBar* exampleBar()
    {
        auto* bar = makeBar(QSize(136, 21));
        bar->setButtonsVisible(false);
        bar->setPictureThumb(solid(19, 21));
        bar->setMax(1000);
        return bar;
    }

    // A loaded slider (no first-layout shaping) of the given pixel size.
    dtVisualScrollBar* loadedBar(const PropertyBag& bag, QSize pixels)
    {
        host = std::make_unique<QWidget>();
        host->resize(2400, 400);
        auto* bar = new dtVisualScrollBar(host.get());
        bar->ReadProperties(bag);
        bar->setGeometry(QRect(QPoint(10, 10), pixels));
        host->show();
        return bar;
    }

    std::unique_ptr<QWidget> host;
};

PropertyBag bagOf(std::initializer_list<std::pair<const char*, const char*>> items)
{
    PropertyBag bag;
    for (const auto& [k, v] : items)
        bag.set(QString::fromLatin1(k), QString::fromLatin1(v));
    return bag;
}

QStringList keysOf(const PropertyBag& bag)
{
    QStringList keys;
    for (const auto& item : bag.items())
        keys << item.first;
    return keys;
}

} // namespace

// --- New control ---------------------------------------------------------------

TEST_F(ScrollBarTest, newControlHasDocumentedDefaultsAndBuiltInArt)
{
    dtVisualScrollBar bar;
    const auto& f = bar.fields();
    EXPECT_EQ(f.Value, 0);
    EXPECT_EQ(f.Min, 0);
    EXPECT_EQ(f.Max, 32767);
    EXPECT_EQ(f.SmallChange, 1);
    EXPECT_EQ(f.LargeChange, 10);
    EXPECT_TRUE(f.ButtonsVisible);
    EXPECT_FALSE(f.AutoSize);
    EXPECT_TRUE(f.FirstLayoutPending);
    EXPECT_FALSE(f.IsDragging);
    EXPECT_FALSE(f.DragMoved);
    EXPECT_EQ(bar.BackColor(), 0xC0C0C0u);
    EXPECT_TRUE(bar.Enabled());
    EXPECT_TRUE(bar.backgroundSizesToPicture());
    EXPECT_EQ(bar.PictureBackground(), nullptr);

    auto expectArt = [&](Part p, const PictureRef& pic, int w, int h, quint32 colour) {
        ASSERT_TRUE(pic);
        EXPECT_EQ(pic->width(), w);
        EXPECT_EQ(pic->height(), h);
        EXPECT_EQ(bar.partRect(p), QRectF(bar.partRect(p).topLeft(), QSizeF(w * 15.0, h * 15.0)));
        EXPECT_EQ(bar.part(p).colour, colour);
    };
    expectArt(Part::Thumb, bar.PictureThumb(), 21, 21, 0x000000);
    expectArt(Part::Up, bar.PictureUp(), 21, 16, 0x808080);
    expectArt(Part::Down, bar.PictureDown(), 21, 16, 0x808080);
    expectArt(Part::Left, bar.PictureLeft(), 16, 21, 0xFF8080);
    expectArt(Part::Right, bar.PictureRight(), 16, 21, 0xFF8080);
}

TEST_F(ScrollBarTest, firstLayoutOfAWideControlMakesItHorizontal)
{
    // 4005 x 300 twips (267 x 20 pixels).
    auto* bar = makeBar(QSize(267, 20));
    EXPECT_FALSE(bar->fields().FirstLayoutPending);
    EXPECT_EQ(bar->Orientation(), 0);
    EXPECT_EQ(bar->ThumbAlignment(), 4);
    EXPECT_EQ(bar->height(), 21); // 315 twips
    EXPECT_EQ(bar->width(), 267); // the host's length is kept
    EXPECT_TRUE(bar->partVisible(Part::Left));
    EXPECT_TRUE(bar->partVisible(Part::Right));
    EXPECT_FALSE(bar->partVisible(Part::Up));
    EXPECT_FALSE(bar->partVisible(Part::Down));
    EXPECT_TRUE(bar->partVisible(Part::Thumb));
    EXPECT_EQ(bar->partRect(Part::Background), QRectF(0, 0, 4005, 315));
}

TEST_F(ScrollBarTest, firstLayoutOfASquareControlMakesItVertical)
{
    auto* bar = makeBar(QSize(20, 20)); // 300 x 300 twips
    EXPECT_EQ(bar->Orientation(), 1);
    EXPECT_EQ(bar->ThumbAlignment(), 1);
    EXPECT_EQ(bar->width(), 21);
    EXPECT_EQ(bar->height(), 20);
    EXPECT_TRUE(bar->partVisible(Part::Up));
    EXPECT_TRUE(bar->partVisible(Part::Down));
    EXPECT_FALSE(bar->partVisible(Part::Left));
}

// --- Value, Min, Max ---------------------------------------------------------------

TEST_F(ScrollBarTest, valueIsClampedAndEveryAssignmentRaisesChange)
{
    dtVisualScrollBar bar;
    bar.setMax(100);
    QSignalSpy change(&bar, &dtVisualScrollBar::Change);
    QSignalSpy scroll(&bar, &dtVisualScrollBar::Scroll);
    QSignalSpy notified(&bar, &dtVisualScrollBar::propertyChanged);

    bar.setValue(101);
    EXPECT_EQ(bar.Value(), 100);
    EXPECT_EQ(change.count(), 1);
    bar.setValue(100);
    EXPECT_EQ(change.count(), 2);
    bar.setValue(-7);
    EXPECT_EQ(bar.Value(), 0);
    bar.setValue(42);
    EXPECT_EQ(bar.Value(), 42);
    EXPECT_EQ(change.count(), 4);
    EXPECT_EQ(scroll.count(), 0);
    ASSERT_EQ(notified.count(), 4);
    EXPECT_EQ(notified.at(0).at(0).toString(), QStringLiteral("Value"));
}

TEST_F(ScrollBarTest, minAndMaxThatBreakTheRangeAreIgnoredSilently)
{
    dtVisualScrollBar bar;
    bar.setMax(100);
    bar.setValue(30);
    QSignalSpy change(&bar, &dtVisualScrollBar::Change);
    QSignalSpy notified(&bar, &dtVisualScrollBar::propertyChanged);

    bar.setMax(0);
    bar.setMax(-5);
    bar.setMin(100);
    bar.setMin(150);
    EXPECT_EQ(bar.Min(), 0);
    EXPECT_EQ(bar.Max(), 100);
    EXPECT_EQ(bar.Value(), 30);
    EXPECT_EQ(change.count(), 0);
    EXPECT_EQ(notified.count(), 0);
}

TEST_F(ScrollBarTest, acceptedMaxReappliesValueWithOneChange)
{
    dtVisualScrollBar bar;
    bar.setMax(100);
    bar.setValue(80);
    QSignalSpy change(&bar, &dtVisualScrollBar::Change);
    QSignalSpy notified(&bar, &dtVisualScrollBar::propertyChanged);
    bar.setMax(50);
    EXPECT_EQ(bar.Max(), 50);
    EXPECT_EQ(bar.Value(), 50);
    EXPECT_EQ(change.count(), 1);
    ASSERT_EQ(notified.count(), 2);
    EXPECT_EQ(notified.at(0).at(0).toString(), QStringLiteral("Value"));
    EXPECT_EQ(notified.at(1).at(0).toString(), QStringLiteral("Max"));

    bar.setMin(60 - 100); // Min -40
    EXPECT_EQ(bar.Min(), -40);
    bar.setMin(45);
    EXPECT_EQ(bar.Value(), 50);
    bar.setMax(46);
    EXPECT_EQ(bar.Value(), 46);
}

TEST_F(ScrollBarTest, spanMayNotExceedInt32Max)
{
    dtVisualScrollBar bar;
    bar.setMax(kIntMax);
    EXPECT_EQ(bar.Max(), kIntMax); // span exactly 2147483647
    QSignalSpy change(&bar, &dtVisualScrollBar::Change);
    bar.setMin(-1);
    EXPECT_EQ(bar.Min(), 0);
    EXPECT_EQ(change.count(), 0);
    bar.setMin(0);
    EXPECT_EQ(bar.Min(), 0);
    EXPECT_EQ(change.count(), 1);

    dtVisualScrollBar low;
    low.setMin(-100);
    low.setMax(-1);
    low.setMin(kIntMin); // span 2147483647
    EXPECT_EQ(low.Min(), kIntMin);
    low.setMax(0); // span would be 2147483648
    EXPECT_EQ(low.Max(), -1);
}

TEST_F(ScrollBarTest, stepSizesOutsideTheirRangeAreStoredAsOne)
{
    dtVisualScrollBar bar;
    QSignalSpy notified(&bar, &dtVisualScrollBar::propertyChanged);
    for (qint32 v : { 0, -3, 40000, kIntMin, kIntMax }) {
        bar.setSmallChange(v);
        EXPECT_EQ(bar.SmallChange(), 1) << v;
        bar.setLargeChange(v);
        EXPECT_EQ(bar.LargeChange(), 1) << v;
    }
    bar.setLargeChange(32767);
    EXPECT_EQ(bar.LargeChange(), 32767);
    bar.setSmallChange(1);
    EXPECT_EQ(bar.SmallChange(), 1);
    bar.setSmallChange(250);
    EXPECT_EQ(bar.SmallChange(), 250);
    EXPECT_EQ(notified.count(), 13);
    EXPECT_EQ(notified.last().at(0).toString(), QStringLiteral("SmallChange"));
}

// --- Orientation, alignment, notification ------------------------------------------------

TEST_F(ScrollBarTest, orientationAndAlignmentAreRemappedToTheOrientationsSet)
{
    auto* bar = makeBar(QSize(136, 21));
    ASSERT_EQ(bar->ThumbAlignment(), 4);
    bar->setOrientation(1);
    EXPECT_EQ(bar->ThumbAlignment(), 1);
    EXPECT_TRUE(bar->partVisible(Part::Up));
    EXPECT_TRUE(bar->partVisible(Part::Down));
    EXPECT_FALSE(bar->partVisible(Part::Left));
    EXPECT_FALSE(bar->partVisible(Part::Right));
    bar->setThumbAlignment(5);
    EXPECT_EQ(bar->ThumbAlignment(), 2);
    bar->setThumbAlignment(0);
    EXPECT_EQ(bar->ThumbAlignment(), 0);
    bar->setOrientation(0);
    EXPECT_EQ(bar->ThumbAlignment(), 3);
    EXPECT_TRUE(bar->partVisible(Part::Left));
    EXPECT_FALSE(bar->partVisible(Part::Up));
    bar->setThumbAlignment(1);
    EXPECT_EQ(bar->ThumbAlignment(), 4);
    bar->setThumbAlignment(9); // outside every set: stored unchanged
    EXPECT_EQ(bar->ThumbAlignment(), 9);
    bar->setOrientation(2); // any nonzero value maps into the vertical set
    bar->setThumbAlignment(5);
    EXPECT_EQ(bar->ThumbAlignment(), 2);
}

TEST_F(ScrollBarTest, hostIsToldOfEveryNotifyingPropertyAndOnlyThose)
{
    auto* bar = makeBar(QSize(136, 21));
    QSignalSpy notified(bar, &dtVisualScrollBar::propertyChanged);
    bar->setOrientation(0);
    bar->setThumbAlignment(4);
    bar->setBackColor(0x123456);
    EXPECT_EQ(notified.count(), 0);

    bar->setValue(3);
    bar->setMin(1);
    bar->setMax(500);
    bar->setSmallChange(2);
    bar->setLargeChange(20);
    bar->setAutoSize(false);
    bar->setButtonsVisible(true);
    bar->setEnabled(true);
    bar->setPictureBackground(nullptr);
    bar->setPictureThumb(bar->PictureThumb());
    bar->setPictureUp(bar->PictureUp());
    bar->setPictureDown(bar->PictureDown());
    bar->setPictureLeft(bar->PictureLeft());
    bar->setPictureRight(bar->PictureRight());
    QStringList names;
    for (const auto& args : notified)
        names << args.at(0).toString();
    names.removeAll(QStringLiteral("Value"));
    EXPECT_EQ(names,
        (QStringList { "Min", "Max", "SmallChange", "LargeChange", "AutoSize", "ButtonsVisible",
            "Enabled", "PictureBackground", "PictureThumb", "PictureUp", "PictureDown",
            "PictureLeft", "PictureRight" }));
}

// --- Pictures ----------------------------------------------------------------------------

TEST_F(ScrollBarTest, pictureRulesForNoneEmptyAndRealPictures)
{
    auto* bar = makeBar(QSize(136, 21)); // SW 2040, SH 315
    const PictureRef builtinThumb = bar->PictureThumb();
    const QRectF thumbBefore = bar->partRect(Part::Thumb);

    bar->setPictureThumb(nullptr); // cleared, size kept
    EXPECT_EQ(bar->PictureThumb(), nullptr);
    EXPECT_EQ(bar->partRect(Part::Thumb).size(), thumbBefore.size());

    bar->setPictureThumb(builtinThumb);
    bar->setPictureThumb(Picture::empty()); // picture kept, square of min(SW, SH)
    EXPECT_EQ(bar->PictureThumb(), builtinThumb);
    EXPECT_EQ(bar->partRect(Part::Thumb).size(), QSizeF(315, 315));

    bar->setPictureThumb(solid(10, 12)); // takes the picture's size, not moved yet
    EXPECT_EQ(bar->partRect(Part::Thumb).size(), QSizeF(150, 180));
    EXPECT_EQ(bar->partRect(Part::Thumb).topLeft(), thumbBefore.topLeft());

    bar->setPictureLeft(nullptr); // no picture also zeroes the size
    EXPECT_EQ(bar->PictureLeft(), nullptr);
    EXPECT_EQ(bar->partRect(Part::Left).size(), QSizeF(0, 0));
    bar->setPictureDown(nullptr);
    EXPECT_EQ(bar->partRect(Part::Down).size(), QSizeF(0, 0));
    bar->setPictureRight(nullptr);
    EXPECT_EQ(bar->partRect(Part::Right).size(), QSizeF(240, 315));
    bar->setPictureRight(Picture::empty());
    EXPECT_EQ(bar->partRect(Part::Right).size(), QSizeF(315, 315));
    bar->setPictureUp(solid(8, 9));
    EXPECT_EQ(bar->partRect(Part::Up).size(), QSizeF(120, 135));
}

TEST_F(ScrollBarTest, backgroundPictureSizesTheControlOnce)
{
    auto* bar = makeBar(QSize(136, 21));
    bar->setPictureBackground(solid(200, 9));
    EXPECT_EQ(bar->size(), QSize(200, 9));
    EXPECT_EQ(bar->partRect(Part::Background), QRectF(0, 0, 3000, 135));
    // AutoSize is off: the host may resize afterwards.
    bar->resize(150, 9);
    EXPECT_EQ(bar->size(), QSize(150, 9));
    EXPECT_EQ(bar->partRect(Part::Background), QRectF(0, 0, 2250, 135));

    // An empty picture keeps the picture and sizes the part to the control.
    const PictureRef before = bar->PictureBackground();
    bar->setPictureBackground(Picture::empty());
    EXPECT_EQ(bar->PictureBackground(), before);
    EXPECT_EQ(bar->size(), QSize(150, 9));
    bar->setPictureBackground(nullptr);
    EXPECT_EQ(bar->PictureBackground(), nullptr);
    EXPECT_EQ(bar->size(), QSize(150, 9));
}

TEST_F(ScrollBarTest, autoSizeHoldsTheControlAtTheBackgroundPictureSize)
{
    auto* bar = makeBar(QSize(136, 21));
    bar->setPictureBackground(solid(2048, 7));
    bar->setAutoSize(true);
    EXPECT_TRUE(bar->AutoSize());
    bar->resize(300, 40);
    EXPECT_EQ(bar->size(), QSize(2048, 7));
    EXPECT_DOUBLE_EQ(bar->innerWidthTw(), 30720);
    EXPECT_DOUBLE_EQ(bar->innerHeightTw(), 105);
    bar->setGeometry(0, 0, 10, 10);
    EXPECT_EQ(bar->size(), QSize(2048, 7));

    bar->setAutoSize(false);
    EXPECT_FALSE(bar->backgroundSizesToPicture());
    bar->resize(300, 40);
    EXPECT_EQ(bar->size(), QSize(300, 40));
    // With the switch off a new background picture keeps the part's size.
    bar->setPictureBackground(solid(50, 5));
    EXPECT_EQ(bar->size(), QSize(300, 40));
}

// --- Layout ----------------------------------------------------------------------------

TEST_F(ScrollBarTest, thumbSitsAtStartEndAndMidpointOfTheTrack)
{
    auto* bar = exampleBar();
    EXPECT_DOUBLE_EQ(bar->innerWidthTw(), 2040);
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Thumb).width(), 285);
    bar->setValue(0);
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Thumb).x(), 0);
    bar->setValue(1000);
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Thumb).x(), 1755);
    bar->setValue(500);
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Thumb).x(), 877.5);
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Thumb).y(), 0); // (315 - 315) / 2

    // A range starting below zero places by Value - Min.
    bar->setMin(-1000);
    bar->setValue(0);
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Thumb).x(), 877.5);
}

TEST_F(ScrollBarTest, shownArrowsBoundTheTrack)
{
    auto* bar = makeBar(QSize(136, 21)); // built-in arrows 240 twips wide
    bar->setMax(1000);
    EXPECT_EQ(bar->partRect(Part::Left), QRectF(0, 0, 240, 315));
    EXPECT_EQ(bar->partRect(Part::Right), QRectF(2040 - 240, 0, 240, 315));
    bar->setValue(0);
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Thumb).x(), 240);
    bar->setValue(1000);
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Thumb).x(), 2040 - 240 - 315);
}

TEST_F(ScrollBarTest, hiddenArrowsAreParkedOutsideTheControl)
{
    auto* bar = exampleBar();
    EXPECT_EQ(bar->partRect(Part::Left), QRectF(-240, 0, 240, 315));
    EXPECT_EQ(bar->partRect(Part::Right), QRectF(2040, 0, 240, 315));
    EXPECT_FALSE(bar->partVisible(Part::Left));
    EXPECT_FALSE(bar->partVisible(Part::Right));
    // Nothing of them is painted: the edge columns show the track colour.
    bar->setBackColor(0x0000FF); // red
    bar->setValue(500);
    const QImage image = bar->grab().toImage();
    EXPECT_EQ(image.pixelColor(0, 10), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(135, 10), QColor(255, 0, 0));

    bar->setOrientation(1); // vertical, alignment 1, arrows parked above and below
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Up).y(), -240);
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Down).y(), 315);
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Up).x(), dtVisualScrollBar::centreOffset(2040 - 315));
}

TEST_F(ScrollBarTest, centringAcrossVerticalBarsRoundsAndTruncates)
{
    EXPECT_EQ(dtVisualScrollBar::centreOffset(75), 37);
    EXPECT_EQ(dtVisualScrollBar::centreOffset(-75), -37);
    EXPECT_EQ(dtVisualScrollBar::centreOffset(74.5), 37); // 74 even
    EXPECT_EQ(dtVisualScrollBar::centreOffset(75.5), 38); // 76 even
    EXPECT_EQ(dtVisualScrollBar::centreOffset(0), 0);

    auto* bar = makeBar(QSize(20, 136)); // vertical, width 315
    ASSERT_EQ(bar->Orientation(), 1);
    ASSERT_EQ(bar->ThumbAlignment(), 1);
    bar->setPictureThumb(solid(16, 16)); // 240 wide
    bar->setValue(0);
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Thumb).x(), 37);
    bar->setPictureUp(solid(16, 16));
    bar->setThumbAlignment(1);
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Up).x(), 37);
    bar->setThumbAlignment(2);
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Thumb).x(), 75);
    bar->setThumbAlignment(0);
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Thumb).x(), 0);
}

TEST_F(ScrollBarTest, centringAcrossHorizontalBarsIsExact)
{
    auto* bar = makeBar(QSize(136, 20)); // horizontal, height 315
    bar->setPictureThumb(solid(16, 16)); // 240 high
    bar->setValue(0);
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Thumb).y(), 37.5);
    bar->setThumbAlignment(5);
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Thumb).y(), 75);
    bar->setThumbAlignment(3);
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Thumb).y(), 0);
}

TEST_F(ScrollBarTest, thumbLongerThanTheTrackMovesAgainstTheAxis)
{
    auto* bar = makeBar(QSize(136, 21));
    bar->setButtonsVisible(false);
    bar->setPictureThumb(solid(150, 21)); // 2250 > 2040
    bar->setMax(10);
    bar->setValue(0);
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Thumb).x(), 0);
    bar->setValue(10);
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Thumb).x(), -210);
    bar->setValue(5);
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Thumb).x(), -105);
}

TEST_F(ScrollBarTest, foreignAlignmentLeavesArrowsAndThumbWhereTheyWere)
{
    // Only saved data can give a vertical bar a horizontal alignment.
    const auto bag = bagOf({ { "Orientation", "1" }, { "ThumbAlignment", "3" }, { "Max", "100" } });
    auto* bar = loadedBar(bag, QSize(21, 136));
    const QRectF thumb = bar->partRect(Part::Thumb);
    const QRectF up = bar->partRect(Part::Up);
    const QRectF down = bar->partRect(Part::Down);
    bar->resize(30, 200);
    EXPECT_EQ(bar->partRect(Part::Background), QRectF(0, 0, 450, 3000));
    EXPECT_EQ(bar->partRect(Part::Up), up);
    EXPECT_EQ(bar->partRect(Part::Down), down);
    EXPECT_EQ(bar->partRect(Part::Thumb), thumb);
    // Value still moves the thumb along the axis; nothing is set across it.
    bar->setValue(100);
    EXPECT_EQ(bar->partRect(Part::Thumb).x(), thumb.x());
    EXPECT_NE(bar->partRect(Part::Thumb).y(), thumb.y());
}

TEST_F(ScrollBarTest, buttonsVisibleShowsOnlyThePairOfTheOrientation)
{
    auto* bar = makeBar(QSize(136, 21));
    QSignalSpy notified(bar, &dtVisualScrollBar::propertyChanged);
    bar->setButtonsVisible(false);
    for (Part p : { Part::Up, Part::Down, Part::Left, Part::Right })
        EXPECT_FALSE(bar->partVisible(p));
    bar->setButtonsVisible(true);
    EXPECT_TRUE(bar->partVisible(Part::Left));
    EXPECT_TRUE(bar->partVisible(Part::Right));
    EXPECT_FALSE(bar->partVisible(Part::Up));
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Left).x(), 0);
    ASSERT_EQ(notified.count(), 2);
    EXPECT_EQ(notified.at(0).at(0).toString(), QStringLiteral("ButtonsVisible"));
}

TEST_F(ScrollBarTest, paintsPicturesOverPartColoursInPixels)
{
    auto* bar = exampleBar();
    bar->setBackColor(0x00FF00); // green track
    bar->setPictureThumb(solid(19, 21, QColor(0, 0, 255)));
    bar->setValue(0);
    QImage image = bar->grab().toImage();
    EXPECT_EQ(image.pixelColor(5, 10), QColor(0, 0, 255));
    EXPECT_EQ(image.pixelColor(19, 10), QColor(0, 255, 0));
    bar->setValue(1000); // 1755 twips = pixel 117
    image = bar->grab().toImage();
    EXPECT_EQ(image.pixelColor(116, 10), QColor(0, 255, 0));
    EXPECT_EQ(image.pixelColor(117, 10), QColor(0, 0, 255));
    EXPECT_EQ(bar->partPixelRect(Part::Thumb), QRect(117, 0, 19, 21));

    // A part without a picture shows its own colour (the thumb is black).
    bar->setPictureThumb(nullptr);
    image = bar->grab().toImage();
    EXPECT_EQ(image.pixelColor(120, 10), QColor(0, 0, 0));

    // A picture smaller than its part is drawn unscaled over the part's colour.
    bar->setPictureBackground(Picture::empty());
    bar->setPictureBackground(solid(10, 3, QColor(255, 255, 0)));
    bar->resize(136, 21);
    image = bar->grab().toImage();
    EXPECT_EQ(image.pixelColor(2, 1), QColor(255, 255, 0));
    EXPECT_EQ(image.pixelColor(2, 5), QColor(0, 255, 0));
    EXPECT_EQ(image.pixelColor(50, 1), QColor(0, 255, 0));
}

TEST_F(ScrollBarTest, systemBackColourIsResolvedWhenPainting)
{
    auto* bar = exampleBar();
    QPalette pal = bar->palette();
    pal.setColor(QPalette::Button, QColor(1, 2, 3));
    bar->setPalette(pal);
    bar->setBackColor(0x8000000F); // button face
    EXPECT_EQ(bar->BackColor(), 0x8000000Fu);
    const QImage image = bar->grab().toImage();
    EXPECT_EQ(image.pixelColor(100, 10), QColor(1, 2, 3));
}

// --- Persistence --------------------------------------------------------------------------

TEST_F(ScrollBarTest, emptyBagLoadsDefaultsAndSavesNothing)
{
    dtVisualScrollBar bar;
    QSignalSpy change(&bar, &dtVisualScrollBar::Change);
    QSignalSpy notified(&bar, &dtVisualScrollBar::propertyChanged);
    bar.ReadProperties(PropertyBag {});
    EXPECT_EQ(change.count(), 0);
    EXPECT_EQ(notified.count(), 0);
    EXPECT_EQ(bar.Max(), kIntMax);
    EXPECT_EQ(bar.Min(), 0);
    EXPECT_EQ(bar.Orientation(), 1);
    EXPECT_EQ(bar.ThumbAlignment(), 0);
    EXPECT_EQ(bar.BackColor(), 0xE0E0E0u);
    EXPECT_EQ(bar.SmallChange(), 1);
    EXPECT_EQ(bar.LargeChange(), 10);
    EXPECT_TRUE(bar.ButtonsVisible());
    EXPECT_FALSE(bar.AutoSize());
    EXPECT_TRUE(bar.Enabled());
    EXPECT_FALSE(bar.fields().FirstLayoutPending);
    // Missing pictures are none: the thumb keeps its size, down and left lose theirs.
    EXPECT_EQ(bar.PictureThumb(), nullptr);
    EXPECT_EQ(bar.partRect(Part::Thumb).size(), QSizeF(315, 315));
    EXPECT_EQ(bar.partRect(Part::Down).size(), QSizeF(0, 0));
    EXPECT_EQ(bar.partRect(Part::Left).size(), QSizeF(0, 0));
    EXPECT_EQ(bar.partRect(Part::Up).size(), QSizeF(315, 240));

    PropertyBag out;
    bar.WriteProperties(out);
    EXPECT_TRUE(out.isEmpty()) << keysOf(out).join(u',').toStdString();
}

TEST_F(ScrollBarTest, newControlSavesItsMaxAndOnlyNonDefaults)
{
    auto* bar = makeBar(QSize(136, 21));
    PropertyBag out;
    bar->WriteProperties(out);
    EXPECT_EQ(keysOf(out),
        (QStringList { "Orientation", "ThumbAlignment", "PictureUp", "PictureDown", "PictureRight",
            "PictureLeft", "PictureThumb", "Max", "BackColor" }));
    EXPECT_EQ(out.readLong("Max", 0), 32767);
    EXPECT_EQ(out.readLong("Orientation", 1), 0);
    EXPECT_EQ(out.readLong("ThumbAlignment", 0), 4);
    EXPECT_EQ(out.readLong("BackColor", 0), 0xC0C0C0);
    EXPECT_EQ(
        out.readString("PictureThumb", {}), QString::fromLatin1(dtVisualScrollBar::kBuiltinThumb));
}

TEST_F(ScrollBarTest, fullSaveFollowsTheDocumentedKeyOrder)
{
    auto* bar = makeBar(QSize(136, 21));
    const PictureRef bg = Picture::load(QStringLiteral(":/skin/slider-bg.png"));
    ASSERT_TRUE(bg);
    bar->setPictureBackground(bg);
    bar->setButtonsVisible(false);
    bar->setMin(-5);
    bar->setMax(90);
    bar->setValue(7);
    bar->setLargeChange(30);
    bar->setSmallChange(3);
    bar->setAutoSize(true);
    bar->setEnabled(false);
    PropertyBag out;
    bar->WriteProperties(out);
    EXPECT_EQ(keysOf(out),
        (QStringList { "ButtonsVisible", "Orientation", "ThumbAlignment", "PictureBackground",
            "PictureUp", "PictureDown", "PictureRight", "PictureLeft", "PictureThumb", "Min", "Max",
            "Value", "BackColor", "LargeChange", "SmallChange", "AutoSize", "Enabled" }));
}

TEST_F(ScrollBarTest, saveLoadRoundTripIsCaseInsensitive)
{
    auto* bar = makeBar(QSize(136, 21));
    bar->setButtonsVisible(false);
    bar->setPictureThumb(Picture::load(QStringLiteral(":/skin/slider-thumb.png")));
    bar->setMin(-300);
    bar->setMax(700);
    bar->setValue(123);
    bar->setLargeChange(55);
    bar->setSmallChange(5);
    bar->setBackColor(0x8000000F);
    bar->setThumbAlignment(5);
    PropertyBag saved;
    bar->WriteProperties(saved);

    // The same bag with every key's case scrambled.
    PropertyBag scrambled;
    bool upper = false;
    for (const auto& [key, value] : saved.items()) {
        scrambled.set(upper ? key.toUpper() : key.toLower(), value);
        upper = !upper;
    }
    dtVisualScrollBar copy;
    copy.ReadProperties(scrambled);
    EXPECT_EQ(copy.ButtonsVisible(), false);
    EXPECT_EQ(copy.Orientation(), 0);
    EXPECT_EQ(copy.ThumbAlignment(), 5);
    EXPECT_EQ(copy.Min(), -300);
    EXPECT_EQ(copy.Max(), 700);
    EXPECT_EQ(copy.Value(), 123);
    EXPECT_EQ(copy.LargeChange(), 55);
    EXPECT_EQ(copy.SmallChange(), 5);
    EXPECT_EQ(copy.BackColor(), 0x8000000Fu);
    ASSERT_TRUE(copy.PictureThumb());
    EXPECT_EQ(copy.PictureThumb()->path, QStringLiteral(":/skin/slider-thumb.png"));
    EXPECT_EQ(copy.partRect(Part::Thumb).size(), QSizeF(135, 105));
    ASSERT_TRUE(copy.PictureLeft());

    PropertyBag again;
    copy.WriteProperties(again);
    EXPECT_EQ(again.items(), saved.items());
}

TEST_F(ScrollBarTest, maxAtInt32MaxIsNotWrittenAndReloads)
{
    dtVisualScrollBar bar;
    bar.setMax(kIntMax);
    PropertyBag out;
    bar.WriteProperties(out);
    EXPECT_FALSE(out.contains("Max"));
    dtVisualScrollBar copy;
    copy.ReadProperties(out);
    EXPECT_EQ(copy.Max(), kIntMax);
}

TEST_F(ScrollBarTest, savedValuesAreStoredUncheckedUntilTheFirstAssignment)
{
    dtVisualScrollBar bar;
    bar.ReadProperties(bagOf({ { "max", "100" }, { "VALUE", "5000" }, { "SmallChange", "0" },
        { "LargeChange", "99999" }, { "AutoSize", "true" }, { "Enabled", "false" } }));
    EXPECT_EQ(bar.Value(), 5000);
    EXPECT_EQ(bar.SmallChange(), 0);
    EXPECT_EQ(bar.LargeChange(), 99999);
    EXPECT_TRUE(bar.AutoSize());
    EXPECT_FALSE(bar.Enabled());
    bar.setValue(bar.Value());
    EXPECT_EQ(bar.Value(), 100);
}

TEST_F(ScrollBarTest, loadedControlSkipsFirstLayoutShaping)
{
    // A square that a new control would turn vertical and 315 wide.
    auto* bar
        = loadedBar(bagOf({ { "Orientation", "0" }, { "ThumbAlignment", "4" } }), QSize(20, 20));
    EXPECT_EQ(bar->Orientation(), 0);
    EXPECT_EQ(bar->ThumbAlignment(), 4);
    EXPECT_EQ(bar->size(), QSize(20, 20));
}

TEST_F(ScrollBarTest, playerSlidersLoadTheirDesignTimeProperties)
{
    const FormFile form = FormFile::load(QStringLiteral(":/forms/playerfrm.form"));
    struct Expect {
        const char* name;
        int width;
        qint32 min, max, small, large;
    };
    for (const Expect& e :
        { Expect { "H1", 193, 0, 1000, 1, 10 }, Expect { "V1", 64, -5000, 0, 10, 100 },
            Expect { "H2", 56, -10000, 10000, 20, 100 } }) {
        SCOPED_TRACE(e.name);
        ASSERT_TRUE(form.hasControl(e.name));
        auto* bar = loadedBar(form.control(e.name), QSize(e.width, 7));
        EXPECT_EQ(bar->Min(), e.min);
        EXPECT_EQ(bar->Max(), e.max);
        EXPECT_EQ(bar->SmallChange(), e.small);
        EXPECT_EQ(bar->LargeChange(), e.large);
        EXPECT_EQ(bar->Value(), 0);
        EXPECT_EQ(bar->Orientation(), 0);
        EXPECT_EQ(bar->ThumbAlignment(), 4);
        EXPECT_FALSE(bar->ButtonsVisible());
        EXPECT_FALSE(bar->AutoSize());
        EXPECT_EQ(bar->size(), QSize(e.width, 7));
        ASSERT_TRUE(bar->PictureThumb());
        ASSERT_TRUE(bar->PictureBackground());
        EXPECT_EQ(bar->PictureThumb()->height(), 7);
        EXPECT_EQ(bar->PictureBackground()->height(), 7);
        EXPECT_GE(bar->PictureBackground()->width(), 2048);
        const QRectF thumb = bar->partRect(Part::Thumb);
        EXPECT_DOUBLE_EQ(thumb.y(), 0);
        const double travel = e.width * 15.0 - thumb.width();
        const double expected = double(0 - e.min) / double(e.max - e.min) * travel;
        EXPECT_DOUBLE_EQ(thumb.x(), expected);
        // Thumb and track are painted inside the 7-pixel strip.
        const QRect px = bar->partPixelRect(Part::Thumb);
        EXPECT_TRUE(bar->rect().contains(px)) << px.x() << "," << px.width();
        EXPECT_FALSE(bar->partVisible(Part::Left));
        EXPECT_FALSE(bar->partVisible(Part::Right));
    }
}

// --- Data the rules never produce -----------------------------------------------------------

TEST_F(ScrollBarTest, savedEmptyOrInvertedRangeDoesNotBreakPlacement)
{
    for (auto [min, max, value] : { std::tuple { "5", "5", "5" }, std::tuple { "10", "0", "3" },
             std::tuple { "-2147483648", "2147483647", "0" },
             std::tuple { "0", "1", "2147483647" } }) {
        SCOPED_TRACE(std::string(min) + ".." + max);
        auto* bar = loadedBar(
            bagOf({ { "Orientation", "0" }, { "ThumbAlignment", "4" }, { "ButtonsVisible", "0" },
                { "Min", min }, { "Max", max }, { "Value", value } }),
            QSize(136, 21));
        const QRectF thumb = bar->partRect(Part::Thumb);
        EXPECT_TRUE(std::isfinite(thumb.x()));
        (void)bar->grab(); // paints without trouble even far outside
        bar->setValue(bar->Value());
        EXPECT_TRUE(std::isfinite(bar->partRect(Part::Thumb).x()));
        bar->setValue(kIntMax);
        bar->setValue(kIntMin);
    }
    // An empty range puts the thumb at the track's start.
    auto* bar = loadedBar(
        bagOf({ { "Orientation", "0" }, { "ThumbAlignment", "4" }, { "ButtonsVisible", "0" },
            { "Min", "5" }, { "Max", "5" }, { "Value", "5" } }),
        QSize(136, 21));
    EXPECT_DOUBLE_EQ(bar->partRect(Part::Thumb).x(), 0);
    bar->setValue(9);
    EXPECT_EQ(bar->Value(), 5);
    // An inverted range: below Min gives Min, anything else Max.
    auto* inv = loadedBar(bagOf({ { "Orientation", "0" }, { "ThumbAlignment", "4" },
                              { "Min", "10" }, { "Max", "0" } }),
        QSize(136, 21));
    inv->setValue(3);
    EXPECT_EQ(inv->Value(), 10);
    inv->setValue(12);
    EXPECT_EQ(inv->Value(), 0);
}
