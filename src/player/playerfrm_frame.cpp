#include "player/playerfrm.h"

#include "controls/button/qorvxpbutton.h"
#include "controls/scrollbar/dtvisualscrollbar.h"
#include "runtime/steps.h"
#include "runtime/trayicon.h"
#include "runtime/units.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cmath>
#include <functional>
#include <utility>

using veltrin::endOnFailure;
using veltrin::Failure;
using veltrin::must;
using veltrin::roundHalfEven;
using veltrin::skipOnFailure;

namespace {

// The sizing border around the client area; a maximised window has none, so
// its controls reach the screen's edges.
constexpr int kBorder = 4;
constexpr int kMinOuterWidthTwips = 7455;
constexpr int kMinOuterHeightTwips = 5610;
constexpr int kKeyEscape = 27;

// A negative size is refused like any other failing layout step.
int checked(int size)
{
    if (size < 0)
        throw Failure("negative size");
    return size;
}

int keyCodeOf(const QKeyEvent* event)
{
    return event->key() == Qt::Key_Escape ? kKeyEscape : event->key();
}

} // namespace

void playerfrm::resizeEvent(QResizeEvent*)
{
    Form_Resize();
}

void playerfrm::Form_Resize()
{
    if (windowStateValue() != 1) {
        // Minimum outer size; setting a size raises a further pass, after which
        // this one carries on at the new size.
        const QSize frame = frameGeometry().size() - size();
        const int minWidth = kMinOuterWidthTwips / veltrin::kTwipsPerPixel - frame.width();
        const int minHeight = kMinOuterHeightTwips / veltrin::kTwipsPerPixel - frame.height();
        if (height() < minHeight)
            resize(width(), minHeight);
        if (width() < minWidth)
            resize(minWidth, height());
    }
    const int m = windowStateValue() == 0 ? kBorder : 0;
    clientArea->setGeometry(m, m, std::max(0, width() - 2 * m), std::max(0, height() - 2 * m));

    // SW and SH are read afresh for every step, as each step may resize.
    const auto SW = [this] { return clientArea->width(); };
    const auto SH = [this] { return clientArea->height(); };
    skipOnFailure([&] { ButtonEx0->move(SW() - 52, ButtonEx0->y()); });
    skipOnFailure([&] { ButtonEx1->move(SW() - 39, ButtonEx1->y()); });
    skipOnFailure([&] { ButtonEx2->move(SW() - 26, ButtonEx2->y()); });
    skipOnFailure([&] { ButtonEx3->move(SW() - 13, ButtonEx3->y()); });
    skipOnFailure([&] { lblTimeused->move(SW() - 106, lblTimeused->y()); });
    skipOnFailure([&] { lblDisplay->move(20, lblDisplay->y()); });
    skipOnFailure([&] { lblDisplay->resize(checked(SW() - 80), lblDisplay->height()); });
    skipOnFailure([&] { H1->resize(checked(SW() - 296), H1->height()); });
    skipOnFailure([&] { V1->move(SW() - 66, V1->y()); });
    skipOnFailure([&] { H2->move(SW() - 150, H2->y()); });
    skipOnFailure([&] { Picture1->resize(Picture1->width(), checked(SH() - 35)); });
    skipOnFailure([&] { Picture1->resize(checked(SW()), Picture1->height()); });
    // Evaluated in floating point; only the conversion to whole pixels cuts.
    PicLogo->move(static_cast<int>(Picture1->width() / 2.0 - PicLogo->width() / 2.0), PicLogo->y());
    PicLogo->move(
        PicLogo->x(), static_cast<int>(Picture1->height() / 2.0 - PicLogo->height() / 2.0));

    // A window manager may finish a maximise after GoFullScreen has returned;
    // the pass that follows must keep the video over the whole screen.
    if (cmdFullscreen->Tag == u"True")
        skipOnFailure([&] { placeFullScreenVideo(); });
    else
        CorrectAspect();
}

void playerfrm::CorrectAspect()
{
    const int W = static_cast<int>(roundHalfEven(Picture1->width()));
    const int H = static_cast<int>(roundHalfEven(Picture1->height()));
    int width = 0;
    int height = 0;
    if (SourceHeight == H && SourceWidth == W) {
        width = W;
        height = H;
    } else {
        // A ratio over a zero source dimension stays 0.
        const double ratioH = SourceHeight != 0 ? static_cast<double>(H) / SourceHeight : 0.0;
        const double ratioW = SourceWidth != 0 ? static_cast<double>(W) / SourceWidth : 0.0;
        if (ratioW >= ratioH) {
            height = H;
            width = static_cast<int>(std::floor(SourceWidth * ratioH));
        } else {
            width = W;
            height = static_cast<int>(std::floor(SourceHeight * ratioW));
        }
        width = std::max(width, 1);
        height = std::max(height, 1);
    }
    const int left = static_cast<int>(roundHalfEven((W - width) / 2.0));
    const int top = static_cast<int>(roundHalfEven((H - height) / 2.0));
    skipOnFailure([&] { must(graph.video).SetWindowPosition(left, top, width, height); });
}

