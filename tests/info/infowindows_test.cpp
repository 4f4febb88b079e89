#include "controls/button/qorvxpbutton.h"
#include "info/frmabout.h"
#include "info/frmhelp.h"
#include "info/windowplacement.h"
#include "player/playerfrm_testpeer.h"
#include "support/wait.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

using veltrin::test::waitFor;

namespace {

const QColor kBlack(0, 0, 0);
const QColor kNavy(0, 0, 128);

QColor textColour(const QWidget* w)
{
    return w->palette().color(QPalette::WindowText);
}

void moveOver(QWidget* w, QPoint pos)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(pos), w->mapToGlobal(QPointF(pos)), Qt::NoButton,
        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

bool isTopmost(const QWidget& w)
{
    const bool widgetFlag = w.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    const bool platformFlag
        = w.windowHandle() && w.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint);
    return widgetFlag && platformFlag;
}

template <typename W> QList<W*> openWindows()
{
    QList<W*> found;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* typed = qobject_cast<W*>(w); typed && typed->isVisible())
            found << typed;
    }
    return found;
}

// Closes a window and waits until it has deleted itself.
void closeAndWait(QPointer<QWidget> w)
{
    if (w)
        w->close();
    EXPECT_TRUE(waitFor([&] { return w.isNull(); }, 5000));
}

} // namespace

