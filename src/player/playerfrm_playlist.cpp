#include "player/playerfrm.h"

#include "controls/button/qorvxpbutton.h"
#include "player/playlistfile.h"
#include "runtime/steps.h"

using veltrin::endOnFailure;
using veltrin::Failure;
using veltrin::skipOnFailure;

void playerfrm::readPlayListFile(const QString& path)
{
    m_firstAppended = -1;
    const QList<veltrin::PlayListEntry> entries = veltrin::readPlayList(path);
    if (!entries.isEmpty())
        m_firstAppended = File1.count();
    for (const veltrin::PlayListEntry& e : entries)
        File1.append(e.name, e.path);
}

void playerfrm::LoadPLFile()
{
    skipOnFailure([&] { CurrentFile = File1.currentPath(); });
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
