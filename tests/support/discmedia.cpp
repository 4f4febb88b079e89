#include "support/discmedia.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QUuid>
#include <QtEndian>
#include <cmath>
#include <gtest/gtest.h>

namespace veltrin::test {

namespace {

bool run(const QString& program, const QStringList& args, const QString& dir)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(program, args);
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// An MPEG-1 system stream as a Video CD wants it; `tone` tells the tracks apart.
bool makeVcdMpeg(const QString& dir, const QString& name, int tone, const char* picture)
{
    return run(QStringLiteral("ffmpeg"),
        { QStringLiteral("-nostdin"), QStringLiteral("-loglevel"), QStringLiteral("error"),
            QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"),
            QStringLiteral("-i"),
            QStringLiteral("sine=frequency=%1:sample_rate=44100:duration=5").arg(tone),
            QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
            QStringLiteral("%1=size=352x288:rate=25:duration=5").arg(QLatin1String(picture)),
            QStringLiteral("-map"), QStringLiteral("0:a"), QStringLiteral("-map"),
            QStringLiteral("1:v"), QStringLiteral("-target"), QStringLiteral("pal-vcd"), name },
        dir);
}

// An MPEG-2 program stream as a DVD holds it; `sound` adds an AC-3 tone.
bool makeDvdVob(const QString& path, int seconds, bool sound)
{
    QStringList args { QStringLiteral("-nostdin"), QStringLiteral("-loglevel"),
        QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
        QStringLiteral("lavfi"), QStringLiteral("-i"),
        QStringLiteral("testsrc=size=720x576:rate=25:duration=%1").arg(seconds) };
    if (sound) {
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
             << QStringLiteral("sine=frequency=550:sample_rate=48000:duration=%1").arg(seconds)
             << QStringLiteral("-target") << QStringLiteral("pal-dvd");
    } else {
        args << QStringLiteral("-c:v") << QStringLiteral("mpeg2video") << QStringLiteral("-f")
             << QStringLiteral("vob");
    }
    return run(QStringLiteral("ffmpeg"), args << path, QDir::tempPath());
}

bool makeImages(const QString& dir)
{
    QDir d(dir);
    if (!makeVcdMpeg(dir, QStringLiteral("track1.mpg"), 440, "testsrc")
        || !makeVcdMpeg(dir, QStringLiteral("track2.mpg"), 660, "smptebars"))
        return false;
    if (!run(QStringLiteral("vcdimager"),
            { QStringLiteral("-t"), QStringLiteral("vcd2"), QStringLiteral("-c"),
                QStringLiteral("vcd.cue"), QStringLiteral("-b"), QStringLiteral("vcd.bin"),
                QStringLiteral("track1.mpg"), QStringLiteral("track2.mpg") },
            dir))
        return false;
    if (!d.mkpath(QStringLiteral("dvd/VIDEO_TS")))
        return false;
    const QString ts = dir + QStringLiteral("/dvd/VIDEO_TS/");
    // A menu, an intro and a title in two parts, as a DVD lays them out.
    if (!makeDvdVob(ts + QStringLiteral("VIDEO_TS.VOB"), 1, false)
        || !makeDvdVob(ts + QStringLiteral("VTS_01_0.VOB"), 1, false)
        || !makeDvdVob(ts + QStringLiteral("VTS_01_1.VOB"), 3, true)
        || !makeDvdVob(ts + QStringLiteral("VTS_01_2.VOB"), 1, false)
        || !writeAll(ts + QStringLiteral("VIDEO_TS.IFO"), QByteArray(5000, 'i')))
        return false;
    if (writeCdAudio(dir, QStringLiteral("audio"), kCdAudioTones).isEmpty())
        return false;
    return run(QStringLiteral("genisoimage"),
        { QStringLiteral("-quiet"), QStringLiteral("-udf"), QStringLiteral("-V"),
            QStringLiteral("FILMS"), QStringLiteral("-o"), QStringLiteral("dvd.iso"),
            QStringLiteral("dvd") },
        dir);
}

DiscImages imagesIn(const QString& dir)
{
    return DiscImages { dir + QStringLiteral("/vcd.cue"), dir + QStringLiteral("/vcd.bin"),
        { dir + QStringLiteral("/track1.mpg"), dir + QStringLiteral("/track2.mpg") },
        dir + QStringLiteral("/dvd.iso"), dir + QStringLiteral("/dvd/VIDEO_TS/VTS_01_1.VOB"),
        dir + QStringLiteral("/audio.cue"), dir + QStringLiteral("/audio.bin") };
}

} // namespace

const DiscImages& discImages()
{
    static const DiscImages images = []() -> DiscImages {
        const QString root = QStringLiteral(VELTRIN_TEST_MEDIA_DIR);
        const QString dir = root + QStringLiteral("/discs-v2");
        if (QFile::exists(dir + QStringLiteral("/dvd.iso")))
            return imagesIn(dir);
        // Made in a folder of its own and renamed whole, so that test
        // programs running side by side never see half of it.
        const QString tmp = root + QStringLiteral("/discs-tmp-")
            + QUuid::createUuid().toString(QUuid::WithoutBraces);
        QDir().mkpath(tmp);
        const bool made = makeImages(tmp);
        if (!made || !QDir().rename(tmp, dir))
            QDir(tmp).removeRecursively();
        if (!QFile::exists(dir + QStringLiteral("/dvd.iso"))) {
            ADD_FAILURE() << "could not make the disc images (vcdimager, genisoimage, ffmpeg)";
            return {};
        }
        return imagesIn(dir);
    }();
    return images;
}

QString writeCdAudio(const QString& dir, const QString& name, std::span<const CdAudioTone> tones)
{
    constexpr int kRate = 44100;
    constexpr int kSectorFrames = 2352 / 4; // stereo 16-bit
    QByteArray bin;
    QString cue = QStringLiteral("FILE \"%1.bin\" BINARY\n").arg(name);
    int track = 0;
    for (const CdAudioTone& tone : tones) {
        const int sector = int(bin.size() / 2352);
        cue += QStringLiteral("  TRACK %1 AUDIO\n    INDEX 01 %2:%3:%4\n")
                   .arg(++track, 2, 10, QChar(u'0'))
                   .arg(sector / 75 / 60, 2, 10, QChar(u'0'))
                   .arg(sector / 75 % 60, 2, 10, QChar(u'0'))
                   .arg(sector % 75, 2, 10, QChar(u'0'));
        static_assert(kRate % kSectorFrames == 0, "whole seconds are whole sectors");
        const int frames = tone.seconds * kRate;
        for (int i = 0; i < frames; ++i) {
            const auto sample = qint16(
                std::lround(12000.0 * std::sin(2.0 * M_PI * tone.frequency * double(i) / kRate)));
            char le[4];
            qToLittleEndian(sample, le);
            qToLittleEndian(sample, le + 2);
            bin.append(le, 4);
        }
    }
    const QString base = dir + u'/' + name;
    if (!writeAll(base + QStringLiteral(".bin"), bin)
        || !writeAll(base + QStringLiteral(".cue"), cue.toUtf8()))
        return {};
    return base + QStringLiteral(".cue");
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace veltrin::test
