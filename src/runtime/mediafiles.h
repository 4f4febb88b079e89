#pragma once

#include <QList>
#include <QString>
#include <QUrl>

namespace veltrin {

// Whether a name has one of the extensions the player opens (a play list
// ".pls" included), compared without regard to case.
bool isMediaFileName(const QString& name);

// The first local, existing regular file among the URLs whose name is a media
// or play list name; "" when there is none. Folders, remote URLs and other
// files are passed over.
QString firstMediaFile(const QList<QUrl>& urls);

// The text after the last separator; a path ending in one gives its last
// folder name with that separator. A path without one is its own name.
QString fileNamePart(const QString& path);

} // namespace veltrin
