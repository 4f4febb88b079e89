#include "info/frmhelp.h"

#include "controls/button/qorvxpbutton.h"
#include "info/bundledfont.h"
#include "info/links.h"
#include "info/windowplacement.h"
#include "runtime/picture.h"
#include "runtime/propertybag.h"

#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QShowEvent>

namespace {

const QString kHelpTextResource = QStringLiteral(":/info/help.txt");
const QString kForm = QStringLiteral(":/forms/frmHelp.form");

} // namespace

frmHelp::frmHelp(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Quick Help"));
    const QPixmap icon = veltrin::bundledPixmap(QStringLiteral(":/icons/veltrin.png"));
    setWindowIcon(QIcon(icon));
    setAttribute(Qt::WA_DeleteOnClose);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(224, 224, 224));
    setPalette(pal);
    setAutoFillBackground(true);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(icon);
    Image1->setScaledContents(true);
    Image1->setGeometry(12, 10, 32, 32);

    Label1 = new QLabel(QString::fromLatin1(veltrin::info::kProductName), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(veltrin::bundledFont(9, true));
    Label1->setGeometry(56, 8, 250, 16);

    Label14 = new QLabel(QString::fromLatin1(veltrin::info::kVersionText), this);
    Label14->setObjectName(QStringLiteral("Label14"));
    Label14->setGeometry(56, 26, 250, 14);

    Label16 = new QLabel(QStringLiteral("20th April 2008"), this);
    Label16->setObjectName(QStringLiteral("Label16"));
    Label16->setGeometry(56, 42, 250, 14);

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);
    Frame1->setGeometry(8, 64, 305, 241);

    Helptxt = new QPlainTextEdit(Frame1);
    Helptxt->setObjectName(QStringLiteral("Helptxt"));
    Helptxt->setGeometry(8, 8, 289, 225);
    Helptxt->setReadOnly(true);
    // The text carries its own line breaks; wrapping again at the box's edge
    // would break its lines a second time. At 7.5 points its longest line
    // fits the box beside the scroll bar.
    Helptxt->setLineWrapMode(QPlainTextEdit::NoWrap);
    Helptxt->setFont(veltrin::bundledFont(7.5));
    Helptxt->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Helptxt->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette white = Helptxt->palette();
    white.setColor(QPalette::Base, Qt::white);
    Helptxt->setPalette(white);
    // The text box shows lines; the stored text keeps its CR LF line ends.
    QString shown = HelpText();
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Helptxt->setPlainText(shown);

    Command1 = new QorvXPButton(this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(120, 314, 81, 25);
    Command1->ReadProperties(veltrin::FormFile::load(kForm).control(Command1->objectName()));
    connect(Command1, &QorvXPButton::Click, this, &frmHelp::Command1_Click);

    setFixedSize(321, 348);
}

QString frmHelp::HelpText()
{
    QFile file(kHelpTextResource);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll());
}

void frmHelp::Form_Load()
{
    veltrin::info::setTopmost(*this, true);
    veltrin::info::centreOnScreen(*this);
}

void frmHelp::Form_Unload()
{
    veltrin::info::setTopmost(*this, false);
}

void frmHelp::Command1_Click()
{
    close();
}

void frmHelp::showEvent(QShowEvent* event)
{
    // Loaded on the first show, once the platform window knows its frame, so
    // the centring uses the outer size.
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
    QWidget::showEvent(event);
}

void frmHelp::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}
