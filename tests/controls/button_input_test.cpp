// QorvXPButton: pointer, hover poll, keyboard, focus and the order of its
// events.
#include "button_harness.h"

#include "support/pixels.h"
#include "support/wait.h"

#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

using namespace buttontest;
using Button = QorvXPButton;
using veltrin::test::px;

namespace {

QString num(float v)
{
    return QString::number(v);
}

// A window holding three buttons and a text box, shown and active, with every
// event of every button written to one log.
struct Host {
    Host()
    {
        window.resize(320, 120);
        edit = new QLineEdit(&window);
        edit->setGeometry(10, 80, 100, 24);
        const char* names[] = { "a", "b", "c" };
        for (int i = 0; i < 3; ++i) {
            auto* button = new QorvXPButton(&window);
            button->setObjectName(QString::fromLatin1(names[i]));
            button->setGeometry(10 + i * 90, 10, 75, 23);
            button->setSoundPlayer([this](const QString& name) { sounds << name; });
            buttons[i] = button;
        }
        QWidget::setTabOrder(buttons[0], buttons[1]);
        QWidget::setTabOrder(buttons[1], buttons[2]);
        for (QorvXPButton* button : buttons)
            record(button);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        parkCursor();
    }
    ~Host() { parkCursor(); }

    void record(QorvXPButton* b)
    {
        const QString n = b->objectName();
        auto mouse = [this, n](const char* event) {
            return [this, n, event](short button, short shift, float x, float y) {
                log << QStringLiteral("%1.%2(%3,%4,%5,%6)")
                           .arg(n, QString::fromLatin1(event))
                           .arg(button)
                           .arg(shift)
                           .arg(num(x), num(y));
            };
        };
        QObject::connect(b, &Button::Click, [this, n] { log << n + ".Click"; });
        QObject::connect(b, &Button::KeyDown, [this, n](short k, short s) {
            log << QStringLiteral("%1.KeyDown(%2,%3)").arg(n).arg(k).arg(s);
        });
        QObject::connect(b, &Button::KeyPress,
            [this, n](short& k) { log << QStringLiteral("%1.KeyPress(%2)").arg(n).arg(k); });
        QObject::connect(b, &Button::KeyUp, [this, n](short k, short s) {
            log << QStringLiteral("%1.KeyUp(%2,%3)").arg(n).arg(k).arg(s);
        });
        QObject::connect(b, &Button::MouseOut, [this, n] { log << n + ".MouseOut"; });
        QObject::connect(b, &Button::MouseDown, mouse("MouseDown"));
        QObject::connect(b, &Button::MouseMove, mouse("MouseMove"));
        QObject::connect(b, &Button::MouseUp, mouse("MouseUp"));
        QObject::connect(b, &Button::DropDownClick, [this, n] { log << n + ".DropDownClick"; });
    }

    // The pointer far away from every window.
    static void parkCursor()
    {
        QCursor::setPos(QPoint(5000, 5000));
        QCoreApplication::processEvents();
    }

    void pointAt(QorvXPButton* b, QPoint local)
    {
        QCursor::setPos(b->mapToGlobal(local));
        QCoreApplication::processEvents();
    }

