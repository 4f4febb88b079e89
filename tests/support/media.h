#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

namespace veltrin::test {

// Short clips of every container the player lists, generated with ffmpeg on
// first use and cached in the build folder (moving test picture and a tone).
enum class Clip {
    VcdDat, // MPEG-1 352x288 + MP2 in a RIFF/CDXA wrapper (.DAT)
    Vob, // MPEG-2 720x576 + MP2 program stream (.vob)
    Mpg, // MPEG-1 program stream (.mpg)
    Avi, // MPEG-4 part 2 + MP3 in AVI
    Mp3, // audio only
    Asf, // WMV2 + WMA2 in ASF
    Wma, // WMA2 audio only in ASF
    Mov, // MJPEG + PCM in QuickTime
    Mp4, // H.264 + AAC in MP4
    SilentMp4, // H.264 in MP4, no sound
};

struct ClipInfo {
    const char* extension;
    QSize videoSize; // empty for audio only
};

ClipInfo clipInfo(Clip kind);

// Path of a cached clip of the given kind and length; generated if missing.
// Fails the calling test (and returns "") when generation fails.
QString clipPath(Clip kind, int seconds = 3);

// Copies a clip to dir/name and returns the new path.
QString copyClip(Clip kind, const QString& dir, const QString& name, int seconds = 3);

// Runs ffmpeg on a cached clip with the given output options into dir/name
// and returns the new path. Fails the calling test (and returns "") on error.
QString reencodeClip(
    Clip kind, const QString& dir, const QString& name, const QStringList& outputArgs);

// An MP4 file with one subtitle stream (mov_text) and nothing else, made in
// dir. Fails the calling test (and returns "") on error.
QString subtitlesOnlyMp4(const QString& dir, const QString& name);

// Wraps an MPEG program stream in a Video CD's RIFF/CDXA container
// (2352-byte Mode 2 Form 2 sectors).
bool wrapCdxa(const QString& mpegPath, const QString& datPath);

} // namespace veltrin::test
