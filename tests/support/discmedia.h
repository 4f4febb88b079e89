#pragma once

#include <QString>
#include <QStringList>
#include <span>

namespace veltrin::test {

// Disc images made with vcdimager and genisoimage on first use and cached
// beside the clips. Tests copy them before damaging them.
struct DiscImages {
    QString vcdCue; // a two-track Video CD 2.0, .cue/.bin
    QString vcdBin;
    QStringList vcdTracks; // the MPEG-1 files (5 s each) handed to vcdimager, in order
    QString dvdIso; // genisoimage -udf of a VIDEO_TS folder
    QString dvdVob; // the VTS_01_1.VOB put into it (3 s with sound; the other .vob 1 s each)
    QString cdAudioCue; // writeCdAudio of kCdAudioTones
    QString cdAudioBin;
};

// One audio track of a CD image: a sine of `frequency` Hz, `seconds` long.
struct CdAudioTone {
    int seconds;
    int frequency;
};
inline constexpr CdAudioTone kCdAudioTones[] = { { 3, 440 }, { 4, 660 } };

// Writes `name`.bin, raw 2,352-byte sectors of 44.1 kHz stereo 16-bit PCM,
// little-endian, the tones one after the other, and `name`.cue with one
// TRACK line per tone into `dir`. Returns the .cue's path, "" on failure.
QString writeCdAudio(const QString& dir, const QString& name, std::span<const CdAudioTone> tones);

// Fails the calling test (and returns empty paths) when a tool fails.
const DiscImages& discImages();

QByteArray readAll(const QString& path);
bool writeAll(const QString& path, const QByteArray& bytes);

} // namespace veltrin::test
