#include "browser/drivelist.h"
#include "browser/folderlist.h"
#include "browser/frmfolder.h"
#include "controls/button/qorvxpbutton.h"
#include "player/playerfrm_testpeer.h"
#include "runtime/steps.h"
#include "support/discmedia.h"
#include "support/fake_player.h"
#include "support/media.h"
#include "support/wait.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using veltrin::IGraphStatus;
using veltrin::PlaybackState;
using veltrin::test::Clip;
using veltrin::test::copyClip;
using veltrin::test::waitFor;

namespace {

const QString kAllMedia
    = QStringLiteral("*.vob;*.mp3;*.dat;*.avi;*.qt;*.mpeg;*.mpg;*.asf;*.wm;*wma;*.wmv;*.cda;*.mp4;"
                     "*.cue;*.iso;*.nrg;*.toc");
const QString kTitlePrefix = QStringLiteral("Zelto Veltrin Player :");

// A player with its own mount table, the process in a folder of the test's
// own and the settings store in a temporary folder.
class FolderBrowser : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (auto format : { QSettings::NativeFormat, QSettings::IniFormat }) {
            QSettings::setPath(format, QSettings::UserScope, settingsDir.path());
            QSettings::setPath(
                format, QSettings::SystemScope, settingsDir.filePath(QStringLiteral("system")));
        }
        cwd = folder(QStringLiteral("cwd"));
        for (const char* name :
            { "A.VOB", "b.mp3", "c.dat", "clip.Mpg", "song.xwma", "notes.txt", ".hidden.mp3" })
            touch(cwd, QString::fromLatin1(name));
        previousCwd = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(cwd));
        writeTable({ "/dev/sda1 / ext4 rw 0 0", "proc /proc proc rw 0 0" });
        player = std::make_unique<playerfrm>(
            playerfrm::Options { .mountTable = table, .formFile = {}, .useTray = false });
    }

    void TearDown() override
    {
        player.reset();
        QDir::setCurrent(previousCwd);
    }

    QString folder(const QString& name)
    {
        const QString path = QDir::cleanPath(tmp.filePath(name));
        QDir().mkpath(path);
        return path;
    }

    static void touch(const QString& dir, const QString& name)
    {
        QFile(dir + u'/' + name).open(QIODevice::WriteOnly);
    }

    void writeTable(const QStringList& lines)
    {
        QFile f(table);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write((lines.join(u'\n') + u'\n').toUtf8());
    }

    // Real clips: 1.mpg, 2.avi, 3.mp3, and two sub-folders.
    QString films()
    {
        const QString dir = folder(QStringLiteral("films"));
        copyClip(Clip::Mpg, dir, QStringLiteral("1.mpg"));
        copyClip(Clip::Avi, dir, QStringLiteral("2.avi"));
        copyClip(Clip::Mp3, dir, QStringLiteral("3.mp3"));
        folder(QStringLiteral("films/sub B"));
        folder(QStringLiteral("films/sub a"));
        return dir;
    }

    PlayerTestPeer in() const { return PlayerTestPeer(*player); }

    frmfolder* open()
    {
        player->showFolderBrowser();
        return in().m_folder;
    }

    void playFirst(const QString& dir, const QString& pattern)
    {
        in().File1.setPath(dir);
        in().File1.setPattern(pattern);
        in().File1.select(0);
        player->fncPlay();
    }

    // The graph the player holds, seen as its observers see it.
    IGraphStatus* engine() const { return in().graph.status.get(); }
    PlaybackState engineState() const
    {
        return engine() ? engine()->playbackState() : PlaybackState::Stopped;
    }

    bool plays() const
    {
        return engine() && waitFor([&] { return engineState() == PlaybackState::Playing; });
    }

    static bool closes(const QPointer<frmfolder>& f)
    {
        return waitFor([&] { return f.isNull(); });
    }

    QTemporaryDir settingsDir;
    QTemporaryDir tmp;
    QString table = tmp.filePath(QStringLiteral("mounts"));
    QString cwd;
    QString previousCwd;
    std::unique_ptr<playerfrm> player;
};

