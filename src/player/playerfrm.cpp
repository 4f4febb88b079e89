#include "player/playerfrm.h"

#include "player/playerfrm_control.h"

#include "controls/button/qorvxpbutton.h"
#include "controls/scrollbar/dtvisualscrollbar.h"
#include "player/playlistfile.h"
#include "runtime/picture.h"
#include "runtime/propertybag.h"
#include "runtime/steps.h"
#include "runtime/trayicon.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTimer>

using veltrin::bundledPixmap;
using veltrin::endOnFailure;
using veltrin::must;
using veltrin::skipOnFailure;

namespace {
const QString kTitle = QStringLiteral("Zelto Veltrin Player");
const QString kDefaultForm = QStringLiteral(":/forms/playerfrm.form");
} // namespace

playerfrm::playerfrm(Options options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_options(std::move(options))
    , m_control(std::make_unique<Control>(*this))
{
    setWindowTitle(kTitle);
    setWindowIcon(QIcon(bundledPixmap(QStringLiteral(":/icons/veltrin.png"))));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(224, 224, 224));
    setPalette(pal);
    setAutoFillBackground(true);
    buildControls();
    buildMenu();
    connectHandlers();
    watchPointer();
    // The design size: a 489 x 420 inside within the 4-pixel sizing border,
    // but no larger than the screen shows (a small screen at a high scale).
    QSize first(497, 428);
    if (const QScreen* s = screen())
        first = first.boundedTo(s->availableGeometry().size());
    resize(first);
}

playerfrm::~playerfrm()
{
    // Release the graph before the video area it draws into goes away; the
    // player no longer listens to it.
    if (graph.status)
        graph.status->setStatusObserver({});
    graph = {};
}

void playerfrm::buildControls()
{
    const auto form
        = veltrin::FormFile::load(m_options.formFile.isEmpty() ? kDefaultForm : m_options.formFile);
    auto smallFont = [](QWidget* w) {
        QFont f(QStringLiteral("Small Fonts"));
        f.setPointSizeF(6.75);
        f.setBold(true);
        w->setFont(f);
    };

    // The window itself shows only as its sizing border; everything else
    // sits on the client area, which carries the window's background colour.
    QPalette framePal = palette();
    framePal.setColor(QPalette::Window, QColor(112, 112, 112));
    clientArea = new QWidget(this);
    clientArea->setObjectName(QStringLiteral("clientArea"));
    clientArea->setPalette(palette());
    clientArea->setAutoFillBackground(true);
    setPalette(framePal);
    setMouseTracking(true);
    installEventFilter(this);

    lblDisplay = new QLabel(kTitle, clientArea);
    lblDisplay->setObjectName(QStringLiteral("lblDisplay"));
    smallFont(lblDisplay);
    lblDisplay->setGeometry(20, 0, 409, 13);
    lblDisplay->installEventFilter(this);
    lblTimeused = new QLabel(QStringLiteral("00:00:00"), clientArea);
    lblTimeused->setObjectName(QStringLiteral("lblTimeused"));
    smallFont(lblTimeused);
    lblTimeused->setGeometry(383, 0, 49, 13);

    Picture1 = new QWidget(clientArea);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(0, 35, 489, 385);
    QPalette black = Picture1->palette();
    black.setColor(QPalette::Window, Qt::black);
    Picture1->setPalette(black);
    Picture1->setAutoFillBackground(true);
    Picture1->installEventFilter(this);
    Picture1->setFocusPolicy(Qt::NoFocus);

    PicLogo = new QLabel(Picture1);
    PicLogo->setObjectName(QStringLiteral("PicLogo"));
    PicLogo->setPixmap(bundledPixmap(QStringLiteral(":/skin/logo.png")));
    PicLogo->resize(381, 114);
    PicLogo->setAttribute(Qt::WA_TransparentForMouseEvents);

    auto makeButton = [&](QorvXPButton*& b, const char* name, int left, const char* tip) {
        b = new QorvXPButton(clientArea);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(left, 16, 30, 15);
        b->setToolTip(QString::fromLatin1(tip));
        b->ReadProperties(form.control(b->objectName()));
    };
    makeButton(cmdAutodetect, "cmdAutodetect", 0, "Auto detect");
    makeButton(cmdOpenall, "cmdOpenall", 32, "Browse");
    makeButton(cmdBacktrack, "cmdBacktrack", 64, "PreviousTrack");
    makeButton(cmdPause, "cmdPause", 96, "Pause");
    makeButton(cmdPlay, "cmdPlay", 128, "Play");
    makeButton(cmdForward, "cmdForward", 160, "Fast Forward");
    makeButton(cmdStop, "cmdStop", 192, "Stop");
    makeButton(cmdNexttrack, "cmdNexttrack", 224, "Next Track");
    makeButton(cmdFullscreen, "cmdFullscreen", 256, "Full screen");
    cmdFullscreen->Tag = QStringLiteral("False");
    cmdFullscreen->setButtonEnabled(false);

    auto makeTitleButton
        = [&](QWidget*& b, const char* name, const char* tip, const char* picture) {
              auto* label = new QLabel(clientArea);
              label->setObjectName(QString::fromLatin1(name));
              label->setToolTip(QString::fromLatin1(tip));
              label->setAccessibleName(QString::fromLatin1(tip));
              label->setPixmap(bundledPixmap(QString::fromLatin1(picture)));
              label->setScaledContents(true);
              label->resize(13, 13);
              label->installEventFilter(this);
              b = label;
          };
    makeTitleButton(ButtonEx0, "ButtonEx0", "Help", ":/skin/title-help.png");
    makeTitleButton(ButtonEx1, "ButtonEx1", "Minimize", ":/skin/title-minimize.png");
    makeTitleButton(ButtonEx2, "ButtonEx2", "Maximize", ":/skin/title-maximize.png");
    makeTitleButton(ButtonEx3, "ButtonEx3", "Exit", ":/skin/title-exit.png");

    auto makeSlider = [&](dtVisualScrollBar*& s, const char* name, const char* tip) {
        s = new dtVisualScrollBar(clientArea);
        s->setObjectName(QString::fromLatin1(name));
        s->setToolTip(QString::fromLatin1(tip));
        s->ReadProperties(form.control(s->objectName()));
    };
    makeSlider(H1, "H1", "Seek");
    makeSlider(V1, "V1", "Volume");
    makeSlider(H2, "H2", "Balance");
    H1->setGeometry(290, 24, 193, 7);
    V1->setGeometry(423, 16, 64, 7);
    H2->setGeometry(339, 16, 56, 7);

    Timer1 = new QTimer(this);
    // Single shot, armed only while a graph exists and something can change.
    Timer1->setSingleShot(true);
    Timer1->setTimerType(Qt::PreciseTimer);

    tray = new veltrin::TrayIcon(this);
    connect(tray, &veltrin::TrayIcon::message, this, &playerfrm::chkSystrayMsg_MouseMove);

    // The window sees key presses before its controls do.
    for (QWidget* w : clientArea->findChildren<QWidget*>())
        w->installEventFilter(this);
}