TEST(HelpWindow, helpTextIsByteExactWithCrLfAndTrailingBlanks)
{
    QByteArray expected;
    auto line = [&](const char* text) { expected += QByteArray(text) + "\r\n"; };
    line("This a Veltrin player which can automatic find your disc ");
    line("and play. ");
    line("");
    line("1.To play it ,Insert VCD or DVD on dvd-rom, click ");
    line("\"Auto detect\" icon.");
    line("2.To view full screen , click \"Full screen\" button. To ");
    line("change back to normal, hit \"Esc\" key in keyboard.");
    line("");
    line("");
    line("Playing Sequence");
    line("=================");
    line("Autoplay             :->1->2->3->4->5->6->7....");
    line("Next                 :->1->2->3->4......");
    line("");
    line("");
    line("");
    line("This software is provided \"as is\", without any guarantee ");
    line("made as to its suitability  for any particular use. It may ");
    line("contain bugs, so use of this tool is at your own risk. I take ");
    line("no responsilbity for any damage that may unintentionally ");
    line("be caused through its use. ");
    line("");
    line("If you encounter problems, please visit ");
    line("https://veltrin.example.org/ and download the ");
    line("latest version to see if the issue has been resolved. If not, ");
    line("please send a bug report to: veltrin@example.org");

    EXPECT_EQ(frmHelp::HelpText().toLatin1(), expected);

    QPointer<QWidget> help = new frmHelp();
    const auto* box = help->findChild<QPlainTextEdit*>(QStringLiteral("Helptxt"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->toPlainText().toLatin1(), QByteArray(expected).replace("\r\n", "\n"));
    EXPECT_EQ(box->size(), QSize(289, 225));
    closeAndWait(help);
}

TEST(HelpWindow, isTopmostWhileOpenAndNotAfterItsOkButtonClosesIt)
{
    QPointer<frmHelp> help = new frmHelp();
    help->show();
    ASSERT_TRUE(waitFor([&] { return help->windowHandle() != nullptr; }));
    EXPECT_TRUE(isTopmost(*help));

    auto* ok = help->findChild<QorvXPButton*>(QStringLiteral("Command1"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->Caption(), QStringLiteral("OK"));
    emit ok->Click();
    ASSERT_FALSE(help.isNull()); // deletion is deferred to the event loop
    EXPECT_FALSE(help->isVisible());
    EXPECT_FALSE(help->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(help->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(waitFor([&] { return help.isNull(); }, 5000));
}

TEST(InfoWindows, centringRoundsTheDifferenceThenHalvesInTwips)
{
    struct Case {
        double screen, window;
        long long offset;
    };
    const std::vector<Case> cases = {
        { 15360, 4815, 5272 }, // 1024 px screen, 321 px window: 10545 / 2
        { 15360, 15360, 0 }, { 100.5, 98, 1 }, // 2.5 rounds to 2
        { 101.5, 98, 2 }, // 3.5 rounds to 4
        { 4800, 4815, -7 }, // a window wider than the screen: truncated toward zero
    };
    for (const Case& c : cases)
        EXPECT_EQ(veltrin::info::centredOffsetTwips(c.screen, c.window), c.offset)
            << c.screen << " " << c.window;

    EXPECT_EQ(
        veltrin::info::centredPosition(QRect(0, 0, 1024, 768), QSize(321, 348)), QPoint(351, 210));
    EXPECT_EQ(veltrin::info::centredPosition(QRect(1920, 0, 1280, 1024), QSize(380, 250)),
        QPoint(2370, 387));
}

TEST(HelpWindow, opensInTheCentreOfTheScreen)
{
    QPointer<frmHelp> help = new frmHelp();
    help->show();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect frame = help->frameGeometry();
    EXPECT_EQ(frame.topLeft(), veltrin::info::centredPosition(screen, frame.size()));
    closeAndWait(help.data());
}

TEST(AboutWindow, linksTurnNavyUnderThePointerAndBlackOverTheBackground)
{
    QPointer<frmAbout> about = new frmAbout();
    about->show();
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About This Product  ......"));
    EXPECT_TRUE(isTopmost(*about));
    QList<QLabel*> links;
    for (const char* name : { "Label5", "Label9", "Label1" }) {
        auto* link = about->findChild<QLabel*>(QString::fromLatin1(name));
        ASSERT_NE(link, nullptr) << name;
        EXPECT_EQ(textColour(link), kBlack) << name;
        links << link;
    }

    // Each link lights up on its own and stays lit while the pointer crosses the others.
    moveOver(links[0], QPoint(2, 2));
    EXPECT_EQ(textColour(links[0]), kNavy);
    EXPECT_EQ(textColour(links[1]), kBlack);
    EXPECT_EQ(textColour(links[2]), kBlack);
    moveOver(links[2], QPoint(2, 2));
    EXPECT_EQ(textColour(links[0]), kNavy);
    EXPECT_EQ(textColour(links[2]), kNavy);
    moveOver(links[1], QPoint(2, 2));
    EXPECT_EQ(textColour(links[1]), kNavy);

    // A caption label is not the background: the links stay lit.
    auto* caption = about->findChild<QLabel*>(QStringLiteral("lbAppTitle"));
    ASSERT_NE(caption, nullptr);
    moveOver(caption, QPoint(2, 2));
    EXPECT_EQ(textColour(links[1]), kNavy);

    const QPoint background(about->width() - 3, about->height() - 3);
    ASSERT_EQ(about->childAt(background), nullptr);
    moveOver(about, background);
    for (QLabel* link : links)
        EXPECT_EQ(textColour(link), kBlack) << link->objectName().toStdString();
    closeAndWait(about.data());
}

TEST(AboutWindow, pointerOverTheBackgroundCentresAMovedWindow)
{
    QPointer<frmAbout> about = new frmAbout();
    about->show();
    about->move(3, 5);
    ASSERT_EQ(about->pos(), QPoint(3, 5));
    auto* caption = about->findChild<QLabel*>(QStringLiteral("lbAppTitle"));
    moveOver(caption, QPoint(2, 2));
    EXPECT_EQ(about->pos(), QPoint(3, 5));

    moveOver(about, QPoint(about->width() - 3, about->height() - 3));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(about->frameGeometry().topLeft(),
        veltrin::info::centredPosition(screen, about->frameGeometry().size()));
    EXPECT_NE(about->pos(), QPoint(3, 5));
    closeAndWait(about.data());
}

TEST(AboutWindow, clickingALinkOpensItsAddress)
{
    QPointer<frmAbout> about = new frmAbout();
    about->show();
    QStringList web, mail;
    about->setLinkOpeners(
        [&](const QString& a) { web << a; }, [&](const QString& a) { mail << a; });
    for (const char* name : { "Label5", "Label9", "Label1" })
        QTest::mouseClick(about->findChild<QLabel*>(QString::fromLatin1(name)), Qt::LeftButton,
            Qt::NoModifier, QPoint(3, 3));
    EXPECT_EQ(web,
        (QStringList { QStringLiteral("https://veltrin.example.org/"),
            QStringLiteral("https://www.example.org/veltrin/") }));
    EXPECT_EQ(mail, QStringList { QStringLiteral("mailto:veltrin@example.org") });

    auto* ok = about->findChild<QorvXPButton*>(QStringLiteral("Command1"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->Caption(), QStringLiteral("OK"));
    emit ok->Click();
    EXPECT_TRUE(waitFor([&] { return about.isNull(); }, 5000));
}

TEST(AboutWindow, versionBlinksAndKeepsItsPhaseAcrossReopening)
{
    const QString version = QStringLiteral("Version 2.3.0");
    QPointer<frmAbout> about = new frmAbout();
    auto* timer = about->findChild<QTimer*>(QStringLiteral("Timer1"));
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 500);
    auto* label6 = about->findChild<QLabel*>(QStringLiteral("Label6"));
    ASSERT_NE(label6, nullptr);
    EXPECT_EQ(label6->text(), QString());

    // The phase is kept for the life of the program: step to where the version
    // has just been shown, so the next tick, in this window or a new one, blanks it.
    about->Timer1_Timer();
    if (label6->text().isEmpty())
        about->Timer1_Timer();
    ASSERT_EQ(label6->text(), version);
    about->Timer1_Timer();
    EXPECT_EQ(label6->text(), QString());
    about->Timer1_Timer();
    EXPECT_EQ(label6->text(), version);
    closeAndWait(about.data());

    QPointer<frmAbout> again = new frmAbout();
    auto* label6Again = again->findChild<QLabel*>(QStringLiteral("Label6"));
    ASSERT_NE(label6Again, nullptr);
    again->Timer1_Timer();
    EXPECT_EQ(label6Again->text(), QString());
    again->Timer1_Timer();
    EXPECT_EQ(label6Again->text(), version);
    closeAndWait(again.data());
}

TEST(InfoWindows, playerOpensEachOnceExitClosesAboutProgramEndsWithHelp)
{
    PlayerOptions options;
    options.useTray = false;
    options.graphFactory = [] { return GraphRefs {}; };
    playerfrm player(options);
    PlayerTestPeer in(player);
    player.show();
    // Opening again only brings up the window already open.
    for (int i = 0; i < 2; ++i) {
        in.mnuHelp->trigger();
        in.mnuAbout->trigger();
    }
    ASSERT_EQ(openWindows<frmHelp>().size(), 1);
    ASSERT_EQ(openWindows<frmAbout>().size(), 1);

    // The application only reports its last window inside its own event loop.
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    int lastClosedAfterExit = -1;
    bool helpOpenAfterExit = false;
    QTimer::singleShot(0, &player, [&] {
        player.mnuExit_Click();
        // Runs only while the program is still going after Exit.
        QTimer::singleShot(0, qApp, [&] {
            lastClosedAfterExit = static_cast<int>(lastClosed.count());
            const QList<frmHelp*> helps = openWindows<frmHelp>();
            helpOpenAfterExit = helps.size() == 1 && openWindows<frmAbout>().isEmpty();
            for (frmHelp* h : helps)
                h->close();
        });
    });
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, qApp, [] { QCoreApplication::exit(2); });
    bound.start(10000);

    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_EQ(lastClosedAfterExit, 0);
    EXPECT_TRUE(helpOpenAfterExit);
    EXPECT_EQ(lastClosed.count(), 1);
    EXPECT_TRUE(waitFor([] { return openWindows<frmHelp>().isEmpty(); }));
}

bool imagePluginLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/imageformats/");
}

// Sniffing a picture's format makes Qt load every image format plugin: a
// few milliseconds and a few hundred kilobytes before the first frame.
TEST(InfoWindows, bundledPicturesLoadWithoutImageFormatPlugins)
{
    if (imagePluginLoaded())
        GTEST_SKIP() << "an earlier test in this process loaded an image format plugin";
    PlayerOptions options;
    options.useTray = false;
    options.graphFactory = [] { return GraphRefs {}; };
    playerfrm player(options);
    PlayerTestPeer in(player);
    player.show();
    in.mnuHelp->trigger();
    in.mnuAbout->trigger();
    const QList<frmHelp*> helps = openWindows<frmHelp>();
    const QList<frmAbout*> abouts = openWindows<frmAbout>();
    ASSERT_EQ(helps.size(), 1);
    ASSERT_EQ(abouts.size(), 1);

    auto shown = [](const QWidget* window, const char* name) {
        const auto* label = window->findChild<QLabel*>(QString::fromLatin1(name));
        return label && !label->pixmap().isNull();
    };
    EXPECT_TRUE(shown(&player, "PicLogo"));
    EXPECT_TRUE(shown(&player, "ButtonEx3"));
    EXPECT_FALSE(player.windowIcon().isNull());
    EXPECT_TRUE(shown(helps.front(), "Image1"));
    EXPECT_TRUE(shown(abouts.front(), "Image1"));
    EXPECT_TRUE(shown(abouts.front(), "lpAppImage"));
    EXPECT_FALSE(imagePluginLoaded());

    closeAndWait(abouts.front());
    closeAndWait(helps.front());
}
