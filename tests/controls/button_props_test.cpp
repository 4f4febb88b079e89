// QorvXPButton: properties, setter rules and persistence.
#include "button_harness.h"

#include <QCursor>
#include <cmath>
#include <gtest/gtest.h>

using namespace buttontest;
using Button = QorvXPButton;

TEST(ButtonProperties, aNewButtonTakesTheNewValues)
{
    Harness b;
    EXPECT_EQ(b->Caption(), "QorvXPButton1");
    EXPECT_EQ(b->Button_Type(), Button::WindowsXPButton);
    EXPECT_EQ(b->ButtonCaptionPercent(), 80);
    EXPECT_EQ(b->ButtonCaptionPosition(), Button::CaptionRight);
    EXPECT_EQ(b->ButtonCaptionLayout(), Button::MiddleCenter);
    EXPECT_EQ(b->ButtonPictureLayout(), Button::MiddleCenter);
    EXPECT_FALSE(b->ButtonPicture_Normal());
    EXPECT_FALSE(b->ButtonPicture_Over());
    EXPECT_EQ(b->PictureForeColor(), 0);
    EXPECT_EQ(b->PictureAreaBackSmoothColor(), 0xDBE3EB);
    EXPECT_EQ(b->PictureFrame_Width(), 26);
    EXPECT_EQ(b->ButtonSound_Over(), "Over");
    EXPECT_TRUE(b->Enabled());
    EXPECT_TRUE(b->state().overPictureIsNormal);
    EXPECT_FALSE(b->state().pressed || b->state().hovering || b->state().focused);
}

TEST(ButtonProperties, captionPercentAcceptsZeroToHundredOnly)
{
    Harness b;
    b->setButtonCaptionPercent(100);
    EXPECT_EQ(b->ButtonCaptionPercent(), 100);
    EXPECT_TRUE(b.messages.isEmpty());
    for (double bad : { 100.5, -1.0, std::nan("") }) {
        b.notified.clear();
        b->setButtonCaptionPercent(bad);
        EXPECT_EQ(b->ButtonCaptionPercent(), 100) << bad;
        EXPECT_EQ(b.notified, QStringList { "ButtonCaptionPercent" });
    }
    ASSERT_EQ(b.messages.size(), 3);
    EXPECT_EQ(b.messages[0], "ButtonCaptionPercent should be 0 to 100");
    EXPECT_FALSE(b.messageIcons[0]); // no icon
    b->setButtonCaptionPercent(0);
    EXPECT_EQ(b->ButtonCaptionPercent(), 0);
}

TEST(ButtonProperties, separatorTypeDisablesAndHandleTypeShowsTheSizeAllPointer)
{
    Harness b;
    b->setButton_Type(Button::Separator);
    EXPECT_FALSE(b->Enabled());
    EXPECT_TRUE(b.notified.contains("Enabled"));
    EXPECT_TRUE(b.notified.contains("Button_Type"));

    Harness h;
    h->setButton_Type(Button::ToolBarHandle);
    EXPECT_EQ(h->MousePointer(), 15);
    EXPECT_EQ(h->cursor().shape(), Qt::SizeAllCursor);
    h.notified.clear();
    h->setButton_Type(Button::FlatButton);
    EXPECT_EQ(h->MousePointer(), 0);
    EXPECT_EQ(h.notified.mid(0, 2), (QStringList { "Button_Type", "MousePointer" }));
}

TEST(ButtonProperties, arrowAndDropDownTypesTakeTheirGlyphSizes)
{
    Harness b;
    b->setButton_Type(Button::ArrowButton);
    EXPECT_EQ(b->PictureAddin_Width(), 8);
    EXPECT_EQ(b->PictureAddin_Height(), 15);
    EXPECT_EQ(b->PictureAddin_Margin(), 4);
    EXPECT_EQ(b->state().addinTotalWidth, 16);
    EXPECT_EQ(b.notified.mid(0, 4),
        (QStringList {
            "PictureAddin_Width", "PictureAddin_Height", "PictureAddin_Margin", "Button_Type" }));
    b->setButton_Type(Button::DropDownButton);
    EXPECT_EQ(b->PictureAddin_Width(), 6);
    EXPECT_EQ(b->PictureAddin_Height(), 3);
    EXPECT_EQ(b->state().addinTotalWidth, 14);
    b->setButton_Type(Button::WindowsXPButton); // the layout takes the glyph away
    EXPECT_EQ(b->PictureAddin_Width(), 0);
    EXPECT_EQ(b->state().addinTotalWidth, 0);
}

