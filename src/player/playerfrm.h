#pragma once

#include "engine/interfaces.h"
#include "player/playercontrol.h"
#include "runtime/filelistmodel.h"
#include "runtime/observable.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QMenu;
class QAction;
class QTimer;
class QorvXPButton;
class dtVisualScrollBar;
class frmfolder;
class frmAbout;
class frmHelp;

namespace veltrin {
class TrayIcon;
}

using veltrin::GraphFactory;
using veltrin::GraphRefs;
using veltrin::makeGStreamerGraph;

struct PlayerOptions {
    GraphFactory graphFactory = makeGStreamerGraph;
    // Mount table read for optical drives; empty means the system's.
    QString mountTable;
    // Folder of the kernel's block devices, read for optical drives holding a
    // disc nobody mounted; empty means the system's.
    QString blockFolder = {};
    // The sources of unmounted drives (device paths, or disc images in tests);
    // unset, unmountedOpticalDevices(mountTable, blockFolder).
    std::function<QStringList()> unmountedDrives = {};
    // Form file of the window's controls; empty means the built-in one.
    QString formFile;
    // Whether to add the tray icon (tests run without one).
    bool useTray = true;
};

// The main window: the player. It owns the playback graph, the play list and
// the hidden fields that carry the rest of its state; its handlers are named
// after the control and the event they answer.
class playerfrm : public QWidget {
    Q_OBJECT
public:
    using Options = PlayerOptions;

    explicit playerfrm(Options options = {}, QWidget* parent = nullptr);
    ~playerfrm() override;

    // ---- Start-up, state and shutdown ----
    // The load handler: tray icon, disc auto play, then the command line.
    void Form_Load(const QString& commandLine);
    void LoadCommFile();
    void CleanUp();
    void mnuExit_Click();
    void Form_Unload();

    // ---- Opening and playing ----
    void OpenCurrentFile();
    void fncPlay();
    void PlayBtn();
    void mnuPlay_Click();
    void fncStop();
    void cmdStop_Click() { fncStop(); }
    void Pause();
    void Text4_Change();
    static QString Getfilename(const QString& path);

    // ---- Play list and track sequence ----
    // Appends every line of a play list file to File1; an unreadable file adds nothing.
    void readPlayListFile(const QString& path);
    void LoadPLFile();
    void NextTrack();
    void PrevTrack();
    void mnuPrev_Click();

    // ---- Position, time display and seeking ----
    static QString SecToTime(double seconds);
    void Timer1_Timer();
    // Something the timeline shows may have jumped (a seek, a new rate, a
    // state change, an open): tick where the fixed 10 ms tick would have.
    void timelineChanged();
    void txtSectotime1_Change();
    void lblTimeused_Change();
    void txtSectotime3_Change();
    void Label3_Change();
    void H1_Scroll();
    void cmdForward_MouseDown();
    void cmdForward_MouseUp();
    void V1_Scroll();
    void H2_Change();

    // ---- Frame, video area and full screen ----
    void Form_Resize();
    void CorrectAspect();
    void GoFullScreen();
    void cmdFullscreen_Click();
    void mnuShow_Click();
    void EnableFullScreen();
    void DisableFullScreen();
    void Form_KeyDown(int keyCode);
    void lblDisplay_DblClick();
    void ButtonEx0_Click();
    void ButtonEx1_Click();
    void ButtonEx2_Click();
    void ButtonEx3_Click();

    // ---- Tray icon and pop-up menu ----
    // The tray icon's callback; m is the mouse message that happened on the icon.
    void chkSystrayMsg_MouseMove(int m);
    // Pops a menu up at the given screen point; flag 8 puts its right edge there.
    static constexpr int kAlignRight = 8;
    void PopupAtCursor(QMenu* menu, int flags, const QPoint& pointer);

    // ---- Disc detection ----
    void Command29_Click();
    void cmdAutodetect_Click();
    // The CD-ROM drives: mount points of the mounted optical discs, sorted,
    // then the devices of the discs nobody mounted; empty when there is none.
    QStringList CDLETTERS() const;
    // The devices of the optical drives whose disc nobody mounted.
    QStringList unmountedDrives() const;
    void ProbeVcdDrive1();
    void ProbeVcdDrive2();
    void ProbeDvdDrive1();
    void ProbeDvdDrive2();
    void ProbeCdAudioDrive1();
    void ProbeCdAudioDrive2();
    // A disc image opened as a file plays as the disc in it: the probes run
    // on it alone. False (nothing done) when the path is no disc image.
    bool playDiscImage(const QString& path);

    // The title line; its change handler keeps the tooltip on CurrentFile.
    void setDisplayCaption(const QString& caption);

    // ---- Windows this one opens ----
    void showFolderBrowser();
    void showHelp();
    void showAbout();