int playerfrm::windowStateValue() const
{
    if (isMinimized())
        return 1;
    if (isMaximized() || isFullScreen())
        return 2;
    return 0;
}

void playerfrm::setWindowStateValue(int state)
{
    switch (state) {
    case 1: showMinimized(); break;
    case 2: showMaximized(); break;
    default: showNormal(); break;
    }
    // The layout pass runs inside the state change, as the steps after it
    // expect, even where the platform applies the new size later.
    Form_Resize();
}

void playerfrm::cmdFullscreen_Click()
{
    lblDisplayTag = QString::number(windowStateValue());
    GoFullScreen();
}

void playerfrm::placeFullScreenVideo()
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QSize s = screen ? screen->geometry().size() : size();
    must(graph.video).setWidth(s.width());
    must(graph.video).setHeight(s.height());
    must(graph.video).setLeft(0);
    must(graph.video).setTop(0);
}

void playerfrm::GoFullScreen()
{
    endOnFailure([&] {
        cmdFullscreen->Tag = QStringLiteral("True");
        pointerRest->start();
        setWindowStateValue(2);
        placeFullScreenVideo();
        // At the client origin, over every control of the window.
        must(graph.video).setOwner(clientArea);
    });
}

void playerfrm::mnuShow_Click()
{
    if (cmdFullscreen->Tag == u"True") {
        setWindowStateValue(lblDisplayTag.toInt());
        skipOnFailure([&] { must(graph.video).setOwner(Picture1); });
        CorrectAspect();
        cmdFullscreen->Tag = QStringLiteral("False");
        showPointer();
        return;
    }
    show();
    raise();
    activateWindow();
}

void playerfrm::EnableFullScreen()
{
    skipOnFailure([&] { cmdFullscreen->setButtonEnabled(true); });
    skipOnFailure([&] { mnuFullscreen->setEnabled(true); });
}

void playerfrm::DisableFullScreen()
{
    skipOnFailure([&] { cmdFullscreen->setButtonEnabled(false); });
    skipOnFailure([&] { mnuFullscreen->setEnabled(false); });
}

void playerfrm::Form_KeyDown(int keyCode)
{
    if (keyCode == kKeyEscape)
        mnuShow_Click();
}

void playerfrm::keyPressEvent(QKeyEvent* event)
{
    Form_KeyDown(keyCodeOf(event));
}

void playerfrm::lblDisplay_DblClick()
{
    setWindowStateValue(windowStateValue() == 2 ? 0 : 2);
}

void playerfrm::ButtonEx0_Click()
{
    showHelp();
}

void playerfrm::ButtonEx1_Click()
{
    // Hidden, the window comes back through the tray icon only; without an
    // icon the user can reach (or a tray that has gone) it is minimised
    // instead.
    if (tray && tray->isReachable())
        hide();
    else
        showMinimized();
}

void playerfrm::ButtonEx2_Click()
{
    lblDisplay_DblClick();
}

void playerfrm::ButtonEx3_Click()
{
    mnuExit_Click();
}

