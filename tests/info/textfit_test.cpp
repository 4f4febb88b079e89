#include "browser/folderlist.h"
#include "browser/frmfolder.h"
#include "controls/button/qorvxpbutton.h"
#include "controls/scrollbar/dtvisualscrollbar.h"
#include "info/bundledfont.h"
#include "info/frmabout.h"
#include "info/frmhelp.h"
#include "player/playerfrm_testpeer.h"
#include "support/fake_graph.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <gtest/gtest.h>

using veltrin::test::FakeGraphFactory;

namespace {

// The bundled font for the length of a test; the font and substitutions the
// other tests of this program expect come back afterwards.
struct BundledFont {
    QFont previous = QApplication::font();
    bool loaded = veltrin::useBundledFont();
    ~BundledFont()
    {
        for (const char* family : { "Small Fonts", "Tahoma", "MS Sans Serif" })
            QFont::removeSubstitutions(QString::fromLatin1(family));
        QApplication::setFont(previous);
    }
};

// The four windows, built as the program builds them.
struct Windows {
    QTemporaryDir dir;
    FakeGraphFactory graphs;
    std::unique_ptr<playerfrm> player;
    QPointer<frmAbout> about = new frmAbout();
    QPointer<frmHelp> help = new frmHelp();

    Windows()
    {
        PlayerOptions o;
        o.graphFactory = graphs.factory();
        o.useTray = false;
        o.mountTable = dir.filePath(QStringLiteral("no-mounts"));
        player = std::make_unique<playerfrm>(o);
        // The version label blinks; measure it while it shows its text.
        auto* version = about->findChild<QLabel*>(QStringLiteral("Label6"));
        for (int i = 0; i < 2 && version->text().isEmpty(); ++i)
            about->Timer1_Timer();
    }
    ~Windows()
    {
        delete about;
        delete help;
    }
    QList<QWidget*> all() const
    {
        return { player.get(), player->folderBrowser(true), about, help };
    }
};

QString plain(const QString& text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    QTextDocument doc;
    doc.setHtml(text);
    return doc.toPlainText();
}

// The size text takes drawn in its own lines, one under the other.
QSize linesSize(const QFontMetrics& fm, const QString& text)
{
    const QStringList lines = text.split(u'\n');
    int width = 0;
    for (const QString& line : lines)
        width = std::max(width, fm.horizontalAdvance(line));
    return { width, static_cast<int>(lines.size() - 1) * fm.lineSpacing() + fm.height() };
}

struct Text {
    QWidget* widget;
    QString text;
    QSize need;
    QRect box; // in the widget's coordinates
};

// Every label, option and skinned button caption of a window, with the room
// its text needs and the box it has.
QList<Text> texts(QWidget* window)
{
    QList<Text> out;
    // A child window (the player's folder browser) is walked as its own window.
    auto own = [window](QWidget* w) { return w->window() == window; };
    for (QLabel* l : window->findChildren<QLabel*>()) {
        const QString text = plain(l->text());
        if (!text.isEmpty() && own(l))
            out << Text { l, text, linesSize(QFontMetrics(l->font()), text), l->contentsRect() };
    }
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        QStyleOptionButton opt;
        opt.initFrom(b);
        opt.text = b->text();
        const bool radio = qobject_cast<QRadioButton*>(b) != nullptr;
        if ((!radio && !qobject_cast<QCheckBox*>(b)) || !own(b))
            continue;
        const QRect box = b->style()->subElementRect(
            radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &opt, b);
        out << Text { b, b->text(), linesSize(QFontMetrics(b->font()), b->text()), box };
    }
    for (QorvXPButton* b : window->findChildren<QorvXPButton*>()) {
        const QorvXPButton::Layout& layout = b->layout();
        if (!layout.captionShown || b->Caption().isEmpty() || !own(b))
            continue;
        QFont font = b->font();
        font.setStyleStrategy(QFont::NoAntialias); // as the button draws it
        const QFontMetrics fm(font);
        const QRect box = layout.captionBox.toQRect();
        // A multi-line caption breaks between words; a word wider than the box sticks out.
        const QSize need = b->Caption_MultiLines()
            ? fm.boundingRect(QRect(0, 0, box.width(), 10000), Qt::TextWordWrap, b->Caption())
                  .size()
            : linesSize(fm, b->Caption());
        out << Text { b, b->Caption(), need, box };
    }
    return out;
}

TEST(TextFit, everyFixedTextFitsItsBoxInTheBundledFont)
{
    BundledFont font;
    ASSERT_TRUE(font.loaded);
    ASSERT_EQ(veltrin::bundledFontFamily(), QStringLiteral("Liberation Sans"));
    Windows w;
    int checked = 0;
    for (QWidget* window : w.all()) {
        for (const Text& t : texts(window)) {
            ++checked;
            const QString where
                = window->objectName() + u'/' + t.widget->objectName() + u' ' + t.text;
            // Every window's text is drawn in the bundled font, whatever family it names.
            EXPECT_EQ(QFontInfo(t.widget->font()).family(), veltrin::bundledFontFamily())
                << where.toStdString();
            EXPECT_LE(t.need.width(), t.box.width()) << where.toStdString();
            EXPECT_LE(t.need.height(), t.box.height()) << where.toStdString();
        }
    }
    // Labels, five options and the skinned buttons with captions.
    EXPECT_GE(checked, 25);
}

