#pragma once

#include "player/playercontrol.h"
#include "runtime/filelistmodel.h"

#include <QHash>
#include <QString>
#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QListView;
class QRadioButton;
class QorvXPButton;

namespace veltrin {
class DriveList;
class FolderList;
} // namespace veltrin

// The folder browser: pick a drive, a folder and a kind of media, then play
// the folder or one file in the player, or keep the folder as the default.
// It is created afresh for every opening and deletes itself when closed.
class frmfolder : public QWidget {
    Q_OBJECT
public:
    // The drive list reads its optical drives from the given mount table ("":
    // the system's) and its unmounted ones from `unmountedDrives` (unset: the
    // system's).
    frmfolder(veltrin::PlayerControl& player, const QString& mountTable,
        std::function<QStringList()> unmountedDrives = {}, QWidget* parent = nullptr);

    // The saved default folder, "" when none was saved.
    static QString savedFolder();
    static void saveFolder(const QString& folder);

    // ---- Handlers ----
    void Form_Load();
    void Drive1_Change();
    void Drive1_GotFocus();
    void Dir1_Change();
    void Dir1_Click();
    void optAllmedia_Click();
    void optDVD_Click();
    void optVCD_Click();
    void optAVI_Click();
    void optMP3_Click();
    void UpdateButtons();
    void cmdOKdirectory_Click();
    void cmdOkFile_Click();
    void FileFolder_DblClick();
    void cmdSaveDefault_Click();
    void cmdCancel_Click();

    // ---- Controls ----
    veltrin::DriveList* Drive1 = nullptr;
    veltrin::FolderList* Dir1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QListView* FileFolder = nullptr;
    // The files behind FileFolder: the same list the player's File1 is.
    veltrin::FileListModel FileFolderList;
    QLabel* lblShowDoubleclick = nullptr;
    QRadioButton* optAllmedia = nullptr;
    QRadioButton* optDVD = nullptr;
    QRadioButton* optVCD = nullptr;
    QRadioButton* optAVI = nullptr;
    QRadioButton* optMP3 = nullptr;
    QorvXPButton* cmdOKdirectory = nullptr;
    QorvXPButton* cmdOkFile = nullptr;
    QorvXPButton* cmdSaveDefault = nullptr;
    QorvXPButton* cmdCancel = nullptr;

private:
    void buildControls();
    void connectHandlers();
    void choosePattern(const QString& pattern);
    void playSelectedFile();
    // Hands a choice to the player; its first failure closes this window and
    // shows the player.
    void handOver(const veltrin::FolderChoice& choice);
    void noteFolderOnDrive();
    void syncFileListSelection(int index);

    veltrin::PlayerControl& m_player;
    QString m_mountTable;
    std::function<QStringList()> m_unmountedDrives;
    // The folder last shown on each drive: a drive's current folder.
    QHash<QString, QString> m_driveFolders;
};
