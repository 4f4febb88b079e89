#include "player/playerfrm.h"

#include "engine/disc.h"
#include "runtime/mounts.h"
#include "runtime/steps.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>

using veltrin::Failure;

// A probe touches only drives holding a disc: mounted ones from the mount
// table, unmounted ones only when the kernel gives them a size, so an empty
// or unready drive is never opened. What a probe reads is one folder (a
// mounted one served by the kernel, an unmounted one read through libcdio;
// a damaged disc is bounded by the drive's command timeout) and then the
// chosen file, whose opening is bounded by the engine's preroll wait.

namespace {

const QString kNoDriveFound = QStringLiteral("CD Drive");
const QString kVcdFolder = QStringLiteral("MPEGAV");
const QString kDvdFolder = QStringLiteral("VIDEO_TS");
const QString kDiscPattern = QStringLiteral("*.dat;*.vob");
const QString kCdAudioPattern = QStringLiteral("*.cda");

QString joinPath(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

// The disc folder of that name whatever its case: Linux shows an ISO 9660 disc
// in lower case, a UDF one as written. A disc without it gives the upper-case
// path, which then fails to list.
// A drive nobody mounted (a device, or an image) is listed from the disc.
QString discFolder(const QString& mountPoint, const QString& name)
{
    QStringList folders;
    if (const auto entries = veltrin::listDiscFolder(mountPoint)) {
        for (const veltrin::DiscEntry& e : *entries) {
            if (e.folder)
                folders << e.name;
        }
    } else {
        folders = QDir(mountPoint)
                      .entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    }
    if (folders.contains(name))
        return joinPath(mountPoint, name);
    for (const QString& f : folders) {
        if (f.compare(name, Qt::CaseInsensitive) == 0)
            return joinPath(mountPoint, f);
    }
    return joinPath(mountPoint, name);
}

} // namespace

// The part every probe shares: note the drives again, take the given one and
// aim Text2 at its disc folder. False when there is no drive at all, which
// ends the probe without a failure.
bool playerfrm::probeDrive(int entry, const QString& folder)
{
    const QStringList drives
        = m_probedImage.isEmpty() ? CDLETTERS() : QStringList { m_probedImage };
    if (drives.isEmpty())
        return false;
    List1 += drives;
    if (entry >= List1.size())
        throw Failure("no such drive entry");
    const QString drive = List1.at(entry);
    Text2 = discFolder(drive, folder);
    txtCDdrive = drive;
    return true;
}

// Text2 holds its initial text until a drive is found; that is no folder, even
// if the current folder happens to hold one of that name. A disc is listed by
// its own track kinds: a narrower filter left by the folder browser ("MP3")
// would otherwise hide every track and no disc would ever be found again.
void playerfrm::pointFileListAtProbedFolder(const QString& pattern)
{
    if (!QDir::isAbsolutePath(Text2))
        throw Failure("no disc folder probed");
    File1.setPath(Text2);
    File1.setPattern(pattern);
}

QStringList playerfrm::CDLETTERS() const
{
    return veltrin::opticalMountPoints(m_options.mountTable) + unmountedDrives();
}

QStringList playerfrm::unmountedDrives() const
{
    return m_options.unmountedDrives
        ? m_options.unmountedDrives()
        : veltrin::unmountedOpticalDevices(m_options.mountTable, m_options.blockFolder);
}

void playerfrm::ProbeVcdDrive1()
{
    // Its caller opens the folder and handles the failure.
    probeDrive(0, kVcdFolder);
}

void playerfrm::ProbeVcdDrive2()
{
    try {
        if (!probeDrive(1, kVcdFolder))
            return;
        pointFileListAtProbedFolder(kDiscPattern);
        File1.select(0);
        fncPlay();
    } catch (const Failure&) {
        ProbeDvdDrive1();
    }
}

void playerfrm::ProbeDvdDrive1()
{
    try {
        if (!probeDrive(0, kDvdFolder))
            return;
        pointFileListAtProbedFolder(kDiscPattern);
        // The third title file: the first two are menus and intros.
        File1.select(2);
        fncPlay();
    } catch (const Failure&) {
        ProbeDvdDrive2();
    }
}

void playerfrm::ProbeDvdDrive2()
{
    try {
        if (!probeDrive(1, kDvdFolder))
            return;
        pointFileListAtProbedFolder(kDiscPattern);
        File1.select(2);
        fncPlay();
    } catch (const Failure&) {
        ProbeCdAudioDrive1();
    }
}

// An audio CD's tracks are Track01.cda... in its root folder.
void playerfrm::probeCdAudio(int entry)
{
    if (!probeDrive(entry, QString()))
        return;
    Text2 = txtCDdrive;
    pointFileListAtProbedFolder(kCdAudioPattern);
    File1.select(0);
    fncPlay();
}

void playerfrm::ProbeCdAudioDrive1()
{
    try {
        probeCdAudio(0);
    } catch (const Failure&) {
        ProbeCdAudioDrive2();
    }
}

void playerfrm::ProbeCdAudioDrive2()
{
    try {
        probeCdAudio(1);
    } catch (const Failure&) {
        // The last probe: nothing found, nothing said.
    }
}

void playerfrm::Command29_Click()
{
    try {
        ProbeVcdDrive1();
        pointFileListAtProbedFolder(kDiscPattern);
        File1.select(0);
        setDisplayCaption(QStringLiteral("Loading... Please be patient..."));
        if (txtCDdrive != kNoDriveFound)
            fncPlay();
    } catch (const Failure&) {
        ProbeVcdDrive2();
    }
}

void playerfrm::cmdAutodetect_Click()
{
    DisableFullScreen();
    try {
        // Forget the current file so that play opens what the probe selects.
        fncStop();
        File1.setPath(QCoreApplication::applicationDirPath());
        ProbeVcdDrive1();
        if (txtCDdrive != kNoDriveFound) {
            pointFileListAtProbedFolder(kDiscPattern);
            File1.select(0);
            fncPlay();
        }
    } catch (const Failure&) {
        ProbeVcdDrive2();
    }
    // Every probe came back without opening a track.
    if (CurrentFile.isEmpty())
        setDisplayCaption(QStringLiteral("Zelto Veltrin Player :no disc found"));
}

bool playerfrm::playDiscImage(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile() || !veltrin::hasDiscImageSuffix(info.fileName()))
        return false;
    // Forget the image as the current file so that play opens what the
    // probes select.
    fncStop();
    m_probedImage = info.absoluteFilePath();
    const auto done = qScopeGuard([this] { m_probedImage.clear(); });
    try {
        ProbeVcdDrive1();
        pointFileListAtProbedFolder(kDiscPattern);
        File1.select(0);
        fncPlay();
    } catch (const Failure&) {
        ProbeVcdDrive2();
    }
    return true;
}