namespace {

Qt::Edges borderEdgesAt(const QWidget* window, const QPoint& pos)
{
    Qt::Edges edges;
    if (pos.x() < kBorder)
        edges |= Qt::LeftEdge;
    if (pos.x() >= window->width() - kBorder)
        edges |= Qt::RightEdge;
    if (pos.y() < kBorder)
        edges |= Qt::TopEdge;
    if (pos.y() >= window->height() - kBorder)
        edges |= Qt::BottomEdge;
    return edges;
}

Qt::CursorShape cursorFor(Qt::Edges edges)
{
    const bool h = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool v = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (h && v) {
        const bool mainDiagonal = (edges & Qt::LeftEdge) == bool(edges & Qt::TopEdge);
        return mainDiagonal ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    if (h)
        return Qt::SizeHorCursor;
    return v ? Qt::SizeVerCursor : Qt::ArrowCursor;
}

} // namespace

void playerfrm::beginBorderResize(const QPoint& pos)
{
    const Qt::Edges edges = borderEdgesAt(this, pos);
    if (!edges || windowStateValue() != 0)
        return;
    // The window manager resizes when it can; otherwise (no window manager,
    // offscreen) the border follows the pointer here.
    if (windowHandle() && windowHandle()->startSystemResize(edges))
        return;
    m_resizeEdges = edges;
    m_resizeStart = geometry();
    m_resizeOrigin = QCursor::pos();
}

void playerfrm::continueBorderResize(const QPoint& globalPos)
{
    const QPoint d = globalPos - m_resizeOrigin;
    const int minWidth = kMinOuterWidthTwips / veltrin::kTwipsPerPixel;
    const int minHeight = kMinOuterHeightTwips / veltrin::kTwipsPerPixel;
    QRect g = m_resizeStart;
    if (m_resizeEdges & Qt::LeftEdge)
        g.setLeft(std::min(g.left() + d.x(), g.right() + 1 - minWidth));
    if (m_resizeEdges & Qt::RightEdge)
        g.setRight(std::max(g.right() + d.x(), g.left() + minWidth - 1));
    if (m_resizeEdges & Qt::TopEdge)
        g.setTop(std::min(g.top() + d.y(), g.bottom() + 1 - minHeight));
    if (m_resizeEdges & Qt::BottomEdge)
        g.setBottom(std::max(g.bottom() + d.y(), g.top() + minHeight - 1));
    setGeometry(g);
}

bool playerfrm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == this) {
        // The sizing border: the only part of the window not covered by the client area.
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            const auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() == Qt::LeftButton) {
                m_resizeEdges = {};
                beginBorderResize(me->position().toPoint());
            }
            break;
        }
        case QEvent::MouseMove: {
            const auto* me = static_cast<QMouseEvent*>(event);
            if (m_resizeEdges && (me->buttons() & Qt::LeftButton))
                continueBorderResize(me->globalPosition().toPoint());
            else if (!m_resizeEdges)
                setCursor(windowStateValue() == 0
                        ? cursorFor(borderEdgesAt(this, me->position().toPoint()))
                        : Qt::ArrowCursor);
            break;
        }
        case QEvent::MouseButtonRelease: m_resizeEdges = {}; break;
        default: break;
        }
        return false;
    }

    const bool dragSurface = watched == lblDisplay || watched == Picture1;
    switch (event->type()) {
    case QEvent::KeyPress:
        // The window sees keys before its controls; only Esc means anything.
        if (keyCodeOf(static_cast<QKeyEvent*>(event)) == kKeyEscape) {
            Form_KeyDown(kKeyEscape);
            return true;
        }
        break;
    case QEvent::MouseButtonPress:
        if (dragSurface) {
            const auto* me = static_cast<QMouseEvent*>(event);
            m_dragX = static_cast<qint16>(roundHalfEven(me->position().x()));
            m_dragY = static_cast<qint16>(roundHalfEven(me->position().y()));
        }
        break;
    case QEvent::MouseMove:
        if (dragSurface) {
            const auto* me = static_cast<QMouseEvent*>(event);
            const Qt::MouseButtons b = me->buttons();
            if (windowStateValue() == 0 && b != Qt::NoButton && b != Qt::RightButton) {
                const int dx = static_cast<int>(roundHalfEven(me->position().x())) - m_dragX;
                const int dy = static_cast<int>(roundHalfEven(me->position().y())) - m_dragY;
                move(x() + dx, y());
                move(x(), y() + dy);
            }
        }
        break;
    case QEvent::MouseButtonRelease: {
        const auto* me = static_cast<QMouseEvent*>(event);
        if (watched == Picture1 && me->button() == Qt::RightButton) {
            PopupAtCursor(mnuPopup, 0, me->globalPosition().toPoint());
            break;
        }
        // A title-row picture is clicked when the left button goes up over it.
        auto* w = qobject_cast<QWidget*>(watched);
        if (me->button() != Qt::LeftButton || !w || !w->rect().contains(me->position().toPoint()))
            break;
        if (watched == ButtonEx0)
            ButtonEx0_Click();
        else if (watched == ButtonEx1)
            ButtonEx1_Click();
        else if (watched == ButtonEx2)
            ButtonEx2_Click();
        else if (watched == ButtonEx3)
            ButtonEx3_Click();
        break;
    }
    case QEvent::MouseButtonDblClick:
        if (watched == lblDisplay)
            lblDisplay_DblClick();
        break;
    case QEvent::ToolTip:
        // The tip always names the current file, whatever changed it last.
        if (watched == lblDisplay)
            lblDisplay->setToolTip(CurrentFile);
        break;
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

namespace {

// Sees every pointer movement over one window, its children included: the
// video area's widgets do not track the mouse, and the application still
// passes their moves through its filters.
class PointerWatch : public QObject {
public:
    PointerWatch(QWidget* window, std::function<void()> moved)
        : QObject(window)
        , m_window(window)
        , m_moved(std::move(moved))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseMove && watched->isWidgetType()
            && static_cast<QWidget*>(watched)->window() == m_window)
            m_moved();
        return false;
    }

private:
    QWidget* m_window;
    std::function<void()> m_moved;
};

} // namespace

void playerfrm::watchPointer()
{
    pointerRest = new QTimer(this);
    pointerRest->setSingleShot(true);
    pointerRest->setInterval(2000);
    connect(pointerRest, &QTimer::timeout, this, &playerfrm::hideRestingPointer);
    new PointerWatch(this, [this] { pointerMoved(); });
}

void playerfrm::pointerMoved()
{
    if (cmdFullscreen->Tag != u"True")
        return;
    if (cursor().shape() == Qt::BlankCursor)
        unsetCursor();
    pointerRest->start();
}

void playerfrm::hideRestingPointer()
{
    if (cmdFullscreen->Tag == u"True")
        setCursor(Qt::BlankCursor);
}

void playerfrm::showPointer()
{
    pointerRest->stop();
    if (cursor().shape() == Qt::BlankCursor)
        unsetCursor();
}
