#include "player/playerfrm.h"

#include "controls/button/qorvxpbutton.h"
#include "player/playlistfile.h"
#include "runtime/steps.h"

#include <QFile>
#include <QFileInfo>

using veltrin::endOnFailure;
using veltrin::Failure;
using veltrin::skipOnFailure;

void playerfrm::readPlayListFile(const QString& path)
{
    m_firstAppended = -1;
    QFile file(path);
    // Only a regular file is read: a FIFO or device behind the name would block.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly) || file.isSequential())
        return;
    const QByteArray bytes = file.read(veltrin::kMaxPlayListBytes);
    const QStringList lines = veltrin::splitPlayList(bytes);
    if (!lines.isEmpty())
        m_firstAppended = File1.count();
    for (const QString& line : lines)
        File1.append(line);
}

void playerfrm::LoadPLFile()
{
    skipOnFailure([&] { CurrentFile = File1.entryPath(File1.currentName()); });
    scheduleNotice();
    skipOnFailure([&] { EnableFullScreen(); });
    skipOnFailure([&] { OpenCurrentFile(); });
}

void playerfrm::NextTrack()
{
    changeTrack(true);
}

void playerfrm::PrevTrack()
{
    changeTrack(false);
}

void playerfrm::changeTrack(bool forward)
{
    endOnFailure([&] {
        const int i = File1.selectedIndex();
        if (i < 0)
            return;
        cmdStop_Click();
        if (forward) {
            if (i == File1.count() - 1)
                return; // after the last entry playback stays stopped
            File1.select(i + 1);
        } else {
            File1.select(i == 0 ? File1.count() - 1 : i - 1); // wraps to the last
        }
        LoadPLFile();
        applyVolumeAndBalance();
        if (cmdFullscreen->Tag == u"True")
            GoFullScreen();
        Text4 = File1.currentName();
        setFolderBrowserCaption(QStringLiteral("  Zelto VCD Playlist:") + File1.currentName());
    });
}

bool playerfrm::playFolder(const veltrin::FolderChoice& choice)
{
    return endOnFailure([&] {
        if (choice.stopFirst) {
            File1.setPattern(choice.pattern);
            fncStop();
            File1.setPath(choice.folder);
        } else {
            File1.setPath(choice.folder);
            File1.setPattern(choice.pattern);
        }
        File1.select(choice.index);
        show();
        if (choice.titlePrefix)
            setDisplayCaption(*choice.titlePrefix + File1.currentName());
        // Media already loaded plays on: play only opens when nothing is.
        fncPlay();
    });
}

void playerfrm::mnuPrev_Click()
{
    PrevTrack();
    focusFolderBrowserIfShown();
}
