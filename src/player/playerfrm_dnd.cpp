#include "player/playerfrm.h"

#include "runtime/mediafiles.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>

bool playerfrm::acceptFileDrops()
{
    setAcceptDrops(true);
    return true;
}

void playerfrm::dragEnterEvent(QDragEnterEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (data && data->hasUrls() && !veltrin::firstMediaFile(data->urls()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void playerfrm::dropEvent(QDropEvent* event)
{
    const QMimeData* data = event->mimeData();
    const QString path
        = data && data->hasUrls() ? veltrin::firstMediaFile(data->urls()) : QString();
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Opened after the drop has been answered: rendering takes a while and
    // the application the file came from waits for the answer.
    QTimer::singleShot(0, this, [this, path] { openCommandLine(path); });
}