TEST(ButtonProperties, chevronOnAButtonTooSmallForItKeepsThePreviousType)
{
    Harness small(9, 30);
    small->setButton_Type(Button::FlatButton);
    small.notified.clear();
    small->setButton_Type(Button::ChevronButton);
    EXPECT_EQ(small->Button_Type(), Button::FlatButton);
    EXPECT_TRUE(small.notified.contains("Button_Type"));

    Harness low(40, 15);
    low->setButton_Type(Button::ChevronButton);
    EXPECT_EQ(low->Button_Type(), Button::WindowsXPButton);

    Harness fits(10, 16);
    fits->setButton_Type(Button::ChevronButton);
    EXPECT_EQ(fits->Button_Type(), Button::ChevronButton);
    EXPECT_TRUE(fits->layout().layoutValid);
}

TEST(ButtonProperties, customColorSetIsStoredAndOnlyAnXPButtonComplains)
{
    Harness flat;
    flat->setButton_Type(Button::FlatButton);
    flat->setButtonColorSet(Button::CustomColorSet);
    EXPECT_EQ(flat->ButtonColorSet(), 1);
    EXPECT_TRUE(flat.messages.isEmpty());

    Harness xp;
    xp->setButtonColorSet(Button::CustomColorSet);
    EXPECT_EQ(xp->ButtonColorSet(), 1);
    ASSERT_EQ(xp.messages, QStringList { "WindowsXPButton Do Not Support CustomColorSet" });
    EXPECT_TRUE(xp.messageIcons[0]); // information icon
}

TEST(ButtonProperties, defaultColorSetResetsEveryColourInOrder)
{
    Harness b;
    b->setButton_Type(Button::FlatButton);
    b->setFrame_Color(0x123456);
    b->setCaptionNormalColor(0xFF);
    b->setSwitchFocusRect(true);
    b->setPictureAreaBackColor(0x0000FF);
    b.notified.clear();
    b->setButtonColorSet(Button::DefaultColorSet);
    EXPECT_EQ(b->Frame_Color(), 0x800000);
    EXPECT_EQ(b->CaptionNormalColor(), 0);
    EXPECT_FALSE(b->SwitchFocusRect());
    EXPECT_EQ(b->PictureForeColor(), 0xC0C0C0); // a new control had 0
    EXPECT_EQ(b->PictureAreaBackSmoothColor(), 0xDBE3EB);
    const QStringList expected = { "ButtonColorSet", "Frame_Color", "Switch_ShowShadow",
        "ShadowColor", "ShadowLength", "SwitchBorder_Over", "SwitchFocusRect", "FocusRectDis",
        "CaptionBackgroundColor", "CaptionBackColor_Over", "CaptionBackColor_Click",
        "SwitchCaptionClickColor", "CaptionBackSmoothColor", "SwitchCaptionSmoothColor",
        "CaptionNormalColor", "SwitchCaptionOverColor", "CaptionClickColor",
        "PictureFrameBackColor", "SwitchPictureFrameBackColor", "PictureAreaBackColor",
        "PictureFrameBackColor_Over", "PictureAreaBackColor_Click",
        "SwitchPictureFrameBackColor_Click", "PictureAreaBackSmoothColor",
        "SwitchPictureFrameBackSmoothColor", "SwitchPictureForeColor", "PictureForeColor",
        "ToolBarForeColor", "PictureFrameEffect" };
    EXPECT_EQ(b.notified, expected);
    EXPECT_EQ(b->PictureAreaBackColor(), modBas::kButtonFace);
}

TEST(ButtonProperties, smoothColoursAreAlwaysDerivedFromTheirBackground)
{
    Harness b;
    b->setCaptionBackSmoothColor(0x123456);
    EXPECT_EQ(b->CaptionBackSmoothColor(), 0xF0F0F0); // 240 maps to 240
    b->setCaptionBackgroundColor(0);
    EXPECT_EQ(b->CaptionBackSmoothColor(), modBas::rgb(76, 76, 76));
    EXPECT_EQ(b.notified.mid(b.notified.size() - 2),
        (QStringList { "CaptionBackgroundColor", "CaptionBackSmoothColor" }));
    b->setCaptionBackSmoothColor(0xFFFFFF);
    EXPECT_EQ(b->CaptionBackSmoothColor(), modBas::rgb(76, 76, 76));

    // a new control stores 0xDBE3EB; reading the background re-derives it
    EXPECT_EQ(b->PictureAreaBackSmoothColor(), 0xDBE3EB);
    b.notified.clear();
    EXPECT_EQ(b->PictureAreaBackColor(), modBas::kButtonFace);
    EXPECT_EQ(b->PictureAreaBackSmoothColor(),
        modBas::SmoothColor(modBas::NormalizeColor(modBas::kButtonFace)));
    EXPECT_EQ(b.notified, QStringList { "PictureAreaBackSmoothColor" });
}