    const Options& options() const { return m_options; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A media or play list file dropped on the window opens as from the
    // command line (playerfrm_dnd.cpp).
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool acceptFileDrops(); // runs as the window is built

private:
    void buildControls();
    void buildMenu();
    void connectHandlers();
    void applyVolumeAndBalance();
    // The common steps of Next and Previous Track.
    void changeTrack(bool forward);
    void lblDisplay_Change();
    void closeSecondaryWindowsOnExit();
    void focusFolderBrowserIfShown();
    void placeFullScreenVideo();
    void beginBorderResize(const QPoint& pos);
    // In full screen the pointer hides while it rests over the window.
    void watchPointer();
    void pointerMoved();
    void hideRestingPointer();
    void showPointer();
    void continueBorderResize(const QPoint& globalPos);

public:
    int windowStateValue() const; // 0 normal, 1 minimised, 2 maximised
    void setWindowStateValue(int state);

    // The folder browser window when it exists; created hidden on demand.
    frmfolder* folderBrowser(bool create);

    // The player as the rest of the program drives and follows it.
    veltrin::PlayerControl& control();

private:
    friend struct PlayerTestPeer;
    class Control;

    void setFolderBrowserCaption(const QString& caption);
    // Disc detection: note the drives again and aim Text2 at the given
    // drive's disc folder; false when there is no drive at all.
    bool probeDrive(int entry, const QString& folder);
    void pointFileListAtProbedFolder(const QString& pattern);
    // The audio-CD probes' shared part: File1 at the drive's root, its tracks.
    void probeCdAudio(int entry);
    // Graph calls that also tell whether the player wants the graph running.
    void runGraph();
    void pauseGraph();
    void stopGraph();
    void attachGraph(GraphRefs fresh);
    bool playFolder(const veltrin::FolderChoice& choice);
    // The two kinds of name LoadCommFile opens.
    void openPlayListFile();
    void openSingleFile();
    // The title line for the named entry: "cannot play" when its open failed.
    QString playingCaption(const QString& name) const;
    void openCommandLine(const QString& path);
    void raiseWindow();
    veltrin::PlaybackState playbackState() const;
    // Tells the player's followers what changed, once per pass of the event loop.
    void scheduleNotice();
    void sendNotices();
    // Timer1 runs only while a graph plays, at the ticks where something it
    // shows can change.
    void scheduleTimer1();
    void armTimer1(qint64 now, qint64 due);
    qint64 timelineNow() const;

    // ---- State ----
    QString CurrentFile;
    int SourceWidth = 0;
    int SourceHeight = 0;
    GraphRefs graph; // control, audio, position, video window
    veltrin::FileListModel File1;
    veltrin::ObservableText Text4;
    veltrin::ObservableText txtSectotime1 { QStringLiteral("00:00:00") };
    veltrin::ObservableText txtSectotime3 { QStringLiteral("00:00:00") };
    veltrin::ObservableText lblTimeusedText { QStringLiteral("00:00:00") };
    veltrin::ObservableText Label3 { QStringLiteral("00:00:00") };
    veltrin::ObservableText Label4 { QStringLiteral("00:00:00") };
    veltrin::ObservableText lblDisplayCaption { QStringLiteral("Zelto Veltrin Player") };
    QString lblDisplayTag; // saved window state while in full screen
    QStringList List1; // disc detection state
    QString Text2 = QStringLiteral("Text2");
    QString txtCDdrive = QStringLiteral("CD Drive");
    // While set, the only drive the probes see (a disc image being opened).
    QString m_probedImage;

    // Controls. They live on the client area, the window's inside within its
    // sizing border; SW and SH of the layout are the client area's size.
    QWidget* clientArea = nullptr;
    QLabel* lblDisplay = nullptr;
    QLabel* lblTimeused = nullptr;
    QWidget* Picture1 = nullptr;
    QLabel* PicLogo = nullptr;
    QorvXPButton* cmdAutodetect = nullptr;
    QorvXPButton* cmdOpenall = nullptr;
    QorvXPButton* cmdBacktrack = nullptr;
    QorvXPButton* cmdPause = nullptr;
    QorvXPButton* cmdPlay = nullptr;
    QorvXPButton* cmdForward = nullptr;
    QorvXPButton* cmdStop = nullptr;
    QorvXPButton* cmdNexttrack = nullptr;
    QorvXPButton* cmdFullscreen = nullptr;
    QWidget* ButtonEx0 = nullptr;
    QWidget* ButtonEx1 = nullptr;
    QWidget* ButtonEx2 = nullptr;
    QWidget* ButtonEx3 = nullptr;
    dtVisualScrollBar* H1 = nullptr;
    dtVisualScrollBar* V1 = nullptr;
    dtVisualScrollBar* H2 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* pointerRest = nullptr; // how long the pointer rests before it hides
    QMenu* mnuPopup = nullptr;
    QAction* mnuShow = nullptr;
    QAction* mnuOpen = nullptr;
    QAction* mnuPlay = nullptr;
    QAction* mnuPause = nullptr;
    QAction* mnuStop = nullptr;
    QAction* mnuFullscreen = nullptr;
    QAction* mnuNext = nullptr;
    QAction* mnuPrev = nullptr;
    QAction* mnuHelp = nullptr;
    QAction* mnuAbout = nullptr;
    QAction* mnuCancel = nullptr;
    QAction* mnuExit = nullptr;
    veltrin::TrayIcon* tray = nullptr;

    QPointer<frmfolder> m_folder;
    QPointer<frmAbout> m_about;
    QPointer<frmHelp> m_help;

    Options m_options;
    bool m_acceptsDrops = acceptFileDrops();
    bool m_unloaded = false;
    int m_firstAppended = -1; // first entry the last play list file added
    qint16 m_dragX = 0; // pointer position at the last press on a drag surface
    qint16 m_dragY = 0;
    Qt::Edges m_resizeEdges; // sizing-border drag in progress without the window manager
    QRect m_resizeStart;
    QPoint m_resizeOrigin;
    bool m_openFailed = false; // the last open could not render its file
    bool m_runRequested = false; // the last transport call asked the graph to run
    qint64 m_tickDue = -1; // when Timer1 fires, on the timeline's clock
    std::function<qint64()> m_timelineClock; // empty: the steady clock; tests step their own
    quint64 m_graphsMade = 0;
    bool m_noticePending = false;
    struct Noticed {
        QString file;
        quint64 track = 0;
        std::optional<double> duration;
    } m_noticed;
    std::unique_ptr<Control> m_control;
};
