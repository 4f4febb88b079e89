#include "player/playerfrm.h"

#include "controls/button/qorvxpbutton.h"
#include "controls/scrollbar/dtvisualscrollbar.h"
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
    skipOnFailure([&] {
        GraphRefs fresh = m_options.graphFactory();
        graph.control = fresh.control;
        graph.audio = fresh.audio;
        graph.position = fresh.position;
        // Replacing the video-window reference releases the previous graph.
        graph.video = fresh.video;
    });
    skipOnFailure([&] { must(graph.control).RenderFile(CurrentFile); });
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
    skipOnFailure([&] { must(graph.control).Run(); });
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
    skipOnFailure([&] { must(graph.control).Run(); });
    skipOnFailure([&] { must(graph.audio).setVolume(V1->Value()); });
    skipOnFailure([&] { must(graph.audio).setBalance(H2->Value()); });
    PicLogo->hide();
    if (!CurrentFile.isEmpty())
        return;
    skipOnFailure([&] { LoadPLFile(); });
    setDisplayCaption(kTitlePrefix + File1.currentName());
}

void playerfrm::PlayBtn()
{
    skipOnFailure([&] {
        if (Label4.get() == u"00:00:00")
            must(graph.position).setCurrentPosition(0);
    });
    skipOnFailure([&] { must(graph.control).Run(); });
    if (CurrentFile.isEmpty()) {
        skipOnFailure([&] { LoadPLFile(); });
        setDisplayCaption(kTitlePrefix + Getfilename(CurrentFile));
    }
    focusFolderBrowserIfShown();
}

void playerfrm::mnuPlay_Click()
{
    skipOnFailure([&] {
        if (Label4.get() == u"00:00:00")
            must(graph.position).setCurrentPosition(0);
    });
    skipOnFailure([&] { must(graph.control).Run(); });
    if (CurrentFile.isEmpty())
        skipOnFailure([&] { LoadPLFile(); });
    focusFolderBrowserIfShown();
}

void playerfrm::fncStop()
{
    skipOnFailure([&] { must(graph.position).setCurrentPosition(0); });
    skipOnFailure([&] { must(graph.control).Stop(); });
    skipOnFailure([&] { must(graph.control).StopWhenReady(); });
    CurrentFile.clear();
}

void playerfrm::Pause()
{
    skipOnFailure([&] { must(graph.control).Pause(); });
}

void playerfrm::Text4_Change()
{
    setDisplayCaption(kTitlePrefix + Getfilename(CurrentFile));
}

QString playerfrm::Getfilename(const QString& path)
{
    // The text after the last separator; a path ending in one gives its last
    // folder name with that separator. A path without one is its own name.
    if (path.isEmpty())
        return path;
    const qsizetype sep = path.lastIndexOf(u'/', path.size() - 2);
    return sep < 0 ? path : path.mid(sep + 1);
}