TEST_F(FolderBrowser, withoutSavedFolderListsAllMediaOfTheCurrentFolder)
{
    frmfolder* f = open();
    ASSERT_NE(f, nullptr);

    EXPECT_EQ(f->windowTitle(), u"Folder");
    EXPECT_TRUE(f->isVisible());
    EXPECT_FALSE(f->isModal());
    EXPECT_TRUE(f->Text1->text().isEmpty());
    EXPECT_EQ(f->Dir1->path(), cwd);
    EXPECT_EQ(f->Drive1->drive(), u"/");
    EXPECT_TRUE(f->optAllmedia->isChecked());
    EXPECT_EQ(f->FileFolderList.pattern(), kAllMedia);
    EXPECT_EQ(f->FileFolderList.path(), cwd);
    // "*wma" has no dot; hidden files and other kinds stay out.
    EXPECT_EQ(f->FileFolderList.entries(),
        (QStringList { "A.VOB", "b.mp3", "c.dat", "clip.Mpg", "song.xwma" }));
    EXPECT_EQ(f->FileFolder->model(), &f->FileFolderList);
    for (QorvXPButton* b : { f->cmdOKdirectory, f->cmdOkFile, f->cmdSaveDefault, f->cmdCancel })
        EXPECT_TRUE(b->Enabled()) << b->objectName().toStdString();
}

TEST_F(FolderBrowser, filtersNarrowTheListAndUpdateTheButtons)
{
    frmfolder* f = open();
    f->FileFolderList.select(0);
    struct Case {
        QRadioButton* option;
        const char* pattern;
        QStringList entries;
    };
    const Case cases[] = {
        { f->optDVD, "*.vob", { "A.VOB" } },
        { f->optAVI, "*.avi", {} },
        { f->optVCD, "*.dat", { "c.dat" } },
        { f->optMP3, "*.mp3", { "b.mp3" } },
        { f->optAVI, "*.avi", {} },
        { f->optAllmedia, "", { "A.VOB", "b.mp3", "c.dat", "clip.Mpg", "song.xwma" } },
    };
    for (const Case& c : cases) {
        const std::string name = c.option->objectName().toStdString();
        c.option->click();
        EXPECT_EQ(
            f->FileFolderList.pattern(), *c.pattern ? QString::fromLatin1(c.pattern) : kAllMedia)
            << name;
        EXPECT_EQ(f->FileFolderList.entries(), c.entries) << name;
        EXPECT_EQ(f->FileFolderList.selectedIndex(), -1) << name;
        EXPECT_TRUE(f->FileFolder->selectionModel()->selectedRows().isEmpty()) << name;
        const bool any = !c.entries.isEmpty();
        EXPECT_EQ(f->cmdOKdirectory->Enabled(), any) << name;
        EXPECT_EQ(f->cmdOkFile->Enabled(), any) << name;
        EXPECT_EQ(f->cmdSaveDefault->Enabled(), any) << name;
        EXPECT_EQ(f->lblShowDoubleclick->isEnabled(), any) << name;
        EXPECT_TRUE(f->cmdCancel->Enabled()) << name;
        for (QRadioButton* o : { f->optAllmedia, f->optDVD, f->optVCD, f->optAVI, f->optMP3 })
            EXPECT_EQ(o->isChecked(), o == c.option) << name;
    }
}

TEST_F(FolderBrowser, playSelectedFileAfterAFilterChangeGivesNoCurrentEntry)
{
    QPointer<frmfolder> f = open();
    f->optMP3->click();

    emit f->cmdOkFile->Click();

    EXPECT_EQ(in().File1.selectedIndex(), -1);
    EXPECT_EQ(in().File1.pattern(), u"*.mp3");
    // The bare folder was tried and nothing plays.
    EXPECT_EQ(in().CurrentFile, cwd + u'/');
    EXPECT_EQ(engineState(), PlaybackState::Stopped);
    EXPECT_TRUE(player->isVisible());
    EXPECT_TRUE(closes(f));
}

