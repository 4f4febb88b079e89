// modBas: the hover sound resources and their asynchronous player.
#include "controls/button/modbas.h"

#include "support/wait.h"

#include <gtest/gtest.h>

using namespace modBas;

namespace {

class RecordingOutput : public SoundOutput {
public:
    bool play(const QByteArray& wave, const QString& name) override
    {
        played.append({ name, wave.size() });
        return true;
    }
    bool isPlaying() const override { return false; }
    QList<std::pair<QString, qsizetype>> played;
};

class PlayResourceSoundTest : public ::testing::Test {
protected:
    void SetUp() override { setSoundOutput(&output); }
    void TearDown() override { setSoundOutput(nullptr); }
    RecordingOutput output;
};

} // namespace

TEST(SoundResource, holdsOverAndClickComparedWithoutCase)
{
    const QByteArray over = SoundResource(QStringLiteral("Over"));
    EXPECT_EQ(over.size(), 2578);
    EXPECT_TRUE(over.startsWith("RIFF"));
    EXPECT_EQ(over.mid(8, 4), QByteArray("WAVE"));
    EXPECT_EQ(SoundResource(QStringLiteral("OVER")), over);
    EXPECT_EQ(SoundResource(QStringLiteral("click")).size(), 4500);
    EXPECT_TRUE(SoundResource(QStringLiteral("SOUND")).isEmpty());
    EXPECT_TRUE(SoundResource(QString()).isEmpty());
}

TEST_F(PlayResourceSoundTest, playsTheNamedResource)
{
    EXPECT_TRUE(PlayResourceSound(QStringLiteral("Over")));
    ASSERT_EQ(output.played.size(), 1);
    EXPECT_EQ(output.played[0].second, 2578);
}

TEST_F(PlayResourceSoundTest, blankNamesAndMissingResourcesAreSilent)
{
    EXPECT_FALSE(PlayResourceSound(QStringLiteral("  ")));
    EXPECT_FALSE(PlayResourceSound(QString()));
    EXPECT_FALSE(PlayResourceSound(QStringLiteral("NoSuchSound")));
    EXPECT_TRUE(output.played.isEmpty());
}

TEST(GstreamerSoundOutput, playsAsynchronouslyAndDropsARequestWhileOnePlays)
{
    SoundOutput& out = gstreamerSoundOutput();
    ASSERT_TRUE(veltrin::test::waitFor([&] { return !out.isPlaying(); }));
    const QByteArray click = SoundResource(QStringLiteral("CLICK")); // about 100 ms of sound

    ASSERT_TRUE(out.play(click, QStringLiteral("CLICK")));
    // The call hands the work to GStreamer's threads and returns while the sound plays.
    EXPECT_TRUE(out.isPlaying());
    EXPECT_FALSE(out.play(click, QStringLiteral("CLICK"))); // dropped, not queued
    // The sound ends by itself (a real device, or the clock-synced fake sink).
    EXPECT_TRUE(veltrin::test::waitFor([&] { return !out.isPlaying(); }, 10000));
    // Free again: the next request plays.
    EXPECT_TRUE(out.play(SoundResource(QStringLiteral("over")), QStringLiteral("over")));
    EXPECT_TRUE(veltrin::test::waitFor([&] { return !out.isPlaying(); }, 10000));
}

TEST(GstreamerSoundOutput, garbageBytesEndQuietly)
{
    SoundOutput& out = gstreamerSoundOutput();
    ASSERT_TRUE(veltrin::test::waitFor([&] { return !out.isPlaying(); }, 10000));
    EXPECT_TRUE(
        out.play(QByteArray("RIFF\x10\x00\x00\x00WAVEnonsense", 20), QStringLiteral("bad")));
    EXPECT_TRUE(veltrin::test::waitFor([&] { return !out.isPlaying(); }, 10000));
    EXPECT_FALSE(out.play(QByteArray(), QStringLiteral("empty")));
}
