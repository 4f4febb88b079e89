#pragma once

#include <QList>
#include <QString>
#include <QUrl>

namespace veltrin {

// Whether a name has one of the extensions the player opens (play lists
// included), compared without regard to case.
bool isMediaFileName(const QString& name);

// Whether a name is read as a play list rather than played: it ends in
// ".pls", ".m3u" or ".m3u8", written all in lower or all in upper case
// (".Pls" is a media name that simply fails to open).
bool isPlayListName(const QString& name);

// The first local, existing regular file among the URLs whose name is a media
// or play list name; "" when there is none. Folders, remote URLs and other
// files are passed over.
QString firstMediaFile(const QList<QUrl>& urls);

// The text after the last separator; a path ending in one gives its last
// folder name with that separator. A path without one is its own name.
QString fileNamePart(const QString& path);

} // namespace veltrin