TEST_F(FolderBrowser, savedFolderOpensThereWithItsFirstFileSelected)
{
    const QString dir = films();
    frmfolder::saveFolder(dir + u'/'); // a trailing separator names the same folder

    frmfolder* f = open();

    EXPECT_EQ(f->Dir1->path(), dir);
    EXPECT_EQ(f->Text1->text(), dir);
    EXPECT_EQ(f->FileFolderList.path(), dir);
    EXPECT_EQ(f->FileFolderList.entries(), (QStringList { "1.mpg", "2.avi", "3.mp3" }));
    EXPECT_EQ(f->FileFolderList.selectedIndex(), 0);
    ASSERT_EQ(f->FileFolder->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(f->FileFolder->selectionModel()->selectedRows().first().row(), 0);
}

TEST_F(FolderBrowser, opensWithItsButtonsDisabledOnAnEmptyList)
{
    const QString empty = folder(QStringLiteral("empty"));
    for (const QString& saved : { QString(), cwd, empty }) {
        for (const QString& name : QDir(cwd).entryList(QDir::Files | QDir::Hidden))
            QFile::remove(cwd + u'/' + name);
        if (!saved.isEmpty())
            frmfolder::saveFolder(saved);
        QPointer<frmfolder> f = open();
        ASSERT_EQ(f->FileFolderList.count(), 0) << saved.toStdString();
        for (QorvXPButton* b : { f->cmdOKdirectory, f->cmdOkFile, f->cmdSaveDefault })
            EXPECT_FALSE(b->Enabled()) << saved.toStdString() << b->objectName().toStdString();
        // A click on Save as Default keeps what was saved.
        QTest::mouseClick(
            f->cmdSaveDefault, Qt::LeftButton, {}, f->cmdSaveDefault->rect().center());
        EXPECT_EQ(QSettings(QStringLiteral("Veltrin"), QStringLiteral("Veltrin"))
                      .value("Settings/Dir")
                      .toString(),
            saved);
        if (f)
            f->close();
        ASSERT_TRUE(closes(f));
    }
}

TEST_F(FolderBrowser, savedFolderThatIsGoneLeavesTheListsAtTheCurrentFolder)
{
    const QString gone = tmp.filePath(QStringLiteral("gone"));
    frmfolder::saveFolder(gone);

    frmfolder* f = open();

    EXPECT_EQ(f->Text1->text(), gone);
    EXPECT_EQ(f->Dir1->path(), cwd);
    EXPECT_EQ(f->FileFolderList.path(), cwd);
    EXPECT_EQ(f->FileFolderList.count(), 5);
}

TEST_F(FolderBrowser, folderListShowsAncestorsThenSubFoldersAndOpensOnActivation)
{
    const QString dir = films();
    frmfolder* f = open();
    f->Dir1->setPath(dir);

    QStringList texts;
    for (int i = 0; i < f->Dir1->count(); ++i)
        texts << f->Dir1->item(i)->text();
    QStringList expected { "/" };
    expected += dir.split(u'/', Qt::SkipEmptyParts);
    expected << "sub a"
             << "sub B";
    EXPECT_EQ(texts, expected);
    const int depth = static_cast<int>(dir.count(u'/'));
    EXPECT_EQ(f->Dir1->currentItem()->data(veltrin::FolderList::kPathRole).toString(), dir);
    EXPECT_EQ(f->Dir1->item(f->Dir1->count() - 1)->data(veltrin::FolderList::kDepthRole).toInt(),
        depth + 1);

    // A single click keeps the folder but takes back what was typed.
    f->Text1->setText(QStringLiteral("typed"));
    f->FileFolderList.select(2);
    QListWidgetItem* sub = f->Dir1->item(f->Dir1->count() - 2);
    emit f->Dir1->itemClicked(sub);
    EXPECT_EQ(f->Dir1->path(), dir);
    EXPECT_EQ(f->Text1->text(), dir);
    EXPECT_EQ(f->FileFolderList.selectedIndex(), 0);
    EXPECT_TRUE(f->cmdOkFile->Enabled());

    // Activation opens the folder: an empty one disables the play buttons.
    emit f->Dir1->itemActivated(sub);
    EXPECT_EQ(f->Dir1->path(), dir + "/sub a");
    EXPECT_EQ(f->Text1->text(), dir + "/sub a");
    EXPECT_EQ(f->FileFolderList.count(), 0);
    EXPECT_FALSE(f->cmdOkFile->Enabled());
    EXPECT_FALSE(f->lblShowDoubleclick->isEnabled());
}

TEST_F(FolderBrowser, driveListKeepsEachDrivesFolderAndSnapsBackFromAnUnreadableDisc)
{
    const QString cd = folder(QStringLiteral("cdrom0"));
    const QString mpegav = folder(QStringLiteral("cdrom0/MPEGAV"));
    touch(mpegav, QStringLiteral("AVSEQ01.DAT"));
    const QString absent = tmp.filePath(QStringLiteral("absent"));
    writeTable({ "/dev/sda1 / ext4 rw 0 0", "/dev/sr0 " + cd + " iso9660 ro 0 0",
        "/dev/sr1 " + absent + " iso9660 ro 0 0" });
    frmfolder* f = open();
    EXPECT_EQ(f->Drive1->drives(), (QStringList { "/", absent, cd }));

    f->Drive1->setDrive(cd);
    EXPECT_EQ(f->Dir1->path(), cd);
    EXPECT_EQ(f->Text1->text(), cd);
    f->Dir1->setPath(mpegav);
    EXPECT_EQ(f->FileFolderList.entries(), QStringList { "AVSEQ01.DAT" });

    // Each drive comes back at the folder last shown on it.
    f->Drive1->setDrive(QStringLiteral("/"));
    EXPECT_EQ(f->Dir1->path(), cwd);
    f->Drive1->setDrive(cd);
    EXPECT_EQ(f->Dir1->path(), mpegav);

    // The user picks the drive whose disc cannot be read.
    f->Drive1->setCurrentIndex(f->Drive1->findText(absent));
    EXPECT_EQ(f->Drive1->drive(), cd);
    EXPECT_EQ(f->Dir1->path(), mpegav);
    EXPECT_EQ(f->Text1->text(), mpegav);

    // Walking into a folder on another drive moves the drive list with it.
    f->Dir1->setPath(QStringLiteral("/"));
    EXPECT_EQ(f->Drive1->drive(), u"/");
    f->Dir1->setPath(cd);
    EXPECT_EQ(f->Drive1->drive(), cd);
}

TEST_F(FolderBrowser, playThisFolderWhileAFilePlaysChangesTheListButTheLoadedFileKeepsPlaying)
{
    const QString dir = films();
    playFirst(dir, QStringLiteral("*.mpg"));
    ASSERT_TRUE(plays());
    IGraphStatus* playing = engine();
    const QString other = folder(QStringLiteral("other"));
    touch(other, QStringLiteral("x.avi"));
    touch(other, QStringLiteral("w.mp3"));
    QPointer<frmfolder> f = open();
    f->Dir1->setPath(other);

    emit f->cmdOKdirectory->Click();

    EXPECT_EQ(in().File1.path(), other);
    EXPECT_EQ(in().File1.pattern(), kAllMedia);
    EXPECT_EQ(in().File1.currentName(), u"w.mp3");
    EXPECT_EQ(in().lblDisplayCaption.get(), kTitlePrefix + "w.mp3");
    EXPECT_EQ(in().CurrentFile, dir + "/1.mpg");
    EXPECT_EQ(engine(), playing);
    EXPECT_EQ(playing->playbackState(), PlaybackState::Playing);
    EXPECT_TRUE(player->isVisible());
    EXPECT_TRUE(closes(f));
}

class PlaySelectedFile : public FolderBrowser, public ::testing::WithParamInterface<bool> { };

TEST_P(PlaySelectedFile, stopsFirstAndOpensTheChosenFile)
{
    const bool byDoubleClick = GetParam();
    const QString dir = films();
    playFirst(dir, QStringLiteral("*.mpg"));
    ASSERT_TRUE(plays());
    IGraphStatus* before = engine();
    QPointer<frmfolder> f = open();
    f->Dir1->setPath(dir);
    const QModelIndex avi = f->FileFolderList.index(1);
    ASSERT_TRUE(waitFor([&] { return f->FileFolder->visualRect(avi).isValid(); }));
    const QPoint at = f->FileFolder->visualRect(avi).center();

    if (byDoubleClick) {
        // What the window system delivers for a double-click: press, release,
        // double-click, release.
        QWidget* viewport = f->FileFolder->viewport();
        for (QEvent::Type type : { QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                 QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease }) {
            const Qt::MouseButtons held
                = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent event(
                type, at, viewport->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
            QApplication::sendEvent(viewport, &event);
        }
    } else {
        QTest::mouseClick(f->FileFolder->viewport(), Qt::LeftButton, {}, at);
        EXPECT_EQ(f->FileFolderList.selectedIndex(), 1);
        emit f->cmdOkFile->Click();
    }

    EXPECT_EQ(in().File1.currentName(), u"2.avi");
    EXPECT_EQ(in().CurrentFile, dir + "/2.avi");
    EXPECT_EQ(in().lblDisplayCaption.get(), kTitlePrefix + "2.avi");
    EXPECT_NE(engine(), before);
    EXPECT_TRUE(plays());
    EXPECT_TRUE(player->isVisible());
    EXPECT_TRUE(closes(f));
}

INSTANTIATE_TEST_SUITE_P(ButtonOrDoubleClick, PlaySelectedFile, ::testing::Bool(),
    [](const auto& info) { return info.param ? "doubleClick" : "button"; });

// A disc image is listed among all media (a .bin stays out: its .cue stands
// for it) and plays as the disc inside it.
TEST_F(FolderBrowser, aChosenDiscImagePlaysTheDiscInIt)
{
    const auto& d = veltrin::test::discImages();
    ASSERT_FALSE(d.dvdIso.isEmpty());
    const QString dir = folder(QStringLiteral("images"));
    ASSERT_TRUE(QFile::link(d.dvdIso, dir + "/dvd.iso"));
    ASSERT_TRUE(QFile::link(d.vcdCue, dir + "/vcd.cue"));
    ASSERT_TRUE(QFile::link(d.vcdBin, dir + "/vcd.bin"));
    QPointer<frmfolder> f = open();
    f->Dir1->setPath(dir);
    ASSERT_EQ(f->FileFolderList.entries(), (QStringList { "dvd.iso", "vcd.cue" }));

    f->FileFolderList.select(0);
    emit f->cmdOkFile->Click();

    EXPECT_EQ(in().CurrentFile, dir + "/dvd.iso/VIDEO_TS/VTS_01_1.VOB");
    EXPECT_TRUE(plays());
    EXPECT_TRUE(player->isVisible());
    EXPECT_TRUE(closes(f));
}

// A drive whose disc nobody mounted (an image stands for its device) is
// offered after the mounted ones; its folders are walked and its files play
// as any folder's.
TEST_F(FolderBrowser, aDriveNobodyMountedIsBrowsedAndPlayed)
{
    const auto& d = veltrin::test::discImages();
    ASSERT_FALSE(d.vcdCue.isEmpty());
    const QString cd = folder(QStringLiteral("cdrom0"));
    writeTable({ "/dev/sda1 / ext4 rw 0 0", "/dev/sr0 " + cd + " iso9660 ro 0 0" });
    player.reset();
    player = std::make_unique<playerfrm>(playerfrm::Options { .mountTable = table,
        .unmountedDrives = [&d] { return QStringList { d.vcdCue }; },
        .formFile = {},
        .useTray = false });
    QPointer<frmfolder> f = open();
    EXPECT_EQ(f->Drive1->drives(), (QStringList { "/", cd, d.vcdCue }));

    f->Drive1->setDrive(d.vcdCue);
    EXPECT_EQ(f->Dir1->path(), d.vcdCue);
    const auto rows = [&] {
        QStringList names;
        for (int i = 0; i < f->Dir1->count(); ++i)
            names << f->Dir1->item(i)->text();
        return names;
    };
    // The disc's own folders follow the image's place among the folders.
    const QStringList root = rows();
    ASSERT_GE(root.size(), 3);
    EXPECT_EQ(root.mid(root.indexOf(QFileInfo(d.vcdCue).fileName()) + 1),
        (QStringList { "EXT", "MPEGAV", "VCD" }));

    f->Dir1->setPath(d.vcdCue + "/mpegav"); // names on a disc match in any case
    EXPECT_EQ(f->Dir1->path(), d.vcdCue + "/mpegav");
    f->optVCD->click();
    ASSERT_EQ(f->FileFolderList.entries(), (QStringList { "AVSEQ01.DAT", "AVSEQ02.DAT" }));
    EXPECT_EQ(f->Drive1->drive(), d.vcdCue);

    f->FileFolderList.select(1);
    emit f->cmdOkFile->Click();
    EXPECT_EQ(in().CurrentFile, d.vcdCue + "/mpegav/AVSEQ02.DAT");
    EXPECT_TRUE(plays());
    EXPECT_TRUE(closes(f));

    // A folder the disc does not hold does not open.
    f = open();
    f->Drive1->setDrive(d.vcdCue);
    EXPECT_THROW(f->Dir1->setPath(d.vcdCue + "/NOSUCH"), veltrin::Failure);
    EXPECT_EQ(f->Dir1->path(), d.vcdCue);
}

TEST_F(FolderBrowser, saveAsDefaultSavesTheTypedTextButPlaysTheListedFolder)
{
    const QString dir = films();
    QPointer<frmfolder> f = open();
    f->Dir1->setPath(dir);
    f->optMP3->click();
    f->Text1->setText(QStringLiteral("/typed/elsewhere"));

    emit f->cmdSaveDefault->Click();

    EXPECT_EQ(QSettings(QStringLiteral("Veltrin"), QStringLiteral("Veltrin"))
                  .value("Settings/Dir")
                  .toString(),
        u"/typed/elsewhere");
    EXPECT_TRUE(QFile::exists(settingsDir.filePath(QStringLiteral("Veltrin/Veltrin.conf"))));
    EXPECT_EQ(in().File1.path(), dir);
    EXPECT_EQ(in().File1.pattern(), u"*.mp3");
    EXPECT_EQ(in().CurrentFile, dir + "/3.mp3");
    EXPECT_TRUE(plays());
    EXPECT_TRUE(player->isVisible());
    ASSERT_TRUE(closes(f));

    // The next opening starts afresh from the saved text.
    frmfolder* again = open();
    EXPECT_EQ(again->Text1->text(), u"/typed/elsewhere");
    EXPECT_TRUE(again->optAllmedia->isChecked());
    EXPECT_EQ(again->Dir1->path(), cwd);
}

TEST_F(FolderBrowser, cancelClosesAndShowsThePlayerLeavingThePlayListAlone)
{
    const QString before = in().File1.path();
    QPointer<frmfolder> f = open();
    f->optDVD->click();
    ASSERT_FALSE(player->isVisible());

    emit f->cmdCancel->Click();

    EXPECT_TRUE(player->isVisible());
    EXPECT_EQ(in().File1.path(), before);
    EXPECT_EQ(in().File1.selectedIndex(), -1);
    EXPECT_TRUE(closes(f));
}

class FolderVanished : public FolderBrowser, public ::testing::WithParamInterface<int> { };

TEST_P(FolderVanished, playActionClosesTheWindowAndShowsThePlayer)
{
    const QString doomed = folder(QStringLiteral("doomed"));
    touch(doomed, QStringLiteral("a.mpg"));
    QPointer<frmfolder> f = open();
    f->Dir1->setPath(doomed);
    ASSERT_TRUE(QDir(doomed).removeRecursively());
    const QString before = in().File1.path();

    QorvXPButton* buttons[] = { f->cmdOKdirectory, f->cmdOkFile, f->cmdSaveDefault };
    emit buttons[GetParam()]->Click();

    EXPECT_FALSE(f && f->isVisible());
    EXPECT_TRUE(player->isVisible());
    EXPECT_EQ(in().File1.path(), before);
    EXPECT_EQ(in().graph.control, nullptr); // nothing was opened
    EXPECT_TRUE(closes(f));
}

std::string actionName(const ::testing::TestParamInfo<int>& info)
{
    static const char* const names[] = { "playThisFolder", "playSelectedFile", "saveAsDefault" };
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(Actions, FolderVanished, ::testing::Values(0, 1, 2), actionName);

TEST_F(FolderBrowser, trackChangeNamesAHiddenBrowserThatExitCloses)
{
    veltrin::test::FakePlayer p;
    p.in().File1.select(0);

    p.player->NextTrack();

    QPointer<frmfolder> f = p.in().m_folder;
    ASSERT_FALSE(f.isNull());
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(f->windowTitle(), "  Zelto VCD Playlist:" + p.in().File1.entry(1));
    p.player->showFolderBrowser();
    EXPECT_EQ(p.in().m_folder, f);
    EXPECT_TRUE(f->isVisible());

    p.player->mnuExit_Click();
    EXPECT_TRUE(closes(f));
}

} // namespace
