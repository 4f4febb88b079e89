// QorvXPButton: window shape and pixels of the looks.
#include "button_harness.h"
#include "support/pixels.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <gtest/gtest.h>

using namespace buttontest;
using namespace modBas;
using Button = QorvXPButton;
using veltrin::test::px;
using veltrin::test::toRgb;

namespace {

void send(QWidget* w, QEvent::Type type, QPointF pos, Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons buttons
        = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, pos, w->mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : button,
        buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void hover(QorvXPButton& b)
{
    send(&b, QEvent::MouseMove, QPointF(3, 3), Qt::NoButton);
}

// A caption-only XP button, the look of the browser and information windows.
struct CaptionButton : Harness {
    CaptionButton()
        : Harness(75, 23)
    {
        button->setCaption("OK");
        button->setButtonCaptionPercent(100);
        QFont f = button->font();
        f.setPointSize(9);
        button->setButtonFont(f);
    }
};

} // namespace

TEST(ButtonRender, xpGradientRowsFollowTheSpecExamples)
{
    EXPECT_EQ(Button::xpShade(0xFFFFFF, 1, 23), rgb(254, 254, 254));
    EXPECT_EQ(Button::xpShade(0xFFFFFF, 22, 23), rgb(231, 231, 224)); // n(-25 * 22 / 23) = -24
    EXPECT_EQ(Button::xpShade(rgb(208, 208, 200), 0, 23), rgb(208, 208, 200));
    EXPECT_EQ(Button::xpShade(0xFFFFFF, 0, 23), 0xFFFFFF);
    // a tie rounds to even: 25 / 10 * 1 = 2.5 -> 2
    EXPECT_EQ(Button::xpShade(0xFFFFFF, 1, 10), rgb(253, 253, 253));
}

TEST(ButtonRender, anXPButtonAtRestHasTheWhiteToGreyGradientAndTheBlueFrame)
{
    CaptionButton b;
    const QImage face = b->renderImage(true);
    ASSERT_EQ(face.size(), QSize(75, 23));
    const QRgb frame = qRgb(0, 60, 115);
    // row 1 away from the caption
    EXPECT_EQ(px(face, 3, 1), qRgb(254, 254, 254));
    EXPECT_EQ(px(face, 71, 1), qRgb(254, 254, 254));
    EXPECT_EQ(px(face, 3, 21), toRgb(Button::xpShade(0xFFFFFF, 21, 23))); // (232, 232, 225)
    EXPECT_EQ(px(face, 3, 21), qRgb(232, 232, 225));
    // the frame covers the outermost rows and columns, row 22 included
    for (int x = 1; x < 74; ++x) {
        ASSERT_EQ(px(face, x, 0), frame) << x;
        ASSERT_EQ(px(face, x, 22), frame) << x;
    }
    for (int y = 0; y < 23; ++y) {
        ASSERT_EQ(px(face, 0, y), frame) << y;
        ASSERT_EQ(px(face, 74, y), frame) << y;
    }
    // the corner arcs
    for (QPoint p : { QPoint(1, 1), QPoint(73, 1), QPoint(1, 21), QPoint(73, 21) })
        EXPECT_EQ(px(face, p.x(), p.y()), frame) << p.x() << "," << p.y();
    EXPECT_EQ(px(face, 2, 2), qRgb(253, 253, 253)); // inside the arc: the gradient
}

TEST(ButtonRender, anXPButtonHasRoundedCornersInItsWindowShape)
{
    CaptionButton b;
    b->renderImage(true);
    const QRegion shape = b->mask();
    ASSERT_FALSE(shape.isEmpty());
    EXPECT_EQ(shape, Button::xpWindowRegion(75, 23));
    // the top of the rounded rectangle lies one row above the window
    EXPECT_FALSE(shape.contains(QPoint(0, 0)));
    EXPECT_TRUE(shape.contains(QPoint(1, 0)));
    EXPECT_TRUE(shape.contains(QPoint(0, 1)));
    EXPECT_FALSE(shape.contains(QPoint(74, 0)));
    EXPECT_TRUE(shape.contains(QPoint(73, 0)));
    for (QPoint out : { QPoint(0, 22), QPoint(1, 22), QPoint(0, 21), QPoint(74, 22), QPoint(73, 22),
             QPoint(74, 21) })
        EXPECT_FALSE(shape.contains(out)) << out.x() << "," << out.y();
    for (QPoint in :
        { QPoint(2, 22), QPoint(72, 22), QPoint(1, 21), QPoint(0, 20), QPoint(37, 11) })
        EXPECT_TRUE(shape.contains(in)) << in.x() << "," << in.y();
    // every other look is a plain rectangle
    b->setButton_Type(Button::FlatButton);
    EXPECT_TRUE(b->mask().isEmpty());
}

TEST(ButtonRender, aPressedXPButtonHasTheDarkerGradientAndInnerBevel)
{
    CaptionButton b;
    send(b.button.get(), QEvent::MouseButtonPress, QPointF(5, 5));
    ASSERT_TRUE(b->state().pressed);
    const QImage face = b->renderImage(true);
    EXPECT_EQ(
        Button::xpShade(rgb(208, 208, 200), 0, 23), rgb(208, 208, 200)); // row 0 before the frame
    EXPECT_EQ(px(face, 0, 5), qRgb(0, 60, 115));
    EXPECT_EQ(px(face, 5, 1), qRgb(176, 176, 167));
    EXPECT_EQ(px(face, 5, 2), qRgb(184, 184, 175));
    EXPECT_EQ(px(face, 1, 5), qRgb(176, 176, 167));
    EXPECT_EQ(px(face, 2, 5), qRgb(186, 186, 178));
    EXPECT_EQ(px(face, 73, 5), qRgb(213, 213, 205));
    EXPECT_EQ(px(face, 72, 5), qRgb(240, 240, 240));
    EXPECT_EQ(px(face, 5, 21), qRgb(224, 224, 216));
    EXPECT_EQ(px(face, 5, 20), qRgb(218, 218, 210));
    EXPECT_EQ(px(face, 5, 3), toRgb(Button::xpShade(rgb(208, 208, 200), 3, 23)));
    EXPECT_EQ(px(face, 5, 3), qRgb(205, 205, 197));
}

TEST(ButtonRender, aDisabledXPButtonHasAGreyFrameAndItsCaptionInShadowColor)
{
    CaptionButton b;
    b->setButtonEnabled(false);
    const QImage face = b->renderImage(true);
    EXPECT_EQ(px(face, 10, 0), qRgb(171, 171, 144));
    EXPECT_EQ(px(face, 0, 10), qRgb(171, 171, 144));
    EXPECT_EQ(px(face, 3, 1), toRgb(Button::xpShade(rgb(231, 231, 224), 1, 23)));
    const QRect text = b->layout().captionTextRect.toQRect();
    int shadow = 0;
    int black = 0;
    for (int y = text.top(); y <= text.bottom(); ++y) {
        for (int x = text.left(); x <= text.right(); ++x) {
            shadow += px(face, x, y) == toRgb(0x9C8181);
            black += px(face, x, y) == qRgb(0, 0, 0);
        }
    }
    EXPECT_GT(shadow, 10);
    EXPECT_EQ(black, 0);
    b->setWithoutDisEnabledEffect(true); // the enabled look while disabled
    const QImage plain = b->renderImage(true);
    EXPECT_EQ(px(plain, 10, 0), qRgb(0, 60, 115));
}

TEST(ButtonRender, anEnabledCaptionIsDrawnInCaptionNormalColor)
{
    CaptionButton b;
    b->setCaptionNormalColor(0x0000FF);
    const QImage face = b->renderImage(true);
    const QRect text = b->layout().captionTextRect.toQRect();
    int red = 0;
    for (int y = text.top(); y <= text.bottom(); ++y)
        for (int x = text.left(); x <= text.right(); ++x)
            red += px(face, x, y) == qRgb(255, 0, 0);
    EXPECT_GT(red, 10);
}

TEST(ButtonRender, hoverAndFocusDrawTheirLinesOnAPartialRepaint)
{
    CaptionButton b;
    b->renderImage(true);
    hover(*b);
    QImage face = b->faceImage();
    EXPECT_EQ(px(face, 5, 1), qRgb(255, 243, 206));
    EXPECT_EQ(px(face, 5, 2), qRgb(255, 219, 140));
    EXPECT_EQ(px(face, 1, 10), qRgb(255, 178, 49));
    EXPECT_EQ(px(face, 73, 10), qRgb(255, 178, 49));
    EXPECT_EQ(px(face, 5, 21), qRgb(231, 150, 0));

    CaptionButton f;
    f->renderImage(true);
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(f.button.get(), &in);
    face = f->faceImage();
    EXPECT_EQ(px(face, 5, 1), qRgb(206, 231, 255));
    EXPECT_EQ(px(face, 5, 21), qRgb(107, 130, 239));
    EXPECT_EQ(px(face, 1, 10), qRgb(140, 174, 231));
}

TEST(ButtonRender, partialRepaintsRestoreTheRestLookExactly)
{
    CaptionButton b;
    const QImage rest = b->renderImage(true);
    hover(*b);
    ASSERT_NE(b->faceImage(), rest);
    // leaving (a hidden button counts as left) repaints only the edge strips
    b->pollHover();
    ASSERT_FALSE(b->state().hovering);
    EXPECT_EQ(b->faceImage(), rest);

    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(b.button.get(), &in);
    ASSERT_NE(b->faceImage(), rest);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(b.button.get(), &out);
    EXPECT_EQ(b->faceImage(), rest);
}

TEST(ButtonRender, theWidgetShowsTheFaceImage)
{
    CaptionButton b;
    b->setButton_Type(Button::FlatButton); // no mask to cut the grab
    const QImage face = b->renderImage(true);
    const QImage shown = b->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), face.size());
    EXPECT_EQ(shown, face);
}

