#include "browser/frmfolder.h"

#include "browser/drivelist.h"
#include "browser/folderlist.h"
#include "controls/button/qorvxpbutton.h"
#include "runtime/discpath.h"
#include "runtime/propertybag.h"
#include "runtime/steps.h"
#include "runtime/units.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>

using veltrin::FolderChoice;
using veltrin::skipOnFailure;

namespace {

const QString kForm = QStringLiteral(":/forms/frmfolder.form");
const QString kTitlePrefix = QStringLiteral("Zelto Veltrin Player :");

const QString kAllMediaPattern
    = QStringLiteral("*.vob;*.mp3;*.dat;*.avi;*.qt;*.mpeg;*.mpg;*.asf;*.wm;*wma;*.wmv;*.cda;*.mp4;"
                     "*.cue;*.iso;*.nrg;*.toc");
const QString kDvdPattern = QStringLiteral("*.vob");
const QString kVcdPattern = QStringLiteral("*.dat");
const QString kAviPattern = QStringLiteral("*.avi");
const QString kMp3Pattern = QStringLiteral("*.mp3");

// The layout is drawn in twips; widgets take pixels.
QRect twips(int left, int top, int width, int height)
{
    auto px
        = [](int t) { return static_cast<int>(veltrin::roundHalfEven(veltrin::twipsToPixels(t))); };
    return { px(left), px(top), px(width), px(height) };
}

} // namespace