void playerfrm::buildMenu()
{
    mnuPopup = new QMenu(this);
    auto add = [&](QAction*& action, const char* caption) {
        action = mnuPopup->addAction(QString::fromLatin1(caption));
    };
    add(mnuShow, "Show Player");
    mnuPopup->addSeparator();
    add(mnuOpen, "Browse");
    mnuPopup->addSeparator();
    add(mnuPlay, "Play");
    add(mnuPause, "Pause");
    add(mnuStop, "Stop");
    mnuPopup->addSeparator();
    add(mnuFullscreen, "Full Screen");
    mnuFullscreen->setEnabled(false);
    mnuPopup->addSeparator();
    add(mnuNext, "Next Track");
    add(mnuPrev, "Previous Track");
    mnuPopup->addSeparator();
    add(mnuHelp, "Help");
    add(mnuAbout, "About");
    mnuPopup->addSeparator();
    add(mnuCancel, "Cancel");
    mnuPopup->addSeparator();
    add(mnuExit, "Exit");
}

void playerfrm::connectHandlers()
{
    connect(cmdPlay, &QorvXPButton::Click, this, &playerfrm::fncPlay);
    connect(cmdPause, &QorvXPButton::Click, this, &playerfrm::Pause);
    connect(cmdStop, &QorvXPButton::Click, this, &playerfrm::cmdStop_Click);
    connect(cmdNexttrack, &QorvXPButton::Click, this, &playerfrm::NextTrack);
    connect(cmdBacktrack, &QorvXPButton::Click, this, &playerfrm::PrevTrack);
    connect(cmdOpenall, &QorvXPButton::Click, this, &playerfrm::showFolderBrowser);
    connect(cmdFullscreen, &QorvXPButton::Click, this, &playerfrm::cmdFullscreen_Click);
    connect(cmdAutodetect, &QorvXPButton::Click, this, &playerfrm::cmdAutodetect_Click);
    connect(cmdForward, &QorvXPButton::MouseDown, this, &playerfrm::cmdForward_MouseDown);
    connect(cmdForward, &QorvXPButton::MouseUp, this, &playerfrm::cmdForward_MouseUp);

    connect(mnuShow, &QAction::triggered, this, &playerfrm::mnuShow_Click);
    connect(mnuOpen, &QAction::triggered, this, &playerfrm::showFolderBrowser);
    connect(mnuPlay, &QAction::triggered, this, &playerfrm::mnuPlay_Click);
    connect(mnuPause, &QAction::triggered, this, &playerfrm::Pause);
    connect(mnuStop, &QAction::triggered, this, &playerfrm::fncStop);
    connect(mnuFullscreen, &QAction::triggered, this, &playerfrm::cmdFullscreen_Click);
    connect(mnuNext, &QAction::triggered, this, &playerfrm::NextTrack);
    connect(mnuPrev, &QAction::triggered, this, &playerfrm::mnuPrev_Click);
    connect(mnuHelp, &QAction::triggered, this, &playerfrm::showHelp);
    connect(mnuAbout, &QAction::triggered, this, &playerfrm::showAbout);
    connect(mnuExit, &QAction::triggered, this, &playerfrm::mnuExit_Click);

    connect(H1, &dtVisualScrollBar::Scroll, this, &playerfrm::H1_Scroll);
    // A press on the track or an arrow moves the thumb by a step: the position
    // follows it as it follows a drag.
    connect(H1, &dtVisualScrollBar::UserStep, this, &playerfrm::H1_Scroll);
    connect(V1, &dtVisualScrollBar::Scroll, this, &playerfrm::V1_Scroll);
    connect(H2, &dtVisualScrollBar::Change, this, &playerfrm::H2_Change);
    connect(
        V1, &dtVisualScrollBar::Change, m_control.get(), &veltrin::PlayerControl::volumeChanged);
    connect(Timer1, &QTimer::timeout, this, &playerfrm::Timer1_Timer);
    // Every run, pause, stop, open, rate change and engine end reaches the
    // player as a notice; seeks announce themselves.
    connect(
        m_control.get(), &veltrin::PlayerControl::stateChanged, this, &playerfrm::timelineChanged);
    connect(
        m_control.get(), &veltrin::PlayerControl::trackChanged, this, &playerfrm::timelineChanged);
    connect(m_control.get(), &veltrin::PlayerControl::seeked, this, &playerfrm::timelineChanged);

    Text4.onChange([this] { Text4_Change(); });
    txtSectotime1.onChange([this] { txtSectotime1_Change(); });
    txtSectotime3.onChange([this] { txtSectotime3_Change(); });
    lblTimeusedText.onChange([this] { lblTimeused_Change(); });
    Label3.onChange([this] { Label3_Change(); });
    lblDisplayCaption.onChange([this] { lblDisplay_Change(); });
}

