#include "player/playerfrm.h"

#include "controls/button/qorvxpbutton.h"
#include "controls/scrollbar/dtvisualscrollbar.h"
#include "runtime/mediafiles.h"
#include "runtime/steps.h"
#include "runtime/units.h"

#include <QLabel>

using veltrin::must;
using veltrin::skipOnFailure;

namespace {
const QString kTitlePrefix = QStringLiteral("Zelto Veltrin Player :");
}

void playerfrm::OpenCurrentFile()
{
    skipOnFailure([&] { CleanUp(); });
    skipOnFailure([&] { attachGraph(m_options.graphFactory()); });
    m_openFailed = !skipOnFailure([&] { must(graph.control).RenderFile(CurrentFile); });
    if (m_openFailed)
        setDisplayCaption(playingCaption(Getfilename(CurrentFile)));
    skipOnFailure([&] { must(graph.video).setWindowStyle(0); });
    skipOnFailure([&] { must(graph.video).setOwner(Picture1); });
    skipOnFailure([&] { must(graph.video).setMessageDrain(Picture1); });
    skipOnFailure([&] { SourceWidth = must(graph.video).Width(); });
    skipOnFailure([&] { SourceHeight = must(graph.video).Height(); });
    skipOnFailure([&] { CorrectAspect(); });
    skipOnFailure([&] {
        const double d = must(graph.position).Duration();
        H1->setMax(static_cast<qint32>(
            std::clamp<long long>(veltrin::roundHalfEven(d), INT32_MIN, INT32_MAX)));
    });
    skipOnFailure([&] {
        const double d = must(graph.position).Duration();
        H1->setSmallChange(static_cast<qint32>(
            std::clamp<long long>(veltrin::roundHalfEven(d / 10), INT32_MIN, INT32_MAX)));
    });
    skipOnFailure([&] { txtSectotime3 = SecToTime(must(graph.position).Duration()); });
    skipOnFailure([&] { runGraph(); });
    skipOnFailure([&] { must(graph.position).setCurrentPosition(0); });
}

void playerfrm::applyVolumeAndBalance()
{
    // Volume first; a refused volume ends the pair like any failing step.
    must(graph.audio).setVolume(V1->Value());
    must(graph.audio).setBalance(H2->Value());
}

void playerfrm::fncPlay()
{
    skipOnFailure([&] {
        if (Label4.get() == u"00:00:00")
            must(graph.position).setCurrentPosition(0);
    });
    skipOnFailure([&] { runGraph(); });
    skipOnFailure([&] { must(graph.audio).setVolume(V1->Value()); });
    skipOnFailure([&] { must(graph.audio).setBalance(H2->Value()); });
    PicLogo->hide();
    if (!CurrentFile.isEmpty())
        return;
    skipOnFailure([&] { LoadPLFile(); });
    setDisplayCaption(playingCaption(File1.currentName()));
}

void playerfrm::PlayBtn()
{
    skipOnFailure([&] {
        if (Label4.get() == u"00:00:00")
            must(graph.position).setCurrentPosition(0);
    });
    skipOnFailure([&] { runGraph(); });
    if (CurrentFile.isEmpty()) {
        skipOnFailure([&] { LoadPLFile(); });
        setDisplayCaption(playingCaption(Getfilename(CurrentFile)));
    }
    focusFolderBrowserIfShown();
}

void playerfrm::mnuPlay_Click()
{
    skipOnFailure([&] {
        if (Label4.get() == u"00:00:00")
            must(graph.position).setCurrentPosition(0);
    });
    skipOnFailure([&] { runGraph(); });
    if (CurrentFile.isEmpty())
        skipOnFailure([&] { LoadPLFile(); });
    focusFolderBrowserIfShown();
}

void playerfrm::fncStop()
{
    skipOnFailure([&] { must(graph.position).setCurrentPosition(0); });
    skipOnFailure([&] { stopGraph(); });
    skipOnFailure([&] { must(graph.control).StopWhenReady(); });
    CurrentFile.clear();
    scheduleNotice();
}

void playerfrm::Pause()
{
    skipOnFailure([&] { pauseGraph(); });
}

void playerfrm::Text4_Change()
{
    setDisplayCaption(playingCaption(Getfilename(CurrentFile)));
}

QString playerfrm::playingCaption(const QString& name) const
{
    return kTitlePrefix + (m_openFailed ? QStringLiteral("cannot play ") : QString()) + name;
}

QString playerfrm::Getfilename(const QString& path)
{
    return veltrin::fileNamePart(path);
}