frmfolder::frmfolder(veltrin::PlayerControl& player, const QString& mountTable,
    std::function<QStringList()> unmountedDrives, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_player(player)
    , m_mountTable(mountTable)
    , m_unmountedDrives(std::move(unmountedDrives))
{
    setWindowTitle(QStringLiteral("Folder"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    connectHandlers();
    Form_Load();
}

void frmfolder::buildControls()
{
    QFont smallFont(QStringLiteral("Small Fonts"));
    smallFont.setPointSizeF(6.75);
    setFont(smallFont);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xE0, 0xE0, 0xE0));
    setPalette(pal);
    setAutoFillBackground(true);
    const QRect client = twips(0, 0, 5895, 3975);
    setFixedSize(client.size());

    Drive1 = new veltrin::DriveList(m_mountTable, m_unmountedDrives, this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setGeometry(twips(0, 0, 2055, 315));

    Dir1 = new veltrin::FolderList(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setGeometry(twips(0, 360, 2055, 2235));
    // The lists start at the process's current folder and its drive.
    skipOnFailure([&] { Dir1->setPath(QDir::currentPath()); });
    Drive1->setDriveQuietly(Drive1->driveOf(Dir1->path()));
    m_driveFolders.insert(Drive1->drive(), Dir1->path());

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twips(0, 2640, 2055, 255));

    FileFolderList.setPattern(kAllMediaPattern);
    FileFolder = new QListView(this);
    FileFolder->setObjectName(QStringLiteral("FileFolder"));
    FileFolder->setGeometry(twips(2160, 0, 3615, 2730));
    FileFolder->setModel(&FileFolderList);
    FileFolder->setSelectionMode(QAbstractItemView::SingleSelection);
    FileFolder->setEditTriggers(QAbstractItemView::NoEditTriggers);

    lblShowDoubleclick = new QLabel(QStringLiteral("Double-click to play selected file "), this);
    lblShowDoubleclick->setObjectName(QStringLiteral("lblShowDoubleclick"));
    lblShowDoubleclick->setGeometry(twips(2160, 2760, 2055, 255));

    auto option = [&](QRadioButton*& o, const char* name, const char* caption, QRect geometry) {
        o = new QRadioButton(QString::fromLatin1(caption), this);
        o->setObjectName(QString::fromLatin1(name));
        o->setGeometry(geometry);
    };
    // Siblings with one parent: they exclude each other as one group.
    // Narrower than drawn (1095, 735, 735) so no option covers the next one.
    option(optAllmedia, "optAllmedia", "All Media", twips(120, 3120, 960, 255));
    option(optDVD, "optDVD", "DVD", twips(1080, 3120, 615, 255));
    option(optVCD, "optVCD", "VCD", twips(1800, 3120, 720, 255));
    option(optAVI, "optAVI", "AVI", twips(2520, 3120, 720, 255));
    option(optMP3, "optMP3", "MP3", twips(3240, 3120, 735, 255));
    optAllmedia->setChecked(true);

    const auto form = veltrin::FormFile::load(kForm);
    auto button = [&](QorvXPButton*& b, const char* name, QRect geometry) {
        b = new QorvXPButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(geometry);
        b->ReadProperties(form.control(b->objectName()));
    };
    button(cmdOKdirectory, "cmdOKdirectory", twips(120, 3480, 855, 375));
    button(cmdOkFile, "cmdOkFile", twips(1080, 3480, 975, 375));
    button(cmdSaveDefault, "cmdSaveDefault", twips(2160, 3480, 975, 375));
    button(cmdCancel, "cmdCancel", twips(3240, 3480, 975, 375));
}

void frmfolder::connectHandlers()
{
    connect(Drive1, &veltrin::DriveList::driveChanged, this, &frmfolder::Drive1_Change);
    connect(Drive1, &veltrin::DriveList::gotFocus, this, &frmfolder::Drive1_GotFocus);
    connect(Dir1, &veltrin::FolderList::pathChanged, this, [this] {
        noteFolderOnDrive();
        Dir1_Change();
    });
    connect(Dir1, &veltrin::FolderList::folderClicked, this, &frmfolder::Dir1_Click);

    // The view and the list keep one selection: the list's current entry.
    connect(&FileFolderList, &veltrin::FileListModel::selectionChanged, this,
        &frmfolder::syncFileListSelection);
    connect(FileFolder->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QModelIndexList rows = FileFolder->selectionModel()->selectedRows();
        const int row = rows.isEmpty() ? -1 : rows.first().row();
        if (row != FileFolderList.selectedIndex())
            skipOnFailure([&] { FileFolderList.select(row); });
    });
    connect(FileFolder, &QListView::doubleClicked, this, &frmfolder::FileFolder_DblClick);

    connect(optAllmedia, &QRadioButton::clicked, this, &frmfolder::optAllmedia_Click);
    connect(optDVD, &QRadioButton::clicked, this, &frmfolder::optDVD_Click);
    connect(optVCD, &QRadioButton::clicked, this, &frmfolder::optVCD_Click);
    connect(optAVI, &QRadioButton::clicked, this, &frmfolder::optAVI_Click);
    connect(optMP3, &QRadioButton::clicked, this, &frmfolder::optMP3_Click);

    connect(cmdOKdirectory, &QorvXPButton::Click, this, &frmfolder::cmdOKdirectory_Click);
    connect(cmdOkFile, &QorvXPButton::Click, this, &frmfolder::cmdOkFile_Click);
    connect(cmdSaveDefault, &QorvXPButton::Click, this, &frmfolder::cmdSaveDefault_Click);
    connect(cmdCancel, &QorvXPButton::Click, this, &frmfolder::cmdCancel_Click);
}

namespace {

// QSettings reads its file whole on the GUI thread: a FIFO there would block
// it for good, a device never end, a huge file stall the window.
bool settingsFileUsable()
{
    const QFileInfo file(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Veltrin/Veltrin.conf"));
    return !file.exists() || (file.isFile() && file.size() <= (1 << 20));
}

} // namespace

QString frmfolder::savedFolder()
{
    if (!settingsFileUsable())
        return {};
    QSettings settings(QStringLiteral("Veltrin"), QStringLiteral("Veltrin"));
    const QString folder = settings.value(QStringLiteral("Settings/Dir")).toString();
    // No path holds a NUL; Qt's file calls complain about one on stderr.
    return folder.contains(QChar(u'\0')) ? QString() : folder;
}

void frmfolder::saveFolder(const QString& folder)
{
    if (!settingsFileUsable())
        return;
    QSettings settings(QStringLiteral("Veltrin"), QStringLiteral("Veltrin"));
    settings.setValue(QStringLiteral("Settings/Dir"), folder);
}

void frmfolder::Form_Load()
{
    Text1->setText(savedFolder());
    skipOnFailure([&] { Dir1->setPath(Text1->text()); });
    // Listing the same folder again would drop the file the change above selected.
    if (FileFolderList.path() != Dir1->path())
        skipOnFailure([&] { FileFolderList.setPath(Dir1->path()); });
    // The saved folder is the current folder of its drive by now, so a change
    // of drive here keeps the lists on it.
    skipOnFailure([&] { Drive1->setDrive(Drive1->driveOf(Text1->text())); });
    // The folder may not have changed at all, and then nothing above did it.
    UpdateButtons();
}

void frmfolder::noteFolderOnDrive()
{
    const QString drive = Drive1->driveOf(Dir1->path());
    m_driveFolders.insert(drive, Dir1->path());
    // A folder below another mount point is on that drive: the list follows.
    Drive1->setDriveQuietly(drive);
}

void frmfolder::Drive1_Change()
{
    const QString drive = Drive1->drive();
    const QString folder = m_driveFolders.value(drive, drive);
    const bool opened = skipOnFailure([&] { Dir1->setPath(folder); })
        // The folder last shown there may be gone; the drive's root may not.
        || (folder != drive && skipOnFailure([&] { Dir1->setPath(drive); }));
    if (!opened)
        Drive1->setDriveQuietly(Drive1->driveOf(Dir1->path()));
}

void frmfolder::Drive1_GotFocus()
{
    const QString drive = Drive1->drive();
    skipOnFailure([&] { Dir1->setPath(m_driveFolders.value(drive, drive)); });
}

void frmfolder::Dir1_Change()
{
    Dir1_Click();
    UpdateButtons();
}

void frmfolder::Dir1_Click()
{
    skipOnFailure([&] { FileFolderList.setPath(Dir1->path()); });
    Text1->setText(Dir1->path());
    skipOnFailure([&] { FileFolderList.select(0); });
}

void frmfolder::choosePattern(const QString& pattern)
{
    FileFolderList.setPattern(pattern);
    UpdateButtons();
}

void frmfolder::optAllmedia_Click()
{
    choosePattern(kAllMediaPattern);
}

void frmfolder::optDVD_Click()
{
    choosePattern(kDvdPattern);
}

void frmfolder::optVCD_Click()
{
    choosePattern(kVcdPattern);
}

void frmfolder::optAVI_Click()
{
    choosePattern(kAviPattern);
}

void frmfolder::optMP3_Click()
{
    choosePattern(kMp3Pattern);
}

void frmfolder::UpdateButtons()
{
    const bool any = FileFolderList.count() > 0;
    cmdOKdirectory->setButtonEnabled(any);
    cmdOkFile->setButtonEnabled(any);
    cmdSaveDefault->setButtonEnabled(any);
    lblShowDoubleclick->setEnabled(any);
}

void frmfolder::handOver(const FolderChoice& choice)
{
    const bool played = m_player.playFolder(choice);
    close();
    if (!played)
        m_player.showWindow();
}

void frmfolder::cmdOKdirectory_Click()
{
    // Media already loaded plays on.
    handOver({ .folder = Dir1->path(),
        .pattern = FileFolderList.pattern(),
        .index = 0,
        .stopFirst = false,
        .titlePrefix = kTitlePrefix });
}

void frmfolder::playSelectedFile()
{
    // A disc image (its .cue standing for its .bin) plays as the disc in it,
    // the way the command line opens it.
    const int index = FileFolderList.selectedIndex();
    if (index >= 0 && veltrin::hasDiscImageSuffix(FileFolderList.entry(index))) {
        const QString image = FileFolderList.entryPathAt(index);
        close();
        m_player.openCommandLine(image);
        m_player.showWindow();
        return;
    }
    // Same folder, same pattern, same list: the index names the same file.
    handOver({ .folder = Dir1->path(),
        .pattern = FileFolderList.pattern(),
        .index = FileFolderList.selectedIndex(),
        .stopFirst = true,
        .titlePrefix = kTitlePrefix });
}

void frmfolder::cmdOkFile_Click()
{
    playSelectedFile();
}

void frmfolder::FileFolder_DblClick()
{
    playSelectedFile();
}

void frmfolder::cmdSaveDefault_Click()
{
    saveFolder(Text1->text());
    // The title line stays as it is.
    const FolderChoice choice { .folder = Dir1->path(),
        .pattern = FileFolderList.pattern(),
        .index = 0,
        .stopFirst = false,
        .titlePrefix = {} };
    close();
    if (!m_player.playFolder(choice))
        m_player.showWindow();
}

void frmfolder::cmdCancel_Click()
{
    close();
    m_player.showWindow();
}

void frmfolder::syncFileListSelection(int index)
{
    QItemSelectionModel* selection = FileFolder->selectionModel();
    if (index < 0) {
        selection->clearSelection();
        return;
    }
    const QModelIndex row = FileFolderList.index(index);
    selection->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect);
}