TEST(ButtonProperties, normalPictureFitsTheFrameUnlessScaling)
{
    Harness b;
    b->setButtonPicture_Normal(bitmap(16, 16));
    EXPECT_EQ(b->PictureFrame_Width(), 24);
    EXPECT_EQ(b->PictureFrame_Height(), 24);
    b->setPictureFrameMargin_Left(1);
    b->setButtonPicture_Normal(bitmap(11, 9));
    EXPECT_EQ(b->PictureFrame_Width(), 16);
    EXPECT_EQ(b->PictureFrame_Height(), 17);
    b->setButtonPicture_Normal(nullptr); // clearing keeps the frame
    EXPECT_EQ(b->PictureFrame_Width(), 16);

    b.notified.clear();
    b->setPictureFrame_Width(40); // ignored while not scaling
    EXPECT_EQ(b->PictureFrame_Width(), 16);
    EXPECT_EQ(b.notified, QStringList { "PictureFrame_Width" });
    b->setSwitchScalePicture(true);
    b->setPictureFrame_Width(40);
    EXPECT_EQ(b->PictureFrame_Width(), 40);
    b->setButtonPicture_Normal(bitmap(5, 5)); // scaling: the frame stays
    EXPECT_EQ(b->PictureFrame_Width(), 40);
}

TEST(ButtonProperties, typeRestrictedSettersKeepTheOldValueButStillNotify)
{
    Harness b;
    b->setToolBarForeColor(0x0000FF);
    EXPECT_EQ(b->ToolBarForeColor(), 0xC0C0C0);
    EXPECT_EQ(b.notified, QStringList { "ToolBarForeColor" });
    b->setToolBarHandle_Width(7);
    EXPECT_EQ(b->ToolBarHandle_Width(), 3);
    b->setPictureFrameEffect(Button::SunkenFrame);
    EXPECT_EQ(b->PictureFrameEffect(), 1);

    b->setButton_Type(Button::Separator);
    b->setToolBarForeColor(0x0000FF);
    EXPECT_EQ(b->ToolBarForeColor(), 0x0000FF);
    b.notified.clear();
    b->setPictureFrameEffect(Button::RaisedFrame); // a separator stores it silently
    EXPECT_EQ(b->PictureFrameEffect(), 2);
    EXPECT_TRUE(b.notified.isEmpty());
    b->setWithoutDisEnabledEffect(true); // rejected outside types 0..3
    EXPECT_FALSE(b->WithoutDisEnabledEffect());

    Harness chevron(40, 30);
    chevron->setButton_Type(Button::ChevronButton);
    chevron->setSwitchPictureFrameBackColor(true);
    EXPECT_FALSE(chevron->SwitchPictureFrameBackColor());
    chevron->setPictureFrameEffect(Button::SunkenFrame);
    EXPECT_EQ(chevron->PictureFrameEffect(), 0);

    Harness handle(20, 30);
    handle->setButton_Type(Button::ToolBarHandle);
    handle->setToolBarHandle_LineSpace(3);
    EXPECT_EQ(handle->ToolBarHandle_LineSpace(), 3);
}

TEST(ButtonProperties, addinSizeSettersFollowTheType)
{
    Harness b;
    ASSERT_TRUE(b->setButtonPicture_Addin(icon(10, 6)));
    EXPECT_TRUE(b->setPictureAddin_Margin(3));
    EXPECT_EQ(b->state().addinTotalWidth, 16);
    EXPECT_TRUE(b->setPictureAddin_Width(12));
    EXPECT_EQ(b->state().addinTotalWidth, 18);
    // without an add-in picture an XP button's layout takes the add-in away again
    ASSERT_TRUE(b->setButtonPicture_Addin(nullptr));
    EXPECT_TRUE(b->setPictureAddin_Width(12));
    EXPECT_EQ(b->PictureAddin_Width(), 0);
    EXPECT_EQ(b->state().addinTotalWidth, 0);

    Harness handle(20, 30);
    handle->setButton_Type(Button::ToolBarHandle);
    handle.notified.clear();
    handle->setPictureAddin_Width(9);
    EXPECT_EQ(handle->PictureAddin_Width(), 0);
    EXPECT_EQ(handle.notified, QStringList { "PictureAddin_Width" });

    Harness sep;
    sep->setButton_Type(Button::Separator);
    sep.notified.clear();
    sep->setPictureAddin_Width(9);
    EXPECT_EQ(sep->PictureAddin_Width(), 9);
    EXPECT_TRUE(sep.notified.isEmpty());
}

