#include "runtime/propertybag.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace veltrin;

namespace {

TEST(PropertyBag, missingAndUnreadableValuesReadAsDefaults)
{
    const FormFile form = FormFile::parse("[Slider]\n"
                                          "max = 1000\n"
                                          "MIN=-5\n"
                                          "Colour = &H8000000F\n"
                                          "Hex = 0xFF\n"
                                          "Huge = 99999999999\n"
                                          "Word = abc\n"
                                          "Flag = yes\n"
                                          "Flag2 = 0\n"
                                          "Percent = 80.5\n"
                                          "Caption = \"  two\\nlines \\\"quoted\\\"\"\n");
    const PropertyBag bag = form.control(QStringLiteral("slider"));
    EXPECT_EQ(bag.readLong(QStringLiteral("Max"), 7), 1000);
    EXPECT_EQ(bag.readLong(QStringLiteral("Min"), 7), -5);
    EXPECT_EQ(bag.readLong(QStringLiteral("Colour"), 0), static_cast<qint32>(0x8000000F));
    EXPECT_EQ(bag.readLong(QStringLiteral("Hex"), 0), 255);
    EXPECT_EQ(bag.readLong(QStringLiteral("Huge"), 7), 7);
    EXPECT_EQ(bag.readInteger(QStringLiteral("Max"), 3), 1000);
    EXPECT_EQ(bag.readInteger(QStringLiteral("Colour"), 3), 3); // does not fit 16 bits
    EXPECT_EQ(bag.readLong(QStringLiteral("Word"), 7), 7);
    EXPECT_EQ(bag.readLong(QStringLiteral("Absent"), 7), 7);
    EXPECT_TRUE(bag.readBool(QStringLiteral("Flag"), false));
    EXPECT_FALSE(bag.readBool(QStringLiteral("Flag2"), true));
    EXPECT_DOUBLE_EQ(bag.readDouble(QStringLiteral("percent"), 1), 80.5);
    EXPECT_EQ(
        bag.readString(QStringLiteral("caption"), {}), QStringLiteral("  two\nlines \"quoted\""));
    EXPECT_TRUE(form.control(QStringLiteral("Other")).isEmpty());
}

TEST(PropertyBag, defaultsAreNotWrittenAndTextRoundTrips)
{
    PropertyBag bag;
    bag.writeLong(QStringLiteral("Max"), 32767, 2147483647);
    bag.writeLong(QStringLiteral("Min"), 0, 0);
    bag.writeBool(QStringLiteral("Enabled"), true, true);
    bag.writeString(QStringLiteral("Caption"), QStringLiteral(" lead\ttab \\ end "), QString());
    bag.writeDouble(QStringLiteral("Percent"), 0.1, 80);
    FormFile form;
    form.setControl(QStringLiteral("H1"), bag);
    const QByteArray text = form.serialize();
    EXPECT_FALSE(text.contains("Min"));
    EXPECT_FALSE(text.contains("Enabled"));

    const PropertyBag back = FormFile::parse(text).control(QStringLiteral("h1"));
    EXPECT_EQ(back.readLong(QStringLiteral("MAX"), 0), 32767);
    EXPECT_EQ(back.readString(QStringLiteral("caption"), {}), QStringLiteral(" lead\ttab \\ end "));
    EXPECT_DOUBLE_EQ(back.readDouble(QStringLiteral("Percent"), 0), 0.1);

    // Writing the default removes an earlier value.
    PropertyBag again = back;
    again.writeLong(QStringLiteral("max"), 2147483647, 2147483647);
    EXPECT_FALSE(again.contains(QStringLiteral("Max")));
}

TEST(FormFile, brokenInputGivesDefaultsNotACrash)
{
    const QByteArray cases[] = {
        QByteArray(),
        QByteArray("\0\1\2\3\xff\xfe", 6),
        "[unterminated\nMax = 5\n",
        "Max = 5\n", // a key before any section
        "[A]\nCaption = \"open quote\n",
        "[A]\n= no key\n",
        QByteArray(FormFile::kMaxBytes + 1, 'x'),
    };
    for (const QByteArray& text : cases) {
        const FormFile form = FormFile::parse(text);
        EXPECT_EQ(form.control(QStringLiteral("A")).readLong(QStringLiteral("Max"), 9), 9);
    }
    // Good lines around a bad one still count.
    const FormFile mixed = FormFile::parse("[A]\nbad line\nMax = 5\n");
    EXPECT_EQ(mixed.control(QStringLiteral("a")).readLong(QStringLiteral("max"), 9), 5);

    QTemporaryDir dir;
    EXPECT_TRUE(
        FormFile::load(dir.filePath(QStringLiteral("missing.form"))).controlNames().isEmpty());
    EXPECT_TRUE(FormFile::load(dir.path()).controlNames().isEmpty());
    EXPECT_TRUE(FormFile::load(QStringLiteral("/dev/zero")).controlNames().isEmpty());
}

TEST(FormFile, savesAndLoadsAFile)
{
    QTemporaryDir dir;
    FormFile form;
    PropertyBag bag;
    bag.set(QStringLiteral("Caption"), QStringLiteral("OK"));
    form.setControl(QStringLiteral("Command1"), bag);
    const QString path = dir.filePath(QStringLiteral("w.form"));
    ASSERT_TRUE(form.save(path));
    EXPECT_EQ(FormFile::load(path)
                  .control(QStringLiteral("COMMAND1"))
                  .readString(QStringLiteral("caption"), {}),
        QStringLiteral("OK"));
}

TEST(PropertyBag, picturesAreReferencedByPath)
{
    PropertyBag bag;
    bag.set(QStringLiteral("Logo"), QStringLiteral(":/skin/logo.png"));
    bag.set(QStringLiteral("Broken"), QStringLiteral(":/no/such.png"));
    const PictureRef logo = bag.readPicture(QStringLiteral("logo"));
    ASSERT_TRUE(logo);
    EXPECT_EQ(logo->width(), 381);
    EXPECT_EQ(logo->path, QStringLiteral(":/skin/logo.png"));
    EXPECT_FALSE(bag.readPicture(QStringLiteral("Broken")));
    EXPECT_FALSE(bag.readPicture(QStringLiteral("Absent")));

    PropertyBag out;
    out.writePicture(QStringLiteral("Logo"), logo);
    out.writePicture(
        QStringLiteral("Made"), Picture::fromImage(QImage(2, 2, QImage::Format_RGB32)));
    EXPECT_EQ(out.readString(QStringLiteral("Logo"), {}), QStringLiteral(":/skin/logo.png"));
    EXPECT_FALSE(out.contains(QStringLiteral("Made"))); // nothing to reference
}

} // namespace
