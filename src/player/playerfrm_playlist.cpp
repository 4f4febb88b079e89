#include "player/playerfrm.h"

#include "controls/button/qorvxpbutton.h"
#include "runtime/steps.h"

#include <QFile>
#include <QFileInfo>

using veltrin::endOnFailure;
using veltrin::Failure;
using veltrin::skipOnFailure;

namespace {

// Play list lines end with CR, LF or CR LF; trailing spaces are dropped and
// empty lines kept. A list longer than this is cut: nobody plays more tracks
// from one folder, and the file list must stay usable.
constexpr int kMaxPlayListLines = 100000;
constexpr qint64 kMaxPlayListBytes = 16 << 20;

QStringList splitPlayList(const QByteArray& bytes)
{
    // The play list is 8-bit text in the system's code page: Latin-1 keeps
    // every byte as one character, and names that are valid UTF-8 stay readable.
    const QString text = QString::fromUtf8(bytes).contains(QChar::ReplacementCharacter)
        ? QString::fromLatin1(bytes)
        : QString::fromUtf8(bytes);
    QStringList lines;
    QString line;
    bool pending = false;
    for (qsizetype i = 0; i < text.size() && lines.size() < kMaxPlayListLines; ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines << line;
            line.clear();
            pending = false;
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else {
            line += c;
            pending = true;
        }
    }
    if (pending && lines.size() < kMaxPlayListLines)
        lines << line;
    for (QString& l : lines) {
        qsizetype end = l.size();
        while (end > 0 && l[end - 1] == u' ')
            --end;
        l.truncate(end);
    }
    return lines;
}

} // namespace

void playerfrm::readPlayListFile(const QString& path)
{
    m_firstAppended = -1;
    QFile file(path);
    // Only a regular file is read: a FIFO or device behind the name would block.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly) || file.isSequential())
        return;
    const QByteArray bytes = file.read(kMaxPlayListBytes);
    const QStringList lines = splitPlayList(bytes);
    if (!lines.isEmpty())
        m_firstAppended = File1.count();
    for (const QString& line : lines)
        File1.append(line);
}

void playerfrm::LoadPLFile()
{
    skipOnFailure([&] { CurrentFile = File1.entryPath(File1.currentName()); });
    skipOnFailure([&] { EnableFullScreen(); });
    skipOnFailure([&] { OpenCurrentFile(); });
}

void playerfrm::NextTrack()
{
    endOnFailure([&] {
        const int i = File1.selectedIndex();
        if (i < 0)
            return;
        cmdStop_Click();
        if (i == File1.count() - 1)
            return;
        File1.select(i + 1);
        LoadPLFile();
        applyVolumeAndBalance();
        if (cmdFullscreen->Tag == u"True")
            GoFullScreen();
        Text4 = File1.currentName();
        setFolderBrowserCaption(QStringLiteral("  Zelto VCD Playlist:") + File1.currentName());
    });
}

void playerfrm::PrevTrack()
{
    endOnFailure([&] {
        const int i = File1.selectedIndex();
        if (i < 0)
            return;
        cmdStop_Click();
        File1.select(i == 0 ? File1.count() - 1 : i - 1);
        LoadPLFile();
        applyVolumeAndBalance();
        if (cmdFullscreen->Tag == u"True")
            GoFullScreen();
        Text4 = File1.currentName();
        setFolderBrowserCaption(QStringLiteral("  Zelto VCD Playlist:") + File1.currentName());
    });
}

void playerfrm::mnuPrev_Click()
{
    PrevTrack();
    focusFolderBrowserIfShown();
}
