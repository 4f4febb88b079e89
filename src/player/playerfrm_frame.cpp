#include "player/playerfrm.h"

#include "controls/button/qorvxpbutton.h"
#include "controls/scrollbar/dtvisualscrollbar.h"
#include "runtime/steps.h"
#include "runtime/units.h"

#include <QAction>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QScreen>

using veltrin::must;
using veltrin::roundHalfEven;
using veltrin::skipOnFailure;

void playerfrm::resizeEvent(QResizeEvent*)
{
    Form_Resize();
}

void playerfrm::Form_Resize()
{
    // Minimum outer size 7455 x 5610 twips (497 x 374 pixels), never while minimised.
    if (!isMinimized()) {
        const QSize frame = frameGeometry().size();
        const QSize extra = frame - size();
        constexpr int minW = 7455 / veltrin::kTwipsPerPixel;
        constexpr int minH = 5610 / veltrin::kTwipsPerPixel;
        if (frame.height() < minH || frame.width() < minW) {
            resize(std::max(frame.width(), minW) - extra.width(),
                   std::max(frame.height(), minH) - extra.height());
            return; // the resize raises the pass again at the new size
        }
    }
    const int SW = width();
    const int SH = height();
    ButtonEx0->move(SW - 52, 0);
    ButtonEx1->move(SW - 39, 0);
    ButtonEx2->move(SW - 26, 0);
    ButtonEx3->move(SW - 13, 0);
    lblTimeused->setGeometry(SW - 106, 0, 49, 13);
    lblDisplay->setGeometry(20, 0, SW - 80, 13);
    H1->resize(std::max(0, SW - 296), H1->height());
    V1->move(SW - 66, 16);
    H2->move(SW - 150, 16);
    Picture1->setGeometry(0, 35, SW, std::max(0, SH - 35));
    PicLogo->move(static_cast<int>(Picture1->width() / 2.0 - PicLogo->width() / 2.0),
                  static_cast<int>(Picture1->height() / 2.0 - PicLogo->height() / 2.0));
    CorrectAspect();
}

void playerfrm::CorrectAspect()
{
    const int W = Picture1->width();
    const int H = Picture1->height();
    int width = 0;
    int height = 0;
    if (SourceHeight == H && SourceWidth == W) {
        width = W;
        height = H;
    } else {
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

void playerfrm::cmdFullscreen_Click()
{
    lblDisplayTag = QString::number(windowStateValue());
    GoFullScreen();
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
    // The layout pass follows the state change at once, as the steps after it expect.
    Form_Resize();
}

void playerfrm::GoFullScreen()
{
    veltrin::endOnFailure([&] {
        cmdFullscreen->Tag = QStringLiteral("True");
        setWindowStateValue(2);
        const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        const QSize s = screen ? screen->geometry().size() : size();
        must(graph.video).setWidth(s.width());
        must(graph.video).setHeight(s.height());
        must(graph.video).setLeft(0);
        must(graph.video).setTop(0);
        must(graph.video).setOwner(this);
    });
}

void playerfrm::mnuShow_Click()
{
    if (cmdFullscreen->Tag == u"True") {
        setWindowStateValue(lblDisplayTag.toInt());
        skipOnFailure([&] { must(graph.video).setOwner(Picture1); });
        CorrectAspect();
        cmdFullscreen->Tag = QStringLiteral("False");
        return;
    }
    show();
}

void playerfrm::EnableFullScreen()
{
    cmdFullscreen->setButtonEnabled(true);
    mnuFullscreen->setEnabled(true);
}

void playerfrm::DisableFullScreen()
{
    cmdFullscreen->setButtonEnabled(false);
    mnuFullscreen->setEnabled(false);
}

void playerfrm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        mnuShow_Click();
}

bool playerfrm::eventFilter(QObject* watched, QEvent* event)
{
    const bool dragSurface = watched == lblDisplay || watched == Picture1;
    switch (event->type()) {
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
                const QPoint delta(static_cast<int>(roundHalfEven(me->position().x())) - m_dragX,
                                   static_cast<int>(roundHalfEven(me->position().y())) - m_dragY);
                move(pos() + delta);
            }
        }
        break;
    case QEvent::MouseButtonRelease:
        if (watched == Picture1 && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
            mnuPopup->popup(QCursor::pos());
        else if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            if (watched == ButtonEx0)
                showHelp();
            else if (watched == ButtonEx1)
                hide();
            else if (watched == ButtonEx2)
                setWindowStateValue(windowStateValue() == 2 ? 0 : 2);
            else if (watched == ButtonEx3)
                mnuExit_Click();
        }
        break;
    case QEvent::MouseButtonDblClick:
        if (watched == lblDisplay)
            setWindowStateValue(windowStateValue() == 2 ? 0 : 2);
        break;
    case QEvent::KeyPress:
        if (watched == Picture1 && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            mnuShow_Click();
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
