#pragma once

// For tests only: the window's controls and hidden state, which the rest of
// the program reaches through PlayerControl alone. Any test program that
// links the library may include it; nothing under src/ does.

#include "player/playerfrm.h"

struct PlayerTestPeer {
    explicit PlayerTestPeer(playerfrm& p)
        : CurrentFile(p.CurrentFile)
        , SourceWidth(p.SourceWidth)
        , SourceHeight(p.SourceHeight)
        , graph(p.graph)
        , File1(p.File1)
        , Text4(p.Text4)
        , txtSectotime1(p.txtSectotime1)
        , txtSectotime3(p.txtSectotime3)
        , lblTimeusedText(p.lblTimeusedText)
        , Label3(p.Label3)
        , Label4(p.Label4)
        , lblDisplayCaption(p.lblDisplayCaption)
        , lblDisplayTag(p.lblDisplayTag)
        , List1(p.List1)
        , Text2(p.Text2)
        , txtCDdrive(p.txtCDdrive)
        , clientArea(p.clientArea)
        , lblDisplay(p.lblDisplay)
        , lblTimeused(p.lblTimeused)
        , Picture1(p.Picture1)
        , PicLogo(p.PicLogo)
        , cmdAutodetect(p.cmdAutodetect)
        , cmdOpenall(p.cmdOpenall)
        , cmdBacktrack(p.cmdBacktrack)
        , cmdPause(p.cmdPause)
        , cmdPlay(p.cmdPlay)
        , cmdForward(p.cmdForward)
        , cmdStop(p.cmdStop)
        , cmdNexttrack(p.cmdNexttrack)
        , cmdFullscreen(p.cmdFullscreen)
        , ButtonEx0(p.ButtonEx0)
        , ButtonEx1(p.ButtonEx1)
        , ButtonEx2(p.ButtonEx2)
        , ButtonEx3(p.ButtonEx3)
        , H1(p.H1)
        , V1(p.V1)
        , H2(p.H2)
        , Timer1(p.Timer1)
        , pointerRest(p.pointerRest)
        , tickDue(p.m_tickDue)
        , timelineClock(p.m_timelineClock)
        , mnuPopup(p.mnuPopup)
        , mnuShow(p.mnuShow)
        , mnuOpen(p.mnuOpen)
        , mnuPlay(p.mnuPlay)
        , mnuPause(p.mnuPause)
        , mnuStop(p.mnuStop)
        , mnuFullscreen(p.mnuFullscreen)
        , mnuNext(p.mnuNext)
        , mnuPrev(p.mnuPrev)
        , mnuHelp(p.mnuHelp)
        , mnuAbout(p.mnuAbout)
        , mnuCancel(p.mnuCancel)
        , mnuExit(p.mnuExit)
        , tray(p.tray)
        , m_folder(p.m_folder)
        , m_about(p.m_about)
        , m_help(p.m_help)
    {
    }

    QString& CurrentFile;
    int& SourceWidth;
    int& SourceHeight;
    GraphRefs& graph;
    veltrin::FileListModel& File1;
    veltrin::ObservableText& Text4;
    veltrin::ObservableText& txtSectotime1;
    veltrin::ObservableText& txtSectotime3;
    veltrin::ObservableText& lblTimeusedText;
    veltrin::ObservableText& Label3;
    veltrin::ObservableText& Label4;
    veltrin::ObservableText& lblDisplayCaption;
    QString& lblDisplayTag;
    QStringList& List1;
    QString& Text2;
    QString& txtCDdrive;

    QWidget* const& clientArea;
    QLabel* const& lblDisplay;
    QLabel* const& lblTimeused;
    QWidget* const& Picture1;
    QLabel* const& PicLogo;
    QorvXPButton* const& cmdAutodetect;
    QorvXPButton* const& cmdOpenall;
    QorvXPButton* const& cmdBacktrack;
    QorvXPButton* const& cmdPause;
    QorvXPButton* const& cmdPlay;
    QorvXPButton* const& cmdForward;
    QorvXPButton* const& cmdStop;
    QorvXPButton* const& cmdNexttrack;
    QorvXPButton* const& cmdFullscreen;
    QWidget* const& ButtonEx0;
    QWidget* const& ButtonEx1;
    QWidget* const& ButtonEx2;
    QWidget* const& ButtonEx3;
    dtVisualScrollBar* const& H1;
    dtVisualScrollBar* const& V1;
    dtVisualScrollBar* const& H2;
    QTimer* const& Timer1;
    QTimer* const& pointerRest;
    const qint64& tickDue; // when Timer1 fires, on the timeline's clock
    std::function<qint64()>& timelineClock; // replaced to step the timeline by hand
    QMenu* const& mnuPopup;
    QAction* const& mnuShow;
    QAction* const& mnuOpen;
    QAction* const& mnuPlay;
    QAction* const& mnuPause;
    QAction* const& mnuStop;
    QAction* const& mnuFullscreen;
    QAction* const& mnuNext;
    QAction* const& mnuPrev;
    QAction* const& mnuHelp;
    QAction* const& mnuAbout;
    QAction* const& mnuCancel;
    QAction* const& mnuExit;
    veltrin::TrayIcon* const& tray;
    const QPointer<frmfolder>& m_folder;
    const QPointer<frmAbout>& m_about;
    const QPointer<frmHelp>& m_help;
};