TEST(ButtonRender, aDropDownButtonShowsASixByThreeDownTriangleInItsStrip)
{
    Harness b(75, 23);
    b->setButton_Type(Button::DropDownButton);
    b->setCaption(QString()); // a picture-only drop-down
    const QImage face = b->renderImage(true);
    EXPECT_EQ(b->layout().addinRect.left, 60);
    auto strip = [&](int y) {
        QString s;
        for (int x = 60; x < 75; ++x)
            s += px(face, x, y) == qRgb(0, 0, 0) ? u'#' : u'.';
        return s;
    };
    EXPECT_EQ(strip(8), "...............");
    EXPECT_EQ(strip(9), "....######.....");
    EXPECT_EQ(strip(10), ".....####......");
    EXPECT_EQ(strip(11), "......##.......");
    EXPECT_EQ(strip(12), "...............");
    EXPECT_EQ(px(face, 30, 10), toRgb(kButtonFace));
}

TEST(ButtonRender, anArrowButtonShowsARightTriangle)
{
    Harness b(100, 30);
    b->setButton_Type(Button::ArrowButton);
    const QImage face = b->renderImage(true);
    // strip (83, 0, 99, 29): hw 4, hh n(7.5) = 8, x0 = 8 + 83 - 4 = 87, cy = 14
    EXPECT_EQ(px(face, 87, 14), qRgb(0, 0, 0));
    EXPECT_EQ(px(face, 94, 14), qRgb(0, 0, 0));
    EXPECT_NE(px(face, 95, 14), qRgb(0, 0, 0));
    EXPECT_EQ(px(face, 87, 7), qRgb(0, 0, 0));
    EXPECT_NE(px(face, 87, 5), qRgb(0, 0, 0));
}