TEST(ButtonProperties, anAddinTotalThatOverflowsSixteenBitsFailsTheAssignment)
{
    Harness b;
    ASSERT_TRUE(b->setButtonPicture_Addin(icon(10, 6)));
    EXPECT_FALSE(b->setPictureAddin_Margin(20000)); // 2 * 20000 does not fit
    EXPECT_EQ(b->PictureAddin_Margin(), 20000); // stored before the total failed
    EXPECT_EQ(b->state().addinTotalWidth, 18);
    EXPECT_TRUE(b->setPictureAddin_Margin(16000));
    EXPECT_FALSE(b->setPictureAddin_Width(800)); // 32000 + 800
}

TEST(ButtonProperties, addinPictureSetsTheAddinSizeAndClearingRestoresTheGlyph)
{
    Harness b;
    b->setButton_Type(Button::ArrowButton);
    EXPECT_TRUE(b->setButtonPicture_Addin(icon(10, 6)));
    EXPECT_EQ(b->PictureAddin_Width(), 10);
    EXPECT_EQ(b->PictureAddin_Height(), 6);
    EXPECT_EQ(b->PictureAddin_Margin(), 4);
    EXPECT_EQ(b->state().addinTotalWidth, 18);
    EXPECT_TRUE(b->setButtonPicture_Addin(nullptr));
    EXPECT_EQ(b->PictureAddin_Width(), 8);
    EXPECT_EQ(b->PictureAddin_Height(), 15);
    EXPECT_EQ(b->state().addinTotalWidth, 16);
}

TEST(ButtonProperties, enabledNotifiesOnlyOnAChange)
{
    Harness b;
    b->setButtonEnabled(true);
    EXPECT_TRUE(b.notified.isEmpty());
    b->setButtonEnabled(false);
    EXPECT_FALSE(b->Enabled());
    EXPECT_EQ(b.notified, QStringList { "Enabled" });
}

TEST(ButtonProperties, fontAttributesChangeTheFontAndNotifyFont)
{
    Harness b;
    b->setFontBold(true);
    EXPECT_TRUE(b->FontBold());
    b->setFontSize(13.5f);
    EXPECT_FLOAT_EQ(b->FontSize(), 13.5f);
    EXPECT_EQ(b.notified.count("Font"), 2);
}

// ---- persistence --------------------------------------------------------------------

TEST(ButtonPersistence, aNewControlWritesOnlyCaptionAndPictureForeColor)
{
    Harness b;
    b->setCaption(QString());
    veltrin::PropertyBag out;
    b->WriteProperties(out);
    ASSERT_EQ(out.items().size(), 2);
    EXPECT_EQ(out.items()[0].first, "Caption");
    EXPECT_EQ(out.items()[0].second, "");
    EXPECT_EQ(out.items()[1].first, "PictureForeColor"); // new value 0, saved default 0xC0C0C0
    EXPECT_EQ(out.items()[1].second, "0");
}

TEST(ButtonPersistence, writesInTheSpecifiedOrderAndReadsBackTheSameValues)
{
    Harness b;
    b->setButton_Type(Button::FlatButton);
    b->setButtonCaptionPercent(42.5);
    b->setHotKey("x");
    b->setPictureFrameEffect(Button::RaisedFrame);
    b->setFrame_Color(0x112233);
    b->setCaption_MultiLines(true);
    b->setCaptionMargin_Left(7);
    b->setPictureAreaBackColor(modBas::systemColour(5));
    b->setButtonEnabled(false);
    veltrin::PropertyBag out;
    b->WriteProperties(out);
    QStringList keys;
    for (const auto& item : out.items())
        keys << item.first;
    EXPECT_EQ(keys,
        (QStringList { "Enabled", "Button_Type", "ButtonCaptionPercent", "Frame_Color",
            "Caption_MultiLines", "CaptionMargin_Left", "PictureForeColor", "PictureAreaBackColor",
            "PictureAreaBackSmoothColor", "HotKey", "PictureFrameEffect" }));

    Harness c(75, 23, "Other");
    EXPECT_TRUE(c->ReadProperties(out));
    EXPECT_EQ(c->Caption(), "Other"); // the display name, as the caption equalled it
    EXPECT_EQ(c->Button_Type(), Button::FlatButton);
    EXPECT_DOUBLE_EQ(c->ButtonCaptionPercent(), 42.5);
    EXPECT_EQ(c->Frame_Color(), 0x112233);
    EXPECT_TRUE(c->Caption_MultiLines());
    EXPECT_EQ(c->CaptionMargin_Left(), 7);
    EXPECT_EQ(c->PictureAreaBackColor(), modBas::systemColour(5));
    EXPECT_EQ(c->PictureFrameEffect(), 2);
    EXPECT_EQ(c->PictureForeColor(), 0);
    EXPECT_FALSE(c->Enabled());
    EXPECT_EQ(c->accessKeys(), "X");
}