void playerfrm::Form_Load(const QString& commandLine)
{
    // Step 1 (single instance) is decided by main() before the window exists.
    if (m_options.useTray)
        tray->SetTrayIcon(veltrin::TrayIcon::Add, windowIcon(), kTitle);
    Command29_Click();
    if (!commandLine.isEmpty()) {
        CurrentFile = commandLine;
        scheduleNotice();
        LoadCommFile();
    }
}

void playerfrm::LoadCommFile()
{
    // One branch per kind of name.
    if (playDiscImage(CurrentFile))
        return;
    if (veltrin::isPlayListName(CurrentFile)) {
        openPlayListFile();
        return;
    }
    openSingleFile();
}

void playerfrm::openPlayListFile()
{
    // A single file opened before is no entry to stay on: the list plays
    // its own first entry.
    if (File1.pattern().isEmpty())
        File1.select(-1);
    readPlayListFile(CurrentFile);
    // A list read at start-up plays its first entry unless one is current
    // already (a disc track found by the start-up probe).
    if (File1.selectedIndex() < 0 && m_firstAppended >= 0)
        skipOnFailure([&] { File1.select(m_firstAppended); });
    skipOnFailure([&] { LoadPLFile(); });
    skipOnFailure([&] { PlayBtn(); });
}

void playerfrm::openSingleFile()
{
    // The file becomes a play list of its own, so Play after its end, Next,
    // Previous and Full Screen treat it as any entry. The empty pattern lists
    // none of the folder's files; the entry plays from its own path, so a name
    // with wildcard characters is taken as written.
    const QFileInfo info(CurrentFile);
    const QString path = CurrentFile;
    File1.setPattern(QString());
    skipOnFailure([&] { File1.setPath(info.absolutePath()); });
    File1.append(info.fileName(), path);
    skipOnFailure([&] { File1.select(File1.count() - 1); });
    LoadPLFile();
    setDisplayCaption(playingCaption(File1.currentName()));
}

void playerfrm::CleanUp()
{
    graph.control.reset();
    graph.audio.reset();
    graph.position.reset();
}

void playerfrm::mnuExit_Click()
{
    CleanUp();
    tray->SetTrayIcon(veltrin::TrayIcon::Delete, windowIcon(), kTitle);
    closeSecondaryWindowsOnExit();
    close();
}

void playerfrm::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    CleanUp();
    tray->SetTrayIcon(veltrin::TrayIcon::Delete, windowIcon(), kTitle);
    Timer1->stop();
}

void playerfrm::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void playerfrm::setDisplayCaption(const QString& caption)
{
    lblDisplayCaption = caption;
}

void playerfrm::lblDisplay_Change()
{
    lblDisplay->setText(lblDisplayCaption.get());
    lblDisplay->setToolTip(CurrentFile);
}
