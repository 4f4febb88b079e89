#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace veltrin {

// A path into a disc: the disc image or optical device that holds it, and
// the path on the disc, e.g. "/x/films.cue" and "MPEGAV/AVSEQ01.DAT" for
// "/x/films.cue/MPEGAV/AVSEQ01.DAT". Nothing here reads a disc.
struct DiscPath {
    QString container;
    // Components joined by "/", without a leading one; "" for the root folder.
    QString inner;

    bool operator==(const DiscPath&) const = default;
};

// Whether a file name ends in a disc image's extension (.cue .bin .iso .nrg
// .toc), compared without regard to case.
bool hasDiscImageSuffix(const QString& name);

// Whether a path is named like an optical drive's device node (/dev/sr*,
// /dev/cdrom*).
bool hasOpticalDeviceName(const QString& path);

// Whether a path is a disc container on this machine: an existing regular
// file with an image extension, or a block device named like a drive.
bool isDiscContainer(const QString& path);

// Splits a path at the first prefix that is named like a container and that
// `isContainer` accepts. No container: nullopt. The path itself being the
// container gives an empty inner path (the disc's root folder).
std::optional<DiscPath> splitDiscPath(
    const QString& path, const std::function<bool(const QString&)>& isContainer);

// The same against the file system (isDiscContainer); a relative path is
// taken from the current folder.
std::optional<DiscPath> splitDiscPath(const QString& path);

// A path on a disc as its folder names: empty components and "." dropped,
// ".." goes up but never above the root.
QStringList discPathComponents(const QString& inner);

} // namespace veltrin
