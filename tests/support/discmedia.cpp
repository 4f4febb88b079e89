#include "support/discmedia.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QUuid>
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

bool makeVob(const QString& path, int seconds)
{
    return run(QStringLiteral("ffmpeg"),
        { QStringLiteral("-nostdin"), QStringLiteral("-loglevel"), QStringLiteral("error"),
            QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"),
            QStringLiteral("-i"),
            QStringLiteral("testsrc=size=720x576:rate=25:duration=%1").arg(seconds),
            QStringLiteral("-c:v"), QStringLiteral("mpeg2video"), QStringLiteral("-f"),
            QStringLiteral("vob"), path },
        QDir::tempPath());
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
    if (!makeVob(ts + QStringLiteral("VTS_01_1.VOB"), 2)
        || !makeVob(ts + QStringLiteral("VTS_01_2.VOB"), 1)
        || !writeAll(ts + QStringLiteral("VIDEO_TS.IFO"), QByteArray(5000, 'i')))
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
        dir + QStringLiteral("/dvd.iso"), dir + QStringLiteral("/dvd/VIDEO_TS/VTS_01_1.VOB") };
}

} // namespace

const DiscImages& discImages()
{
    static const DiscImages images = []() -> DiscImages {
        const QString root = QStringLiteral(VELTRIN_TEST_MEDIA_DIR);
        const QString dir = root + QStringLiteral("/discs-v1");
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