TEST(ButtonPersistence, missingKeysReadTheirDefaultsAndKeysIgnoreCase)
{
    Harness b;
    b->setFrame_Color(0x1);
    ASSERT_TRUE(b->ReadProperties(bag({ { "button_TYPE", "2" }, { "caption", "Go" } })));
    EXPECT_EQ(b->Button_Type(), Button::ArrowButton);
    EXPECT_EQ(b->Caption(), "Go");
    EXPECT_EQ(b->Frame_Color(), 0x800000);
    EXPECT_EQ(b->PictureForeColor(), 0xC0C0C0); // the saved default, not the new value
    // loading stores directly: an arrow button's glyph comes from the layout
    EXPECT_EQ(b->PictureAddin_Width(), 8);
}

TEST(ButtonPersistence, aStoredNormalPictureAloneAlsoShowsOnHover)
{
    Harness b;
    ASSERT_TRUE(b->ReadProperties(bag({ { "ButtonPicture_Normal", ":/icons/veltrin.png" } })));
    ASSERT_TRUE(b->ButtonPicture_Normal());
    EXPECT_EQ(b->ButtonPicture_Over(), b->ButtonPicture_Normal());
    EXPECT_TRUE(b->state().overPictureIsNormal);

    Harness neither;
    ASSERT_TRUE(neither->ReadProperties(bag({})));
    EXPECT_FALSE(neither->state().overPictureIsNormal);

    Harness both;
    ASSERT_TRUE(both->ReadProperties(bag({ { "ButtonPicture_Normal", ":/icons/veltrin.png" },
        { "ButtonPicture_Over", ":/icons/veltrin.png" } })));
    EXPECT_NE(both->ButtonPicture_Over(), both->ButtonPicture_Normal()); // two picture objects
    EXPECT_FALSE(both->state().overPictureIsNormal);
}

TEST(ButtonPersistence, anOverflowingAddinFailsTheLoadWithoutACrash)
{
    Harness b;
    EXPECT_FALSE(
        b->ReadProperties(bag({ { "PictureAddin_Margin", "20000" }, { "PictureAddin_Width", "10" },
            { "HotKey", "q" }, { "ButtonPicture_Normal", ":/icons/veltrin.png" } })));
    EXPECT_EQ(b->accessKeys(), ""); // the steps after the failure did not run
    EXPECT_FALSE(b->ButtonPicture_Over());
    b->renderImage(); // still drawable
}

TEST(ButtonPersistence, hotKeysBecomeAccessKeysWithoutTheAmpersand)
{
    Harness b;
    ASSERT_TRUE(b->ReadProperties(bag({ { "HotKey", "p&" } })));
    EXPECT_EQ(b->accessKeys(), "P");
    Harness c;
    ASSERT_TRUE(c->ReadProperties(bag({ { "HotKey", "pP&q" } })));
    EXPECT_EQ(c->accessKeys(), "PQ");
    c->setHotKey("z"); // applies at the next load only
    EXPECT_EQ(c->accessKeys(), "PQ");
}

TEST(ButtonPersistence, aFontRoundTripsAndTheAmbientFontIsNotWritten)
{
    Harness b;
    QFont f = b->font();
    f.setPointSizeF(17);
    f.setItalic(true);
    b->setButtonFont(f);
    veltrin::PropertyBag out;
    b->WriteProperties(out);
    ASSERT_TRUE(out.contains("Font"));
    Harness c;
    ASSERT_TRUE(c->ReadProperties(out));
    EXPECT_TRUE(c->FontItalic());
    EXPECT_FLOAT_EQ(c->FontSize(), 17.f);
    ASSERT_TRUE(c->ReadProperties(bag({})));
    EXPECT_FALSE(c->FontItalic());
}