TEST(ButtonRender, aChevronButtonDrawsTheDoubleChevronOverATriangle)
{
    Harness b(30, 30);
    b->setButton_Type(Button::ChevronButton);
    const QImage face = b->renderImage(true);
    // caption area (0, 0, 29, 29): x = 14 - 4 = 10, y = floor((29 - 14) / 2) = 7
    for (QPoint d : { QPoint(0, 0), QPoint(3, 2), QPoint(7, 2), QPoint(4, 4) })
        EXPECT_EQ(px(face, 10 + d.x(), 7 + d.y()), qRgb(0, 0, 0)) << d.x() << "," << d.y();
    EXPECT_NE(px(face, 10 + 2, 7 + 0), qRgb(0, 0, 0));
    EXPECT_EQ(px(face, 11, 18), qRgb(0, 0, 0)); // the triangle's top row
    EXPECT_EQ(px(face, 14, 20), qRgb(0, 0, 0));
}

TEST(ButtonRender, aToolBarHandleDrawsGripLinesOnEvenRowsOnly)
{
    Harness b(20, 30);
    b->setButton_Type(Button::ToolBarHandle);
    b->setToolBarForeColor(0x0000FF);
    const QImage face = b->renderImage(true);
    const Button::Rect r = b->layout().pictureRect; // (8, 4, 11, 25)
    for (int y = r.top; y <= r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x)
            ASSERT_EQ(px(face, x, y) == qRgb(255, 0, 0), y % 2 == 0) << x << "," << y;
    }
    EXPECT_NE(px(face, r.right, 4), qRgb(255, 0, 0));
}

