#pragma once

#include <QList>
#include <QString>
#include <QUrl>

class playerfrm;

namespace veltrin {

// Whether a name has one of the extensions the player opens (a play list
// ".pls" included), compared without regard to case.
bool isMediaFileName(const QString& name);

// The first local, existing regular file among the URLs whose name is a media
// or play list name; "" when there is none. Folders, remote URLs and other
// files are passed over.
QString firstMediaFile(const QList<QUrl>& urls);

// Opens a path the way the command line does: it becomes the current file and
// is played, or read as a play list.
void openAsCommandLine(playerfrm& player, const QString& path);

} // namespace veltrin
