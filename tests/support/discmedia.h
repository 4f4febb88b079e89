#pragma once

#include <QString>
#include <QStringList>

namespace veltrin::test {

// Disc images made with vcdimager and genisoimage on first use and cached
// beside the clips. Tests copy them before damaging them.
struct DiscImages {
    QString vcdCue; // a two-track Video CD 2.0, .cue/.bin
    QString vcdBin;
    QStringList vcdTracks; // the MPEG-1 files (5 s each) handed to vcdimager, in order
    QString dvdIso; // genisoimage -udf of a VIDEO_TS folder
    QString dvdVob; // the VTS_01_1.VOB put into it
};

// Fails the calling test (and returns empty paths) when a tool fails.
const DiscImages& discImages();

QByteArray readAll(const QString& path);
bool writeAll(const QString& path, const QByteArray& bytes);

} // namespace veltrin::test