TEST(ButtonRender, aSeparatorDrawsOneVerticalLine)
{
    Harness b(11, 30);
    b->setButton_Type(Button::Separator);
    b->setToolBarForeColor(0x00FF00);
    const QImage face = b->renderImage(true);
    EXPECT_EQ(px(face, 5, 4), qRgb(0, 255, 0));
    EXPECT_EQ(px(face, 5, 24), qRgb(0, 255, 0));
    EXPECT_NE(px(face, 5, 25), qRgb(0, 255, 0));
    EXPECT_NE(px(face, 4, 10), qRgb(0, 255, 0));
}

TEST(ButtonRender, flatButtonColoursFollowItsState)
{
    Harness b(80, 30);
    b->setButton_Type(Button::FlatButton);
    b->setButtonPicture_Normal(icon(12, 12));
    QImage face = b->renderImage(true);
    const int X = b->layout().pictureArea.right;
    EXPECT_EQ(px(face, 1, 1), toRgb(b->PictureAreaBackSmoothColor()));
    EXPECT_EQ(px(face, X + 2, 1), toRgb(0xF0F0F0));
    send(b.button.get(), QEvent::MouseButtonPress, QPointF(5, 5));
    face = b->faceImage();
    EXPECT_EQ(px(face, 1, 1), toRgb(0xC08080)); // PictureAreaBackColor_Click
    EXPECT_EQ(px(face, X + 2, 1), toRgb(0xC08080)); // CaptionBackColor_Click
    EXPECT_EQ(px(face, 0, 0), toRgb(0x800000)); // Frame_Color
}

TEST(ButtonRender, aDisabledXPButtonGreysItsPicture)
{
    Harness b(30, 30);
    b->setButtonPicture_Normal(icon(10, 10, QColor(200, 0, 0)));
    b->setButtonCaptionPercent(0);
    QImage face = b->renderImage(true);
    const Button::Rect r = b->layout().pictureRect;
    EXPECT_EQ(px(face, r.left + 3, r.top + 3), qRgb(200, 0, 0));
    b->setButtonEnabled(false);
    face = b->faceImage();
    EXPECT_EQ(px(face, r.left + 3, r.top + 3), qRgb(60, 60, 60)); // N(0.59 * 0 + N(60) + 0)
    // the icon's transparent border keeps the disabled gradient
    EXPECT_EQ(
        px(face, r.left, r.top + 3), toRgb(Button::xpShade(rgb(231, 231, 224), r.top + 3, 30)));
}

TEST(ButtonRender, aPressedPictureMovesOnePixelDownRight)
{
    Harness b(30, 30);
    b->setButtonPicture_Normal(icon(10, 10, QColor(200, 0, 0)));
    b->setButtonPicture_Over(icon(10, 10, QColor(0, 0, 200)));
    b->setButtonCaptionPercent(0);
    send(b.button.get(), QEvent::MouseButtonPress, QPointF(5, 5));
    const QImage face = b->faceImage();
    const Button::Rect r = b->layout().pictureRect;
    EXPECT_EQ(
        px(face, r.left + 2, r.top + 2), qRgb(0, 0, 200)); // the icon's first opaque pixel, moved
    EXPECT_NE(px(face, r.left + 1, r.top + 1), qRgb(0, 0, 200));
}