TEST(TextFit, optionsOfTheFolderBrowserDoNotOverlap)
{
    BundledFont font;
    Windows w;
    QList<QRadioButton*> options = w.player->folderBrowser(true)->findChildren<QRadioButton*>();
    ASSERT_EQ(options.size(), 5);
    std::sort(
        options.begin(), options.end(), [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
    for (qsizetype i = 1; i < options.size(); ++i)
        EXPECT_FALSE(options[i - 1]->geometry().intersects(options[i]->geometry()))
            << options[i - 1]->text().toStdString() << " runs into "
            << options[i]->text().toStdString();
}

TEST(TextFit, helpTextKeepsItsOwnLineBreaksAndNeedsNoSideways)
{
    BundledFont font;
    Windows w;
    w.help->show();
    auto* box = w.help->findChild<QPlainTextEdit*>(QStringLiteral("Helptxt"));
    ASSERT_NE(box, nullptr);
    const QTextDocument* doc = box->document();
    const QStringList lines = frmHelp::HelpText().split(QStringLiteral("\r\n"));
    ASSERT_EQ(doc->blockCount(), lines.size());
    const QFontMetrics fm(box->font());
    const int room = box->viewport()->width() - 2 * static_cast<int>(doc->documentMargin());
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        // One stored line, one shown line (asking for its rectangle lays it out).
        doc->documentLayout()->blockBoundingRect(b);
        EXPECT_EQ(b.layout()->lineCount(), 1) << b.text().toStdString();
        EXPECT_LE(fm.horizontalAdvance(b.text()), room) << b.text().toStdString();
    }
}

TEST(TextFit, folderIconsHaveOneSize)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("child"));
    veltrin::FolderList list;
    list.setPath(dir.path());
    ASSERT_GT(list.count(), 2);
    const QSize size = list.iconSize();
    for (int i = 0; i < list.count(); ++i) {
        const QIcon icon = list.item(i)->icon();
        EXPECT_EQ(icon.availableSizes(), QList<QSize> { size }) << i;
    }
}

TEST(AccessibleNames, buttonsAndSlidersAreNamedByCaptionOrTip)
{
    Windows w;
    const struct {
        QWidget* window;
        const char* widget;
        const char* name;
    } cases[] = {
        { w.player.get(), "cmdPlay", "Play" },
        { w.player.get(), "cmdNexttrack", "Next Track" },
        { w.player.get(), "ButtonEx3", "Exit" },
        { w.player.get(), "H1", "Seek" },
        { w.player.get(), "V1", "Volume" },
        { w.player.get(), "H2", "Balance" },
        { w.player->folderBrowser(true), "cmdOkFile", "Play selected file" },
        { w.player->folderBrowser(true), "cmdOKdirectory", "Play this folder" },
        { w.help, "Command1", "OK" },
        { w.about, "Command1", "OK" },
    };
    for (const auto& c : cases) {
        auto* widget = c.window->findChild<QWidget*>(QString::fromLatin1(c.widget));
        ASSERT_NE(widget, nullptr) << c.widget;
        EXPECT_EQ(widget->accessibleName(), QString::fromLatin1(c.name)) << c.widget;
    }
    EXPECT_EQ(PlayerTestPeer(*w.player).H2->toolTip(), QStringLiteral("Balance"));
    // Every button and slider of every window has a name.
    for (QWidget* window : w.all()) {
        for (QWidget* control : window->findChildren<QWidget*>()) {
            if (qobject_cast<QorvXPButton*>(control) || qobject_cast<dtVisualScrollBar*>(control)) {
                EXPECT_FALSE(control->accessibleName().isEmpty())
                    << control->objectName().toStdString();
            }
        }
    }
}

TEST(AccessibleNames, followTheCaptionAndTheTip)
{
    QorvXPButton button;
    button.setCaption(QString());
    button.setToolTip(QStringLiteral("Stop"));
    EXPECT_EQ(button.accessibleName(), QStringLiteral("Stop"));
    button.setCaption(QStringLiteral("Halt"));
    EXPECT_EQ(button.accessibleName(), QStringLiteral("Halt"));
    button.setSwitchShowCaption(false); // a hidden caption names nothing
    EXPECT_EQ(button.accessibleName(), QStringLiteral("Stop"));
    dtVisualScrollBar slider;
    slider.setToolTip(QStringLiteral("Balance"));
    EXPECT_EQ(slider.accessibleName(), QStringLiteral("Balance"));
}

} // namespace
