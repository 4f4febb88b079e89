// The player's transport buttons as their form file configures them: the XP
// look, no caption, a monochrome glyph and its hover colour.
#include "button_harness.h"
#include "support/pixels.h"

#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

using namespace buttontest;
using Button = QorvXPButton;

using veltrin::test::countPixels;
using veltrin::test::px;

namespace {

const char* const kTransport[] = { "cmdAutodetect", "cmdOpenall", "cmdBacktrack", "cmdPause",
    "cmdPlay", "cmdForward", "cmdStop", "cmdNexttrack", "cmdFullscreen" };

const QRgb kGlyph = qRgb(40, 40, 40);
const QRgb kGlyphOver = qRgb(0, 84, 227);

class TransportButton : public ::testing::TestWithParam<const char*> { };

} // namespace

TEST_P(TransportButton, loadsItsGlyphsAndCentresThemWithoutACaption)
{
    const auto form = veltrin::FormFile::load(QStringLiteral(":/forms/playerfrm.form"));
    const QString name = QString::fromLatin1(GetParam());
    ASSERT_TRUE(form.hasControl(name));
    Harness b(30, 15, GetParam());
    ASSERT_TRUE(b->ReadProperties(form.control(name)));

    EXPECT_EQ(b->Button_Type(), Button::WindowsXPButton);
    EXPECT_EQ(b->Caption(), "");
    ASSERT_TRUE(b->ButtonPicture_Normal());
    ASSERT_TRUE(b->ButtonPicture_Over());
    EXPECT_EQ(b->ButtonPicture_Normal()->kind, veltrin::Picture::Kind::Icon);
    EXPECT_EQ(b->ButtonPicture_Normal()->image.size(), QSize(11, 9));
    EXPECT_EQ(b->ButtonPicture_Over()->image.size(), QSize(11, 9));
    EXPECT_FALSE(b->state().overPictureIsNormal);
    // the frame fits the picture: the image is drawn at its own size
    EXPECT_EQ(
        b->PictureFrame_Width() - b->PictureFrameMargin_Left() - b->PictureFrameMargin_Right(), 11);
    EXPECT_EQ(
        b->PictureFrame_Height() - b->PictureFrameMargin_Top() - b->PictureFrameMargin_Bottom(), 9);

    const auto& L = b->layout();
    EXPECT_TRUE(L.pictureAreaShown);
    EXPECT_FALSE(L.captionShown);
    EXPECT_EQ(L.pictureRect.toQRect(), QRect(9, 3, 11, 9)); // centred on the 30 x 15 face

    const QImage rest = b->renderImage(true);
    EXPECT_GT(countPixels(rest, kGlyph), 5);
    EXPECT_EQ(countPixels(rest, kGlyphOver), 0);
    EXPECT_EQ(b->mask(), Button::xpWindowRegion(30, 15));

    QMouseEvent move(QEvent::MouseMove, QPointF(15, 7), QPointF(15, 7), Qt::NoButton, Qt::NoButton,
        Qt::NoModifier);
    QApplication::sendEvent(b.button.get(), &move);
    const QImage hover = b->faceImage();
    EXPECT_EQ(countPixels(hover, kGlyph), 0);
    EXPECT_EQ(countPixels(hover, kGlyphOver),
        countPixels(rest, kGlyph)); // the same glyph in the hover colour
}

INSTANTIATE_TEST_SUITE_P(PlayerForm, TransportButton, ::testing::ValuesIn(kTransport));

TEST(TransportButtonLook, aDisabledTransportButtonShowsItsGlyphGrey)
{
    const auto form = veltrin::FormFile::load(QStringLiteral(":/forms/playerfrm.form"));
    Harness b(30, 15, "cmdFullscreen");
    ASSERT_TRUE(b->ReadProperties(form.control("cmdFullscreen")));
    const int glyph = countPixels(b->renderImage(true), kGlyph);
    b->setButtonEnabled(false);
    const QImage face = b->faceImage();
    const int g = modBas::dib::greyLevel(40, 40, 40);
    EXPECT_EQ(countPixels(face, qRgb(g, g, g)), glyph);
    EXPECT_EQ(px(face, 10, 0), qRgb(171, 171, 144));
}