    static void mouse(
        QWidget* w, QEvent::Type type, QPointF pos, Qt::MouseButton button = Qt::LeftButton)
    {
        const Qt::MouseButtons held
            = type == QEvent::MouseButtonRelease || type == QEvent::MouseMove
            ? Qt::NoButton
            : Qt::MouseButtons(button);
        QMouseEvent e(type, pos, w->mapToGlobal(pos),
            type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }

    QWidget window;
    QLineEdit* edit = nullptr;
    QorvXPButton* buttons[3] = {};
    QStringList log;
    QStringList sounds;
};

} // namespace

TEST(ButtonEvents, spaceRaisesKeyDownKeyPressClickKeyUpAndClicksWhileDrawnPressed)
{
    Host host;
    QorvXPButton* b = host.buttons[1];
    b->setFocus();
    bool pressedLookDuringClick = false;
    QObject::connect(b, &Button::Click, [&] {
        pressedLookDuringClick
            = b->state().pressed && px(b->faceImage(), 5, 1) == qRgb(176, 176, 167);
    });
    host.log.clear();
    QTest::keyPress(b, Qt::Key_Space);
    EXPECT_TRUE(b->state().pressed);
    QTest::keyRelease(b, Qt::Key_Space);
    EXPECT_EQ(host.log,
        (QStringList { "b.KeyDown(32,0)", "b.KeyPress(32)", "b.Click", "b.KeyUp(32,0)" }));
    EXPECT_TRUE(pressedLookDuringClick);
    EXPECT_FALSE(b->state().pressed);
    EXPECT_TRUE(b->state().hovering);
    EXPECT_TRUE(b->state().focused);
}

TEST(ButtonEvents, enterRaisesKeyDownClickKeyUpAndNoKeyPress)
{
    Host host;
    QorvXPButton* b = host.buttons[0];
    b->setFocus();
    host.log.clear();
    QTest::keyClick(b, Qt::Key_Return);
    EXPECT_EQ(host.log, (QStringList { "a.KeyDown(13,0)", "a.Click", "a.KeyUp(13,0)" }));
}

TEST(ButtonEvents, otherCharactersRaiseKeyPressWithoutClicking)
{
    Host host;
    QorvXPButton* b = host.buttons[0];
    b->setFocus();
    host.log.clear();
    QTest::keyClick(b, 'x');
    EXPECT_EQ(host.log, (QStringList { "a.KeyDown(88,0)", "a.KeyPress(120)", "a.KeyUp(88,0)" }));
}

TEST(ButtonEvents, aHotKeyClicksWhenTypedAndAsAltKeyAnywhereInTheWindow)
{
    Host host;
    QorvXPButton* b = host.buttons[1];
    ASSERT_TRUE(b->ReadProperties(bag({ { "HotKey", "p&" } })));
    EXPECT_EQ(b->accessKeys(), "P");
    b->setFocus();
    host.log.clear();
    QTest::keyClick(b, 'p');
    EXPECT_EQ(host.log,
        (QStringList { "b.KeyDown(80,0)", "b.Click", "b.KeyPress(112)", "b.KeyUp(80,0)" }));
    host.log.clear();
    QTest::keyClick(b, 'P', Qt::ShiftModifier);
    EXPECT_TRUE(host.log.contains("b.Click"));

    // Alt+P from another control of the window
    host.edit->setFocus();
    host.log.clear();
    QTest::keyClick(host.edit, Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(host.log, QStringList { "b.Click" });
    // the ampersand never became an access key
    host.log.clear();
    QTest::keyClick(host.edit, Qt::Key_Ampersand, Qt::AltModifier);
    QTest::keyClick(host.edit, Qt::Key_7, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_TRUE(host.log.isEmpty());
}

TEST(ButtonEvents, arrowKeysMoveTheFocusAndStillRaiseKeyDown)
{
    Host host;
    auto [a, b, c] = host.buttons;
    b->setFocus();
    ASSERT_EQ(host.window.focusWidget(), b);
    host.log.clear();
    QTest::keyClick(b, Qt::Key_Right);
    EXPECT_EQ(host.window.focusWidget(), c);
    EXPECT_EQ(host.log.first(), "b.KeyDown(39,0)");
    QTest::keyClick(c, Qt::Key_Left);
    EXPECT_EQ(host.window.focusWidget(), b);
    QTest::keyClick(b, Qt::Key_Up);
    EXPECT_EQ(host.window.focusWidget(), a);
    QTest::keyClick(a, Qt::Key_Down);
    EXPECT_EQ(host.window.focusWidget(), b);
    EXPECT_TRUE(host.log.contains("c.KeyDown(37,0)"));
    EXPECT_TRUE(host.log.contains("b.KeyDown(38,0)"));
    EXPECT_TRUE(host.log.contains("a.KeyDown(40,0)"));
    // focus left the buttons: their flags are down
    EXPECT_FALSE(a->state().focused);
    EXPECT_FALSE(c->state().focused);
    EXPECT_TRUE(b->state().focused);
}

TEST(ButtonEvents, aMouseClickRaisesMouseDownMouseUpThenClickWhileDrawnPressed)
{
    Host host;
    QorvXPButton* b = host.buttons[0];
    bool pressedLookDuringClick = false;
    QObject::connect(b, &Button::Click,
        [&] { pressedLookDuringClick = px(b->faceImage(), 5, 1) == qRgb(176, 176, 167); });
    Host::mouse(b, QEvent::MouseButtonPress, QPointF(10, 5));
    EXPECT_TRUE(b->state().pressed);
    Host::mouse(b, QEvent::MouseButtonRelease, QPointF(10, 5));
    EXPECT_EQ(
        host.log, (QStringList { "a.MouseDown(1,0,10,5)", "a.MouseUp(1,0,10,5)", "a.Click" }));
    EXPECT_TRUE(pressedLookDuringClick);
    EXPECT_FALSE(b->state().pressed);
}

TEST(ButtonEvents, releasingOutsideRaisesMouseUpButNoClick)
{
    Host host;
    QorvXPButton* b = host.buttons[0];
    Host::mouse(b, QEvent::MouseButtonPress, QPointF(10, 5));
    Host::mouse(b, QEvent::MouseButtonRelease, QPointF(200, 5));
    EXPECT_EQ(host.log, (QStringList { "a.MouseDown(1,0,10,5)", "a.MouseUp(1,0,200,5)" }));
}

TEST(ButtonEvents, aRightButtonPressRaisesMouseDownOnlyAndDoesNotPress)
{
    Host host;
    QorvXPButton* b = host.buttons[0];
    Host::mouse(b, QEvent::MouseButtonPress, QPointF(10, 5), Qt::RightButton);
    EXPECT_FALSE(b->state().pressed);
    Host::mouse(b, QEvent::MouseButtonRelease, QPointF(10, 5), Qt::RightButton);
    EXPECT_EQ(host.log, QStringList { "a.MouseDown(2,0,10,5)" });
}

TEST(ButtonEvents, aDoubleClickLeavesTheButtonPressedWithoutASecondClick)
{
    Host host;
    QorvXPButton* b = host.buttons[0];
    Host::mouse(b, QEvent::MouseButtonPress, QPointF(10, 5));
    Host::mouse(b, QEvent::MouseButtonRelease, QPointF(10, 5));
    Host::mouse(b, QEvent::MouseButtonDblClick, QPointF(10, 5));
    Host::mouse(b, QEvent::MouseButtonRelease, QPointF(10, 5));
    EXPECT_EQ(host.log,
        (QStringList {
            "a.MouseDown(1,0,10,5)", "a.MouseUp(1,0,10,5)", "a.Click", "a.MouseUp(1,0,10,5)" }));
    EXPECT_TRUE(b->state().pressed);
}

TEST(ButtonEvents, releasingOnTheDropDownArrowRaisesDropDownClickInsteadOfMouseUp)
{
    Host host;
    QorvXPButton* b = host.buttons[2];
    b->setButton_Type(Button::DropDownButton);
    b->setCaption(QString()); // a picture-only drop-down: the picture area ends before the strip
    ASSERT_EQ(b->layout().pictureArea.right, 60);
    Host::mouse(b, QEvent::MouseButtonPress, QPointF(70, 10));
    Host::mouse(b, QEvent::MouseButtonRelease, QPointF(70, 10));
    EXPECT_EQ(host.log, (QStringList { "c.MouseDown(1,0,70,10)", "c.DropDownClick", "c.Click" }));
    host.log.clear();
    Host::mouse(b, QEvent::MouseButtonPress, QPointF(20, 10));
    Host::mouse(b, QEvent::MouseButtonRelease, QPointF(20, 10));
    EXPECT_EQ(
        host.log, (QStringList { "c.MouseDown(1,0,20,10)", "c.MouseUp(1,0,20,10)", "c.Click" }));
}

TEST(ButtonEvents, enteringRaisesOneMouseMoveAndOneSoundAndLeavingOneMouseOut)
{
    Host host;
    QorvXPButton* b = host.buttons[0];
    host.pointAt(b, QPoint(20, 10));
    Host::mouse(b, QEvent::MouseMove, QPointF(20, 10));
    Host::mouse(b, QEvent::MouseMove, QPointF(30, 12)); // a further move inside: nothing
    EXPECT_EQ(host.log.count("a.MouseMove(0,0,20,10)"), 1);
    EXPECT_EQ(host.log.filter(".MouseMove").size(), 1);
    EXPECT_EQ(host.sounds, QStringList { "Over" });
    EXPECT_TRUE(b->state().hovering);
    EXPECT_TRUE(b->isHoverPolling());
    EXPECT_EQ(px(b->faceImage(), 5, 1), qRgb(255, 243, 206)); // the hot look

    host.log.clear();
    Host::parkCursor();
    // the poll finds the pointer gone on its next tick (10 ms): bounded wait
    ASSERT_TRUE(veltrin::test::waitFor([&] { return !host.log.isEmpty(); }, 5000));
    EXPECT_EQ(host.log, QStringList { "a.MouseOut" });
    EXPECT_FALSE(b->state().hovering);
    EXPECT_FALSE(b->isHoverPolling()); // polling stops once the pointer has left
    QTest::qWait(30);
    EXPECT_EQ(host.log, QStringList { "a.MouseOut" });
}

TEST(ButtonEvents, theHoverSoundIsTheButtonsOverSoundAndBlankMeansSilence)
{
    Host host;
    QorvXPButton* b = host.buttons[0];
    b->setButtonSound_Over("Click");
    host.pointAt(b, QPoint(5, 5));
    Host::mouse(b, QEvent::MouseMove, QPointF(5, 5));
    EXPECT_EQ(host.sounds, QStringList { "Click" });
}

TEST(ButtonEvents, anXPButtonLeftWhileHeldPopsUp)
{
    Host host;
    QorvXPButton* b = host.buttons[0];
    b->setCaption("Go");
    host.pointAt(b, QPoint(20, 10));
    Host::mouse(b, QEvent::MouseMove, QPointF(20, 10));
    Host::mouse(b, QEvent::MouseButtonPress, QPointF(20, 10));
    ASSERT_TRUE(b->state().pressed);
    Host::parkCursor();
    ASSERT_TRUE(veltrin::test::waitFor([&] { return host.log.contains("a.MouseOut"); }, 5000));
    EXPECT_FALSE(b->state().pressed);
    EXPECT_EQ(px(b->faceImage(), 5, 1), qRgb(254, 254, 254)); // repainted whole, at rest
    const modBas::Colour rest = Button::xpShade(0xFFFFFF, 10, 23);
    EXPECT_EQ(px(b->faceImage(), 5, 10),
        qRgb(modBas::RedOf(rest), modBas::GreenOf(rest), modBas::BlueOf(rest)));
    Host::mouse(b, QEvent::MouseButtonRelease, QPointF(-200, 10));
    EXPECT_FALSE(host.log.contains("a.Click"));
}

TEST(ButtonEvents, aFlatButtonLeftWhileHeldKeepsItsPressedLook)
{
    Host host;
    QorvXPButton* b = host.buttons[0];
    b->setButton_Type(Button::FlatButton);
    host.pointAt(b, QPoint(20, 10));
    Host::mouse(b, QEvent::MouseMove, QPointF(20, 10));
    Host::mouse(b, QEvent::MouseButtonPress, QPointF(20, 10));
    ASSERT_TRUE(b->state().pressed);
    Host::parkCursor();
    ASSERT_TRUE(veltrin::test::waitFor([&] { return host.log.contains("a.MouseOut"); }, 5000));
    EXPECT_TRUE(b->state().pressed);
    EXPECT_EQ(px(b->faceImage(), 40, 5), qRgb(0x80, 0x80, 0xC0)); // CaptionBackColor_Click
    // coming back ends the pressed look
    host.pointAt(b, QPoint(20, 10));
    Host::mouse(b, QEvent::MouseMove, QPointF(20, 10));
    EXPECT_FALSE(b->state().pressed);
}

TEST(ButtonEvents, focusSetsAndClearsTheFlags)
{
    Host host;
    QorvXPButton* b = host.buttons[0];
    b->setFocus();
    EXPECT_TRUE(b->state().focused);
    EXPECT_EQ(px(b->faceImage(), 5, 1), qRgb(206, 231, 255));
    host.edit->setFocus();
    EXPECT_FALSE(b->state().focused);
    EXPECT_FALSE(b->state().hovering);
    EXPECT_FALSE(b->state().pressed);
    EXPECT_EQ(px(b->faceImage(), 5, 1), qRgb(254, 254, 254));
}

TEST(ButtonEvents, aDisabledButtonRaisesNothing)
{
    Host host;
    QorvXPButton* b = host.buttons[1];
    ASSERT_TRUE(b->ReadProperties(bag({ { "HotKey", "k" } })));
    b->setButtonEnabled(false);
    host.log.clear();
    host.pointAt(b, QPoint(20, 10));
    Host::mouse(b, QEvent::MouseMove, QPointF(20, 10));
    Host::mouse(b, QEvent::MouseButtonPress, QPointF(20, 10));
    Host::mouse(b, QEvent::MouseButtonRelease, QPointF(20, 10));
    Host::mouse(b, QEvent::MouseButtonDblClick, QPointF(20, 10));
    QTest::keyClick(b, Qt::Key_Space);
    QTest::keyClick(b, Qt::Key_Return);
    host.edit->setFocus();
    QTest::keyClick(host.edit, Qt::Key_K, Qt::AltModifier);
    Host::parkCursor();
    QTest::qWait(30);
    EXPECT_TRUE(host.log.filter("b.").isEmpty()) << host.log.join(' ').toStdString();
    EXPECT_TRUE(host.sounds.isEmpty());
}

TEST(ButtonEvents, aButtonDisabledWhileHoveredEndsItsHoverSilently)
{
    Host host;
    QorvXPButton* b = host.buttons[0];
    host.pointAt(b, QPoint(20, 10));
    Host::mouse(b, QEvent::MouseMove, QPointF(20, 10));
    ASSERT_TRUE(b->state().hovering);
    b->setButtonEnabled(false);
    host.log.clear();
    Host::parkCursor();
    ASSERT_TRUE(veltrin::test::waitFor([&] { return !b->isHoverPolling(); }, 5000));
    EXPECT_FALSE(b->state().hovering);
    EXPECT_TRUE(host.log.isEmpty());
    EXPECT_EQ(px(b->faceImage(), 10, 0), qRgb(171, 171, 144)); // now the disabled look
}

TEST(ButtonEvents, resizeMouseHoldAndMouseExitAreNeverRaised)
{
    Host host;
    QorvXPButton* b = host.buttons[0];
    int raised = 0;
    QObject::connect(b, &Button::Resize, [&] { ++raised; });
    QObject::connect(b, &Button::MouseHold, [&] { ++raised; });
    QObject::connect(b, &Button::MouseExit, [&] { ++raised; });
    b->resize(90, 30);
    host.pointAt(b, QPoint(20, 10));
    Host::mouse(b, QEvent::MouseMove, QPointF(20, 10));
    Host::mouse(b, QEvent::MouseButtonPress, QPointF(20, 10));
    QTest::qWait(30);
    Host::parkCursor();
    ASSERT_TRUE(veltrin::test::waitFor([&] { return host.log.contains("a.MouseOut"); }, 5000));
    EXPECT_EQ(raised, 0);
}

TEST(ButtonEvents, theTwelveEventsKeepTheirDeclaredOrder)
{
    const QMetaObject& mo = QorvXPButton::staticMetaObject;
    QStringList signalNames;
    for (int i = mo.methodOffset(); i < mo.methodCount(); ++i) {
        if (mo.method(i).methodType() == QMetaMethod::Signal)
            signalNames << QString::fromLatin1(mo.method(i).name());
    }
    EXPECT_EQ(signalNames.mid(0, 12),
        (QStringList { "Click", "KeyDown", "KeyPress", "KeyUp", "MouseOut", "MouseDown",
            "MouseMove", "MouseUp", "Resize", "MouseHold", "MouseExit", "DropDownClick" }));
}
