// The push button's hot paths: repaints of the two button kinds the program
// shows, the picture effects of a disabled or drop-down button, and one tick
// of the 10 ms hover poll.
#include "bench_app.h"
#include "controls/button/modbas.h"
#include "controls/button/qorvxpbutton.h"
#include "runtime/propertybag.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

using veltrin::bench::ensureApplication;

// cmdPlay as the player's form configures it: 30 x 15, glyph only.
std::unique_ptr<QorvXPButton> transportButton()
{
    ensureApplication();
    auto b = std::make_unique<QorvXPButton>();
    b->setObjectName(QStringLiteral("cmdPlay"));
    b->resize(30, 15);
    const auto form = veltrin::FormFile::load(QStringLiteral(":/forms/playerfrm.form"));
    b->ReadProperties(form.control(QStringLiteral("cmdPlay")));
    b->Refresh();
    return b;
}

// A caption button of the folder browser: 75 x 23, caption only, two lines.
std::unique_ptr<QorvXPButton> captionButton()
{
    ensureApplication();
    auto b = std::make_unique<QorvXPButton>();
    b->setObjectName(QStringLiteral("cmdOKdirectory"));
    b->resize(75, 23);
    veltrin::PropertyBag bag;
    bag.set(QStringLiteral("Caption"), QStringLiteral("Play this folder"));
    bag.set(QStringLiteral("ButtonCaptionPercent"), QStringLiteral("100"));
    bag.set(QStringLiteral("Caption_MultiLines"), QStringLiteral("true"));
    b->ReadProperties(bag);
    b->Refresh();
    return b;
}

void hover(QorvXPButton& b)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), b.mapToGlobal(QPointF(5, 5)), Qt::NoButton,
        Qt::NoButton, Qt::NoModifier);
    b.setSoundPlayer([](const QString&) {});
    QApplication::sendEvent(&b, &move);
}

void BM_TransportButton_FullRepaint(benchmark::State& state)
{
    auto b = transportButton();
    for (auto _ : state)
        b->ReDraw(true);
}
BENCHMARK(BM_TransportButton_FullRepaint);

void BM_TransportButton_PartialRepaint_Hover(benchmark::State& state)
{
    auto b = transportButton();
    hover(*b);
    for (auto _ : state)
        b->ReDraw(false);
}
BENCHMARK(BM_TransportButton_PartialRepaint_Hover);

void BM_TransportButton_PartialRepaint_Rest(benchmark::State& state)
{
    auto b = transportButton();
    for (auto _ : state)
        b->ReDraw(false);
}
BENCHMARK(BM_TransportButton_PartialRepaint_Rest);

void BM_TransportButton_FullRepaint_Disabled(benchmark::State& state)
{
    auto b = transportButton();
    b->setButtonEnabled(false); // the glyph goes through the grey effect
    for (auto _ : state)
        b->ReDraw(true);
}
BENCHMARK(BM_TransportButton_FullRepaint_Disabled);

void BM_CaptionButton_FullRepaint(benchmark::State& state)
{
    auto b = captionButton();
    for (auto _ : state)
        b->ReDraw(true);
}
BENCHMARK(BM_CaptionButton_FullRepaint);

void BM_CaptionButton_PartialRepaint_Rest(benchmark::State& state)
{
    auto b = captionButton();
    for (auto _ : state)
        b->ReDraw(false);
}
BENCHMARK(BM_CaptionButton_PartialRepaint_Rest);

void BM_CaptionButton_Refresh(benchmark::State& state)
{
    auto b = captionButton();
    for (auto _ : state)
        b->Refresh(); // layout (the caption measured) and a full repaint
}
BENCHMARK(BM_CaptionButton_Refresh);

veltrin::PictureRef icon16()
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 2; y < 14; ++y)
        for (int x = 3; x < 13; ++x)
            image.setPixel(x, y, qRgba(30 + 10 * x, 200 - 8 * y, 90, 255));
    return veltrin::Picture::fromImage(image);
}

void pictureEffect(benchmark::State& state, int effect)
{
    ensureApplication();
    const auto picture = icon16();
    QImage target(16, 16, QImage::Format_RGB32);
    target.fill(QColor(236, 233, 216));
    QPainter p(&target);
    for (auto _ : state)
        modBas::DrawPictureEffect(p, 0, 0, 16, 16, picture, 16, 16, effect, true);
}

void BM_DrawPictureEffect_Grey16(benchmark::State& state)
{
    pictureEffect(state, 1);
}
BENCHMARK(BM_DrawPictureEffect_Grey16);

void BM_DrawPictureEffect_Embossed16(benchmark::State& state)
{
    pictureEffect(state, 2);
}
BENCHMARK(BM_DrawPictureEffect_Embossed16);

void BM_DrawPictureEffect_Plain16(benchmark::State& state)
{
    pictureEffect(state, 0);
}
BENCHMARK(BM_DrawPictureEffect_Plain16);

// One tick of Timer1 while the pointer stays on the button: what hovering costs
// every 10 ms.
void BM_HoverPoll_Tick(benchmark::State& state)
{
    auto b = transportButton();
    b->show();
    QCoreApplication::processEvents();
    QCursor::setPos(b->mapToGlobal(QPoint(10, 7)));
    hover(*b);
    for (auto _ : state)
        b->pollHover();
    if (!b->state().hovering)
        state.SkipWithError("the pointer was found outside");
}
BENCHMARK(BM_HoverPoll_Tick);

} // namespace
