#include "info/frmabout.h"

#include "controls/button/qorvxpbutton.h"
#include "info/bundledfont.h"
#include "info/links.h"
#include "info/mopenurl.h"
#include "info/windowplacement.h"
#include "runtime/picture.h"
#include "runtime/propertybag.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>

namespace {

const QString kForm = QStringLiteral(":/forms/frmAbout.form");
const QColor kLinkIdle(0, 0, 0);
const QColor kLinkHover(0, 0, 128);

void setTextColour(QLabel* label, const QColor& colour)
{
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
}

} // namespace

frmAbout::frmAbout(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , lbAppVersion { QString::fromLatin1(veltrin::info::kVersionText), QString() }
    , m_openWeb([](const QString& address) { mOpenURL::OpenURL(address); })
    , m_openMail([](const QString& address) { QDesktopServices::openUrl(QUrl(address)); })
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About This Product  ......"));
    const QPixmap icon = veltrin::bundledPixmap(QStringLiteral(":/icons/veltrin.png"));
    setWindowIcon(QIcon(icon));
    setAttribute(Qt::WA_DeleteOnClose);
    setMouseTracking(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(224, 224, 224));
    setPalette(pal);
    setAutoFillBackground(true);

    lpAppImage = new QLabel(this);
    lpAppImage->setObjectName(QStringLiteral("lpAppImage"));
    lpAppImage->setPixmap(veltrin::bundledPixmap(QStringLiteral(":/info/side.png")));
    lpAppImage->setGeometry(8, 8, 77, 201);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(icon);
    Image1->setScaledContents(true);
    Image1->setGeometry(96, 10, 32, 32);

    lbAppTitle = new QLabel(QString::fromLatin1(veltrin::info::kProductName), this);
    lbAppTitle->setObjectName(QStringLiteral("lbAppTitle"));
    lbAppTitle->setFont(veltrin::bundledFont(9, true));
    lbAppTitle->setGeometry(136, 10, 236, 16);

    Label6 = new QLabel(this);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setGeometry(136, 28, 236, 14);

    auto* credits = new QLabel(QStringLiteral("A small player for discs and files,\n"
                                              "made by the Veltrin project.\n"
                                              "Comments and bug reports are welcome."),
        this);
    credits->setObjectName(QStringLiteral("lbCredits"));
    credits->setGeometry(96, 54, 276, 52);

    auto caption = [this](const char* text, int top) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setGeometry(96, top, 60, 16);
    };
    caption("URL1     :", 118);
    caption("URL2     :", 140);
    caption("Email    :", 162);
    Label5 = makeLinkLabel("Label5", QString::fromLatin1(veltrin::info::kAuthorWebPage), 118);
    Label9 = makeLinkLabel("Label9", QString::fromLatin1(veltrin::info::kMakerWebPage), 140);
    Label1 = makeLinkLabel("Label1", QString::fromLatin1(veltrin::info::kAuthorMail), 162);

    Command1 = new QorvXPButton(this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(291, 216, 81, 25);
    Command1->ReadProperties(veltrin::FormFile::load(kForm).control(Command1->objectName()));
    connect(Command1, &QorvXPButton::Click, this, &frmAbout::Command1_Click);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, &frmAbout::Timer1_Timer);
    Timer1->start();

    setFixedSize(380, 250);
    Form_Load();
}

QLabel* frmAbout::makeLinkLabel(const char* name, const QString& text, int top)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(160, top, 212, 16);
    label->setCursor(Qt::PointingHandCursor);
    label->setMouseTracking(true);
    label->installEventFilter(this);
    setTextColour(label, kLinkIdle);
    return label;
}

void frmAbout::setLinkOpeners(LinkOpener web, LinkOpener mail)
{
    m_openWeb = std::move(web);
    m_openMail = std::move(mail);
}

void frmAbout::Form_Load()
{
    veltrin::info::setTopmost(*this, true);
}

void frmAbout::Form_MouseMove()
{
    veltrin::info::centreOnScreen(*this);
    for (QLabel* link : { Label5, Label1, Label9 })
        setTextColour(link, kLinkIdle);
}

void frmAbout::Label5_MouseMove()
{
    setTextColour(Label5, kLinkHover);
}
void frmAbout::Label9_MouseMove()
{
    setTextColour(Label9, kLinkHover);
}
void frmAbout::Label1_MouseMove()
{
    setTextColour(Label1, kLinkHover);
}

void frmAbout::Label5_Click()
{
    if (m_openWeb)
        m_openWeb(QString::fromLatin1(veltrin::info::kAuthorWebPage));
}

void frmAbout::Label9_Click()
{
    if (m_openWeb)
        m_openWeb(QString::fromLatin1(veltrin::info::kMakerWebPage));
}

void frmAbout::Label1_Click()
{
    if (m_openMail)
        m_openMail(QStringLiteral("mailto:") + QString::fromLatin1(veltrin::info::kAuthorMail));
}

void frmAbout::Timer1_Timer()
{
    Label6->setText(lbAppVersion[static_cast<std::size_t>(s_blinkCounter)]);
    s_blinkCounter = 1 - s_blinkCounter;
}

void frmAbout::Command1_Click()
{
    close();
}

void frmAbout::mouseMoveEvent(QMouseEvent* event)
{
    // Moves over captions and pictures reach here by propagation; only the bare
    // background counts.
    if (!childAt(event->position().toPoint()))
        Form_MouseMove();
    QWidget::mouseMoveEvent(event);
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    const bool isLink = watched == Label5 || watched == Label9 || watched == Label1;
    if (!isLink)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseMove) {
        if (watched == Label5)
            Label5_MouseMove();
        else if (watched == Label9)
            Label9_MouseMove();
        else
            Label1_MouseMove();
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* me = static_cast<QMouseEvent*>(event);
        const auto* label = static_cast<QLabel*>(watched);
        if (me->button() == Qt::LeftButton && label->rect().contains(me->position().toPoint())) {
            if (watched == Label5)
                Label5_Click();
            else if (watched == Label9)
                Label9_Click();
            else
                Label1_Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
