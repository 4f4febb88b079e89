#include "support/media.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QtEndian>
#include <gtest/gtest.h>

namespace veltrin::test {

namespace {

QString mediaDir()
{
    QDir().mkpath(QStringLiteral(VELTRIN_TEST_MEDIA_DIR));
    return QStringLiteral(VELTRIN_TEST_MEDIA_DIR);
}

QStringList sources(int seconds, QSize size)
{
    const QString d = QString::number(seconds);
    QStringList args { QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
        QStringLiteral("sine=frequency=440:sample_rate=44100:duration=") + d };
    if (!size.isEmpty())
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
             << QStringLiteral("testsrc=size=%1x%2:rate=25:duration=%3")
                    .arg(size.width())
                    .arg(size.height())
                    .arg(d);
    return args;
}

bool runFfmpeg(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("ffmpeg"),
        QStringList { QStringLiteral("-nostdin"), QStringLiteral("-loglevel"),
            QStringLiteral("error"), QStringLiteral("-y") }
            + args);
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QStringList codecArgs(Clip kind)
{
    auto L = [](std::initializer_list<const char*> l) {
        QStringList out;
        for (const char* s : l)
            out << QString::fromLatin1(s);
        return out;
    };
    switch (kind) {
    case Clip::VcdDat:
    case Clip::Mpg:
        return L(
            { "-c:v", "mpeg1video", "-b:v", "1150k", "-c:a", "mp2", "-b:a", "224k", "-f", "vcd" });
    case Clip::Vob: return L({ "-c:v", "mpeg2video", "-b:v", "4000k", "-c:a", "mp2", "-f", "vob" });
    case Clip::Avi: return L({ "-c:v", "mpeg4", "-c:a", "libmp3lame", "-f", "avi" });
    case Clip::Mp3: return L({ "-c:a", "libmp3lame", "-f", "mp3" });
    case Clip::Asf: return L({ "-c:v", "wmv2", "-c:a", "wmav2", "-f", "asf" });
    case Clip::Wma: return L({ "-c:a", "wmav2", "-f", "asf" });
    case Clip::Mov: return L({ "-c:v", "mjpeg", "-c:a", "pcm_s16le", "-f", "mov" });
    case Clip::Mp4:
        return L({ "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "aac",
            "-f", "mp4" });
    case Clip::SilentMp4:
        return L({ "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-f", "mp4" });
    }
    return {};
}

} // namespace

ClipInfo clipInfo(Clip kind)
{
    switch (kind) {
    case Clip::VcdDat: return { "DAT", { 352, 288 } };
    case Clip::Vob: return { "vob", { 720, 576 } };
    case Clip::Mpg: return { "mpg", { 352, 288 } };
    case Clip::Avi: return { "avi", { 320, 240 } };
    case Clip::Mp3: return { "mp3", {} };
    case Clip::Asf: return { "wmv", { 320, 240 } };
    case Clip::Wma: return { "wma", {} };
    case Clip::Mov: return { "qt", { 320, 240 } };
    case Clip::Mp4: return { "mp4", { 320, 240 } };
    case Clip::SilentMp4: return { "mp4", { 320, 240 } };
    }
    return { "bin", {} };
}

QString clipPath(Clip kind, int seconds)
{
    const ClipInfo info = clipInfo(kind);
    const QString base
        = mediaDir() + QStringLiteral("/clip%1-%2s").arg(static_cast<int>(kind)).arg(seconds);
    const QString path = base + u'.' + QString::fromLatin1(info.extension);
    if (QFile::exists(path))
        return path;
    // Generated under a unique name and renamed, so parallel tests never see
    // half a file.
    const QString tmp = base + QStringLiteral(".tmp%1").arg(QCoreApplication::applicationPid());
    QStringList args = sources(seconds, info.videoSize);
    if (kind != Clip::SilentMp4)
        args << QStringLiteral("-map") << QStringLiteral("0:a");
    if (!info.videoSize.isEmpty())
        args << QStringLiteral("-map") << QStringLiteral("1:v");
    args << codecArgs(kind);
    bool ok = false;
    if (kind == Clip::VcdDat) {
        ok = runFfmpeg(args << tmp + QStringLiteral(".mpg"))
            && wrapCdxa(tmp + QStringLiteral(".mpg"), tmp);
        QFile::remove(tmp + QStringLiteral(".mpg"));
    } else {
        ok = runFfmpeg(args << tmp);
    }
    if (!ok || !QFile::rename(tmp, path)) {
        QFile::remove(tmp);
        if (!QFile::exists(path)) {
            ADD_FAILURE() << "could not generate test clip " << path.toStdString();
            return {};
        }
    }
    return path;
}

QString copyClip(Clip kind, const QString& dir, const QString& name, int seconds)
{
    const QString src = clipPath(kind, seconds);
    const QString dst = dir + u'/' + name;
    QFile::remove(dst);
    if (src.isEmpty() || !QFile::copy(src, dst)) {
        ADD_FAILURE() << "could not copy clip to " << dst.toStdString();
        return {};
    }
    return dst;
}

QString reencodeClip(
    Clip kind, const QString& dir, const QString& name, const QStringList& outputArgs)
{
    const QString src = clipPath(kind);
    const QString dst = dir + u'/' + name;
    if (src.isEmpty()
        || !runFfmpeg(
            QStringList { QStringLiteral("-i"), src } + outputArgs + QStringList { dst })) {
        ADD_FAILURE() << "could not make " << dst.toStdString();
        return {};
    }
    return dst;
}

QString subtitlesOnlyMp4(const QString& dir, const QString& name)
{
    const QString srt = dir + QStringLiteral("/subtitles.srt");
    const QString dst = dir + u'/' + name;
    QFile text(srt);
    const QByteArray cues = "1\n00:00:00,000 --> 00:00:01,500\nFirst line\n\n"
                            "2\n00:00:01,500 --> 00:00:03,000\nSecond line\n";
    if (!text.open(QIODevice::WriteOnly) || text.write(cues) != cues.size()) {
        ADD_FAILURE() << "could not write " << srt.toStdString();
        return {};
    }
    text.close();
    if (!runFfmpeg({ QStringLiteral("-i"), srt, QStringLiteral("-c:s"), QStringLiteral("mov_text"),
            dst })) {
        ADD_FAILURE() << "could not make " << dst.toStdString();
        return {};
    }
    return dst;
}

bool wrapCdxa(const QString& mpegPath, const QString& datPath)
{
    QFile in(mpegPath);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray mpeg = in.readAll();
    constexpr int kPayload = 2324;
    QByteArray body;
    for (qsizetype off = 0; off < mpeg.size(); off += kPayload) {
        QByteArray sector;
        sector.append('\0').append(QByteArray(10, '\xff')).append('\0'); // sync
        sector.append("\x00\x02\x00\x02", 4); // header, mode 2
        sector.append("\x01\x01\x62\x00\x01\x01\x62\x00", 8); // subheader, form 2
        QByteArray chunk = mpeg.mid(off, kPayload);
        chunk.append(QByteArray(kPayload - chunk.size(), '\0'));
        sector.append(chunk).append(QByteArray(4, '\0')); // payload, EDC
        body.append(sector);
    }
    auto le32 = [](quint32 v) {
        QByteArray b(4, '\0');
        qToLittleEndian(v, b.data());
        return b;
    };
    QByteArray out = QByteArray("RIFF") + le32(static_cast<quint32>(4 + 24 + 8 + body.size()))
        + QByteArray("CDXA") + QByteArray("fmt ") + le32(16) + QByteArray(16, '\0')
        + QByteArray("data") + le32(static_cast<quint32>(body.size())) + body;
    QSaveFile file(datPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(out);
    return file.commit();
}

} // namespace veltrin::test
