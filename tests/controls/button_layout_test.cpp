// QorvXPButton: layout of content, add-in, picture and caption.
#include "button_harness.h"

#include <QFontMetrics>
#include <cmath>
#include <gtest/gtest.h>

using namespace buttontest;
using Button = QorvXPButton;
using Rect = QorvXPButton::Rect;

namespace {

std::string str(const Rect& r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ","
        + std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

} // namespace

#define EXPECT_RECT(actual, l, t, r, b) EXPECT_EQ(str(actual), str(Rect { l, t, r, b }))

TEST(ButtonLayout, contentRectIsTheClientAreaLessOnePixel)
{
    Harness b(75, 23);
    EXPECT_RECT(b->layout().contentRect, 0, 0, 74, 22);
    b->resize(30, 15);
    b->Refresh();
    EXPECT_RECT(b->layout().contentRect, 0, 0, 29, 14);
}

TEST(ButtonLayout, percentHundredShowsOnlyTheCaptionOverTheWholeButton)
{
    Harness b(75, 23);
    b->setButtonCaptionPercent(100);
    const auto& L = b->layout();
    EXPECT_TRUE(L.layoutValid);
    EXPECT_TRUE(L.captionShown);
    EXPECT_FALSE(L.pictureAreaShown);
    EXPECT_RECT(L.captionArea, 0, 0, 74, 22);
    EXPECT_RECT(L.captionBox, 2, 2, 72, 20);
    EXPECT_EQ(L.captionFormat, Button::kSingleLine + 1);
}

TEST(ButtonLayout, percentZeroOrAnEmptyCaptionShowsOnlyThePictureCentred)
{
    for (int variant = 0; variant < 2; ++variant) {
        Harness b(100, 40);
        b->setButtonPicture_Normal(bitmap(16, 16));
        if (variant == 0)
            b->setButtonCaptionPercent(0);
        else
            b->setCaption(QString());
        const auto& L = b->layout();
        EXPECT_TRUE(L.pictureAreaShown);
        EXPECT_FALSE(L.captionShown);
        EXPECT_RECT(L.pictureArea, 0, 0, 99, 39);
        EXPECT_RECT(L.innerBox, 4, 4, 95, 35);
        // cx = floor(99 / 2 - 8) = 41, cy = floor(39 / 2 - 8) = 11
        EXPECT_RECT(L.pictureRect, 41, 11, 57, 27);
    }
}

TEST(ButtonLayout, switchShowCaptionOffShowsOnlyThePicture)
{
    Harness b(100, 40);
    b->setSwitchShowCaption(false);
    EXPECT_FALSE(b->layout().captionShown);
    EXPECT_TRUE(b->layout().pictureAreaShown);
}

TEST(ButtonLayout, captionRightAtEightyPercentSplitsAHundredPixelButtonAtTwenty)
{
    Harness b(100, 30);
    const auto& L = b->layout();
    ASSERT_TRUE(L.captionShown && L.pictureAreaShown);
    // available width 99; n(99 - 79.2) = 20
    EXPECT_RECT(L.captionArea, 20, 0, 99, 29);
    EXPECT_RECT(L.pictureArea, 0, 0, 20, 29);
}

TEST(ButtonLayout, splitAreasForEveryCaptionPosition)
{
    Harness b(101, 51); // content 100 x 50
    b->setButtonCaptionPercent(25);
    b->setButtonCaptionPosition(Button::CaptionLeft);
    EXPECT_RECT(b->layout().pictureArea, 25, 0, 100, 50);
    EXPECT_RECT(b->layout().captionArea, 0, 0, 25, 50);
    b->setButtonCaptionPosition(Button::CaptionTop);
    EXPECT_RECT(b->layout().pictureArea, 0, 12, 100, 50); // n(12.5) = 12
    EXPECT_RECT(b->layout().captionArea, 0, 0, 100, 12);
    b->setButtonCaptionPosition(Button::CaptionBottom);
    EXPECT_RECT(b->layout().pictureArea, 0, 0, 100, 38); // n(37.5) = 38
    EXPECT_RECT(b->layout().captionArea, 0, 38, 100, 50);
    b->setButtonCaptionPosition(Button::CaptionOverPicture);
    EXPECT_RECT(b->layout().pictureArea, 0, 0, 100, 50);
    EXPECT_RECT(b->layout().captionArea, 0, 0, 100, 50);
    b->setButtonCaptionPosition(9); // no split: the areas stay
    EXPECT_RECT(b->layout().captionArea, 0, 0, 100, 50);
}

TEST(ButtonLayout, topLeftCaptionStartsAtTheMarginsAndIsOneLineTall)
{
    Harness b(120, 40);
    b->setCaption("Play");
    b->setButtonCaptionPercent(100);
    b->setButtonCaptionLayout(Button::TopLeft);
    const auto& L = b->layout();
    EXPECT_EQ(L.captionTextRect.left, L.captionArea.left + 2);
    EXPECT_EQ(L.captionTextRect.top, L.captionArea.top + 2);
    const int lineHeight = QFontMetrics(b->captionFont()).height();
    EXPECT_EQ(L.captionTextRect.height(), lineHeight);
    EXPECT_EQ(L.textHeight, lineHeight);
    EXPECT_EQ(L.captionFormat, Button::kSingleLine + 0);
}

TEST(ButtonLayout, bottomRightAndMiddleRowsPlaceTheTextHeight)
{
    Harness b(120, 41);
    b->setCaption("Play");
    b->setButtonCaptionPercent(100);
    const int th = QFontMetrics(b->captionFont()).height();
    b->setButtonCaptionLayout(Button::BottomRight);
    EXPECT_EQ(b->layout().captionTextRect.bottom, 40 - 2);
    EXPECT_EQ(b->layout().captionTextRect.top, 40 - 2 - th);
    EXPECT_EQ(b->layout().captionFormat, Button::kSingleLine + 2);
    b->setButtonCaptionLayout(Button::MiddleCenter);
    const int hb = 40 - 4;
    EXPECT_EQ(
        b->layout().captionTextRect.top, 2 + static_cast<int>(std::floor(hb / 2.0 - th / 2.0)));
    EXPECT_EQ(
        b->layout().captionTextRect.bottom, 2 + static_cast<int>(std::floor(hb / 2.0 + th / 2.0)));
}

TEST(ButtonLayout, multiLineCaptionsWrapAndMeasureEveryLine)
{
    Harness b(60, 60);
    b->setCaption("Play this folder");
    b->setButtonCaptionPercent(100);
    b->setCaption_MultiLines(true);
    const auto& L = b->layout();
    EXPECT_EQ(L.captionFormat, Button::kWordBreak + 1);
    EXPECT_GE(L.textHeight, 2 * QFontMetrics(b->captionFont()).height());
}

TEST(ButtonLayout, chevronNeedsMoreRoomThanItsGlyph)
{
    struct Case {
        int w, h;
        bool valid;
    };
    for (const Case c : { Case { 9, 30, false }, Case { 10, 15, false }, Case { 10, 16, true },
             Case { 40, 40, true } }) {
        Harness b(c.w, c.h);
        b->setButton_Type(Button::FlatButton);
        b->setButton_Type(Button::ChevronButton);
        EXPECT_EQ(b->Button_Type() == Button::ChevronButton, c.valid) << c.w << "x" << c.h;
        if (c.valid) {
            EXPECT_TRUE(b->layout().layoutValid);
            EXPECT_RECT(b->layout().captionArea, 0, 0, c.w - 1, c.h - 1);
            EXPECT_RECT(b->layout().addinRect, 0, 0, 0, 0);
            EXPECT_EQ(b->state().addinTotalWidth, 0);
        }
    }
}

TEST(ButtonLayout, arrowButtonReservesItsStripAtTheRight)
{
    Harness b(100, 30);
    b->setButton_Type(Button::ArrowButton);
    const auto& L = b->layout();
    EXPECT_RECT(L.addinRect, 83, 0, 99, 29);
    // the split runs on the width without the strip: A = 99 - 16 = 83
    EXPECT_RECT(L.captionArea, static_cast<int>(std::nearbyint(83 - 83 * 0.8)), 0, 83, 29);
}

TEST(ButtonLayout, anAddinTallerThanTheButtonInvalidatesAndKeepsTheOldRectangles)
{
    Harness b(100, 30);
    b->setButton_Type(Button::ArrowButton);
    const Rect before = b->layout().captionArea;
    b->resize(100, 15); // content height 14 <= glyph height 15
    b->Refresh();
    EXPECT_FALSE(b->layout().layoutValid);
    EXPECT_EQ(str(b->layout().captionArea), str(before));
}

TEST(ButtonLayout, separatorDrawsOneCentredLineAndDisablesItself)
{
    Harness b(11, 30);
    b->setButton_Type(Button::Separator);
    const auto& L = b->layout();
    EXPECT_TRUE(L.layoutValid);
    // inner box (4, 4, 6, 25): x = floor(2 / 2) + 4
    EXPECT_RECT(L.pictureRect, 5, 4, 5, 25);
    EXPECT_FALSE(b->Enabled());

    Harness tiny(8, 30);
    tiny->setButton_Type(Button::Separator);
    EXPECT_FALSE(tiny->layout().layoutValid); // inner box 0 wide
}

TEST(ButtonLayout, toolBarHandleGripIsCentredAndMustFit)
{
    Harness b(20, 30);
    b->setButton_Type(Button::ToolBarHandle);
    const auto& L = b->layout();
    EXPECT_TRUE(L.layoutValid);
    // inner box (4, 4, 15, 25), bw 11: floor(8 / 2) + 4, floor(14 / 2) + 4
    EXPECT_RECT(L.pictureRect, 8, 4, 11, 25);
    b->setToolBarHandle_Width(11);
    EXPECT_FALSE(b->layout().layoutValid);
    b->setToolBarHandle_Width(3);
    b->setToolBarHandle_LineSpace(21);
    EXPECT_FALSE(b->layout().layoutValid);
}

TEST(ButtonLayout, pictureLayoutsPlaceThePictureInTheInnerBox)
{
    Harness b(100, 40);
    b->setButtonPicture_Normal(bitmap(10, 8));
    b->setButtonCaptionPercent(0);
    // inner box (4, 4, 95, 35), image 10 x 8
    const std::pair<qint32, Rect> table[] = { { Button::BottomLeft, { 4, 27, 14, 35 } },
        { Button::BottomCenter, { 44, 27, 54, 35 } }, { Button::BottomRight, { 85, 27, 95, 35 } },
        { Button::MiddleLeft, { 4, 15, 14, 23 } }, { Button::MiddleCenter, { 44, 15, 54, 23 } },
        { Button::MiddleRight, { 85, 15, 95, 23 } }, { Button::TopLeft, { 4, 4, 14, 12 } },
        { Button::TopCenter, { 44, 4, 54, 12 } }, { Button::TopRight, { 85, 4, 95, 12 } } };
    for (const auto& [layout, rect] : table) {
        b->setButtonPictureLayout(layout);
        EXPECT_EQ(str(b->layout().pictureRect), str(rect)) << layout;
    }
}

TEST(ButtonLayout, theOverPictureSizeCountsOnlyInAnActiveState)
{
    Harness b(100, 40);
    b->setButtonCaptionPercent(0);
    b->setButtonPicture_Over(bitmap(10, 10));
    // no normal picture: at rest the picture is 0 x 0, centred
    EXPECT_EQ(b->layout().pictureRect.width(), 0);
}
