// QorvXPButton: properties, their setters' rules and persistence.
#include "controls/button/qorvxpbutton.h"

#include "runtime/propertybag.h"
#include "runtime/units.h"

#include <QApplication>
#include <QMessageBox>
#include <QShortcut>
#include <QTimer>
#include <cmath>
#include <limits>
#include <variant>

namespace {

constexpr auto kPercentMessage = "ButtonCaptionPercent should be 0 to 100";
constexpr auto kColorSetMessage = "WindowsXPButton Do Not Support CustomColorSet";

QorvXPButton::MessageSink& defaultMessageSink()
{
    static QorvXPButton::MessageSink sink;
    return sink;
}

bool fitsInteger(qint64 v)
{
    return v >= std::numeric_limits<qint16>::min() && v <= std::numeric_limits<qint16>::max();
}

Qt::CursorShape cursorShape(qint16 pointer)
{
    switch (pointer) {
    case 1: return Qt::ArrowCursor;
    case 2: return Qt::CrossCursor;
    case 3: return Qt::IBeamCursor;
    case 5: return Qt::SizeAllCursor;
    case 6: return Qt::SizeBDiagCursor;
    case 7: return Qt::SizeVerCursor;
    case 8: return Qt::SizeFDiagCursor;
    case 9: return Qt::SizeHorCursor;
    case 10: return Qt::UpArrowCursor;
    case 11: return Qt::WaitCursor;
    case 12: return Qt::ForbiddenCursor;
    case 13: return Qt::BusyCursor;
    case 14: return Qt::WhatsThisCursor;
    case 15: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

} // namespace

// ---- persistence table -------------------------------------------------------

struct QorvXPButton::Persisted {
    using Field = std::variant<qint32 Props::*, qint16 Props::*, bool Props::*, double Props::*,
        QString Props::*, PictureRef Props::*>;
    const char* key;
    Field field;
};

std::span<const QorvXPButton::Persisted> QorvXPButton::persisted()
{
    // In the order the properties are saved, after Caption, Enabled, Font,
    // MouseIcon and MousePointer (which belong to the host).
    static const Persisted table[] = {
        { "Button_Type", &Props::Button_Type },
        { "ButtonColorSet", &Props::ButtonColorSet },
        { "ButtonCaptionPercent", &Props::ButtonCaptionPercent },
        { "ButtonCaptionPosition", &Props::ButtonCaptionPosition },
        { "ButtonCaptionLayout", &Props::ButtonCaptionLayout },
        { "ButtonPictureLayout", &Props::ButtonPictureLayout },
        { "ButtonPicture_Normal", &Props::ButtonPicture_Normal },
        { "ButtonPicture_Over", &Props::ButtonPicture_Over },
        { "ButtonPicture_Addin", &Props::ButtonPicture_Addin },
        { "ButtonSound_Over", &Props::ButtonSound_Over },
        { "ButtonSound_Click", &Props::ButtonSound_Click },
        { "WithoutDisEnabledEffect", &Props::WithoutDisEnabledEffect },
        { "Frame_Color", &Props::Frame_Color },
        { "Switch_ShowShadow", &Props::Switch_ShowShadow },
        { "ShadowColor", &Props::ShadowColor },
        { "ShadowLength", &Props::ShadowLength },
        { "SwitchBorder_Over", &Props::SwitchBorder_Over },
        { "SwitchFocusRect", &Props::SwitchFocusRect },
        { "FocusRectDis", &Props::FocusRectDis },
        { "SwitchShowCaption", &Props::SwitchShowCaption },
        { "Caption_MultiLines", &Props::Caption_MultiLines },
        { "CaptionBackgroundColor", &Props::CaptionBackgroundColor },
        { "CaptionBackColor_Over", &Props::CaptionBackColor_Over },
        { "CaptionBackColor_Click", &Props::CaptionBackColor_Click },
        { "SwitchCaptionClickColor", &Props::SwitchCaptionClickColor },
        { "CaptionBackSmoothColor", &Props::CaptionBackSmoothColor },
        { "SwitchCaptionSmoothColor", &Props::SwitchCaptionSmoothColor },
        { "CaptionNormalColor", &Props::CaptionNormalColor },
        { "SwitchCaptionOverColor", &Props::SwitchCaptionOverColor },
        { "CaptionClickColor", &Props::CaptionClickColor },
        { "CaptionMargin_Bottom", &Props::CaptionMargin_Bottom },
        { "CaptionMargin_Left", &Props::CaptionMargin_Left },
        { "CaptionMargin_Right", &Props::CaptionMargin_Right },
        { "CaptionMargin_Top", &Props::CaptionMargin_Top },
        { "PictureFrameBackColor", &Props::PictureFrameBackColor },
        { "SwitchPictureFrameBackColor", &Props::SwitchPictureFrameBackColor },
        { "PictureForeColor", &Props::PictureForeColor },
        { "SwitchPictureForeColor", &Props::SwitchPictureForeColor },
        { "PictureAreaBackColor", &Props::PictureAreaBackColor },
        { "PictureFrameBackColor_Over", &Props::PictureFrameBackColor_Over },
        { "PictureAreaBackColor_Click", &Props::PictureAreaBackColor_Click },
        { "SwitchPictureFrameBackColor_Click", &Props::SwitchPictureFrameBackColor_Click },
        { "PictureAreaBackSmoothColor", &Props::PictureAreaBackSmoothColor },
        { "SwitchPictureFrameBackSmoothColor", &Props::SwitchPictureFrameBackSmoothColor },
        { "PictureFrameMargin_Bottom", &Props::PictureFrameMargin_Bottom },
        { "PictureFrameMargin_Left", &Props::PictureFrameMargin_Left },
        { "PictureFrameMargin_Right", &Props::PictureFrameMargin_Right },
        { "PictureFrameMargin_Top", &Props::PictureFrameMargin_Top },
        { "SwitchScalePicture", &Props::SwitchScalePicture },
        { "PictureFrame_Height", &Props::PictureFrame_Height },
        { "PictureFrame_Width", &Props::PictureFrame_Width },
        { "ToolBarForeColor", &Props::ToolBarForeColor },
        { "ToolBarHandle_Width", &Props::ToolBarHandle_Width },
        { "ToolBarHandle_LineSpace", &Props::ToolBarHandle_LineSpace },
        { "PictureAddin_Margin", &Props::PictureAddin_Margin },
        { "PictureAddin_Width", &Props::PictureAddin_Width },
        { "PictureAddin_Height", &Props::PictureAddin_Height },
        { "HotKey", &Props::HotKey },
        { "PictureFrameEffect", &Props::PictureFrameEffect },
    };
    return table;
}

QorvXPButton::Props QorvXPButton::readDefaults()
{
    Props d;
    // The one property whose saved default differs from a new control's value.
    d.PictureForeColor = 0xC0C0C0;
    return d;
}

// ---- construction ------------------------------------------------------------

QorvXPButton::QorvXPButton(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true); // the hover entry comes from plain pointer moves
    m_hoverTimer = new QTimer(this);
    m_hoverTimer->setInterval(10);
    m_hoverTimer->setTimerType(Qt::PreciseTimer);
    connect(m_hoverTimer, &QTimer::timeout, this, &QorvXPButton::pollHover);
    InitProperties();
}

QorvXPButton::~QorvXPButton() = default;

void QorvXPButton::InitProperties()
{
    m = Props {};
    m.Caption = objectName();
    m_state.overPictureIsNormal = true; // both pictures are "none", the same
    m_state.addinTotalWidth = 0;
    setFont(QFont()); // the host's ambient font
    m_mousePointer = 0;
    m_mouseIcon.reset();
    applyCursor();
    updateAccessibleName();
}

void QorvXPButton::setDefaultMessageSink(MessageSink sink)
{
    defaultMessageSink() = std::move(sink);
}

// ---- helpers -----------------------------------------------------------------

void QorvXPButton::notify(const char* name)
{
    emit propertyChanged(QString::fromLatin1(name));
}

void QorvXPButton::apply(Effect effect)
{
    switch (effect) {
    case Effect::None: break;
    case Effect::Partial: ReDraw(false); break;
    case Effect::Full: ReDraw(true); break;
    case Effect::Refresh: Refresh(); break;
    }
}

void QorvXPButton::showMessage(const QString& text, bool informationIcon)
{
    if (m_messageSink) {
        m_messageSink(text, informationIcon);
        return;
    }
    if (defaultMessageSink()) {
        defaultMessageSink()(text, informationIcon);
        return;
    }
    QMessageBox box(informationIcon ? QMessageBox::Information : QMessageBox::NoIcon,
        QApplication::applicationName(), text, QMessageBox::Ok, this);
    box.exec();
}

void QorvXPButton::applyCursor()
{
    if (m_mousePointer == kCustomPointer && m_mouseIcon && !m_mouseIcon->isEmpty())
        setCursor(QCursor(QPixmap::fromImage(m_mouseIcon->image)));
    else if (m_mousePointer == kDefaultPointer || m_mousePointer == kCustomPointer)
        unsetCursor();
    else
        setCursor(cursorShape(m_mousePointer));
}

void QorvXPButton::setHostPointer(qint16 value)
{
    m_mousePointer = value;
    applyCursor();
}

void QorvXPButton::resetPointerForType()
{
    if (m_mousePointer != kDefaultPointer) {
        setHostPointer(kDefaultPointer);
        notify("MousePointer");
    }
}

void QorvXPButton::setAddinSize(qint16 width, qint16 height, qint16 margin, qint16 total)
{
    m.PictureAddin_Width = width;
    m.PictureAddin_Height = height;
    m.PictureAddin_Margin = margin;
    m_state.addinTotalWidth = total;
}

void QorvXPButton::notifyAddinSize()
{
    notify("PictureAddin_Width");
    notify("PictureAddin_Height");
    notify("PictureAddin_Margin");
}

bool QorvXPButton::recomputeAddinTotal()
{
    // The total is a 16-bit value: the doubled margin must fit too.
    const qint64 twice = 2 * static_cast<qint64>(m.PictureAddin_Margin);
    const qint64 total = twice + m.PictureAddin_Width;
    if (!fitsInteger(twice) || !fitsInteger(total))
        return false;
    m_state.addinTotalWidth = static_cast<qint16>(total);
    return true;
}

void QorvXPButton::updateOverPictureFlag()
{
    // No over picture shows the normal one: partial repaints may skip it too.
    m_state.overPictureIsNormal
        = !m.ButtonPicture_Over || m.ButtonPicture_Over == m.ButtonPicture_Normal;
}

// ---- host interface ------------------------------------------------------------

void QorvXPButton::setCaption(const QString& caption)
{
    assign(m.Caption, caption, "Caption", Effect::Refresh);
}

void QorvXPButton::setButtonEnabled(bool enabled)
{
    if (enabled == isEnabled())
        return;
    setEnabled(enabled); // changeEvent repaints fully
    notify("Enabled");
}

void QorvXPButton::Refresh()
{
    LayoutButton();
    ReDraw(true);
    updateAccessibleName();
}

void QorvXPButton::updateAccessibleName()
{
    // A screen reader names the button by what it shows: its caption, or for
    // a picture-only button its tool tip.
    const bool captionShown = m.SwitchShowCaption && m.ButtonCaptionPercent != 0;
    const QString name = captionShown && !m.Caption.isEmpty() ? m.Caption : toolTip();
    if (name != accessibleName())
        setAccessibleName(name);
}

QImage QorvXPButton::renderImage(bool force)
{
    ReDraw(force);
    return m_face;
}

// ---- properties with rules -------------------------------------------------------

void QorvXPButton::setButton_Type(qint32 value)
{
    const qint32 previous = m.Button_Type;
    m.Button_Type = value;
    switch (value) {
    case WindowsXPButton:
    case FlatButton:
        notify("Button_Type");
        resetPointerForType();
        break;
    case ArrowButton:
        setAddinSize(8, 15, 4, 16);
        notifyAddinSize();
        notify("Button_Type");
        resetPointerForType();
        break;
    case DropDownButton:
        setAddinSize(6, 3, 4, 14);
        notifyAddinSize();
        notify("Button_Type");
        resetPointerForType();
        break;
    case ChevronButton:
        setAddinSize(8, 14, 4, 16);
        notifyAddinSize();
        // The chevron must fit: lay out with the new type and keep it only
        // when something can be drawn.
        LayoutButton();
        if (!m_layout.layoutValid)
            m.Button_Type = previous;
        notify("Button_Type");
        break;
    case Separator:
        setEnabled(false);
        notify("Enabled");
        notify("Button_Type");
        break;
    case ToolBarHandle:
        setHostPointer(kSizeAllPointer);
        notify("MousePointer");
        notify("Button_Type");
        break;
    default: break; // stored without notification
    }
    Refresh();
}

void QorvXPButton::setButtonColorSet(qint32 value)
{
    m.ButtonColorSet = value;
    notify("ButtonColorSet");
    if (value == DefaultColorSet) {
        const Props d;
        auto reset = [this](auto& field, const auto& def, const char* name) {
            field = def;
            notify(name);
        };
        reset(m.Frame_Color, d.Frame_Color, "Frame_Color");
        reset(m.Switch_ShowShadow, d.Switch_ShowShadow, "Switch_ShowShadow");
        reset(m.ShadowColor, d.ShadowColor, "ShadowColor");
        reset(m.ShadowLength, d.ShadowLength, "ShadowLength");
        reset(m.SwitchBorder_Over, d.SwitchBorder_Over, "SwitchBorder_Over");
        reset(m.SwitchFocusRect, d.SwitchFocusRect, "SwitchFocusRect");
        reset(m.FocusRectDis, d.FocusRectDis, "FocusRectDis");
        reset(m.CaptionBackgroundColor, d.CaptionBackgroundColor, "CaptionBackgroundColor");
        reset(m.CaptionBackColor_Over, d.CaptionBackColor_Over, "CaptionBackColor_Over");
        reset(m.CaptionBackColor_Click, d.CaptionBackColor_Click, "CaptionBackColor_Click");
        reset(m.SwitchCaptionClickColor, d.SwitchCaptionClickColor, "SwitchCaptionClickColor");
        reset(m.CaptionBackSmoothColor, d.CaptionBackSmoothColor, "CaptionBackSmoothColor");
        reset(m.SwitchCaptionSmoothColor, d.SwitchCaptionSmoothColor, "SwitchCaptionSmoothColor");
        reset(m.CaptionNormalColor, d.CaptionNormalColor, "CaptionNormalColor");
        reset(m.SwitchCaptionOverColor, d.SwitchCaptionOverColor, "SwitchCaptionOverColor");
        reset(m.CaptionClickColor, d.CaptionClickColor, "CaptionClickColor");
        reset(m.PictureFrameBackColor, d.PictureFrameBackColor, "PictureFrameBackColor");
        reset(m.SwitchPictureFrameBackColor, d.SwitchPictureFrameBackColor,
            "SwitchPictureFrameBackColor");
        reset(m.PictureAreaBackColor, d.PictureAreaBackColor, "PictureAreaBackColor");
        reset(m.PictureFrameBackColor_Over, d.PictureFrameBackColor_Over,
            "PictureFrameBackColor_Over");
        reset(m.PictureAreaBackColor_Click, d.PictureAreaBackColor_Click,
            "PictureAreaBackColor_Click");
        reset(m.SwitchPictureFrameBackColor_Click, d.SwitchPictureFrameBackColor_Click,
            "SwitchPictureFrameBackColor_Click");
        reset(m.PictureAreaBackSmoothColor, d.PictureAreaBackSmoothColor,
            "PictureAreaBackSmoothColor");
        reset(m.SwitchPictureFrameBackSmoothColor, d.SwitchPictureFrameBackSmoothColor,
            "SwitchPictureFrameBackSmoothColor");
        reset(m.SwitchPictureForeColor, d.SwitchPictureForeColor, "SwitchPictureForeColor");
        reset(m.PictureForeColor, Colour { 0xC0C0C0 }, "PictureForeColor");
        reset(m.ToolBarForeColor, d.ToolBarForeColor, "ToolBarForeColor");
        reset(m.PictureFrameEffect, d.PictureFrameEffect, "PictureFrameEffect");
        ReDraw(true);
    } else if (value == CustomColorSet && m.Button_Type == WindowsXPButton) {
        showMessage(QString::fromLatin1(kColorSetMessage), true); // the value stays stored
    }
}

void QorvXPButton::setButtonCaptionPercent(double value)
{
    if (value >= 0 && value <= 100) { // false for a not-a-number too
        assign(m.ButtonCaptionPercent, value, "ButtonCaptionPercent", Effect::Refresh);
        return;
    }
    notify("ButtonCaptionPercent");
    showMessage(QString::fromLatin1(kPercentMessage), false);
}

void QorvXPButton::setButtonCaptionPosition(qint32 value)
{
    assign(m.ButtonCaptionPosition, value, "ButtonCaptionPosition", Effect::Refresh);
}

void QorvXPButton::setButtonCaptionLayout(qint32 value)
{
    assign(m.ButtonCaptionLayout, value, "ButtonCaptionLayout", Effect::Refresh);
}

void QorvXPButton::setButtonPictureLayout(qint32 value)
{
    assign(m.ButtonPictureLayout, value, "ButtonPictureLayout", Effect::Refresh);
}

void QorvXPButton::setButtonSound_Over(const QString& value)
{
    assign(m.ButtonSound_Over, value, "ButtonSound_Over", Effect::None);
}

void QorvXPButton::setButtonSound_Click(const QString& value)
{
    assign(m.ButtonSound_Click, value, "ButtonSound_Click", Effect::None);
}

void QorvXPButton::setButtonPicture_Normal(const PictureRef& picture)
{
    m.ButtonPicture_Normal = picture;
    updateOverPictureFlag();
    notify("ButtonPicture_Normal");
    if (picture && !m.SwitchScalePicture) {
        // The frame fits the picture: margins plus the picture's pixel size.
        m.PictureFrame_Width = static_cast<qint32>(veltrin::roundHalfEven(
            double(m.PictureFrameMargin_Left) + picture->width() + m.PictureFrameMargin_Right));
        m.PictureFrame_Height = static_cast<qint32>(veltrin::roundHalfEven(
            double(m.PictureFrameMargin_Top) + picture->height() + m.PictureFrameMargin_Bottom));
        notify("PictureFrame_Width");
        notify("PictureFrame_Height");
    }
    Refresh();
}

void QorvXPButton::setButtonPicture_Over(const PictureRef& picture)
{
    m.ButtonPicture_Over = picture;
    updateOverPictureFlag();
    notify("ButtonPicture_Over");
}

bool QorvXPButton::setButtonPicture_Addin(const PictureRef& picture)
{
    m.ButtonPicture_Addin = picture;
    notify("ButtonPicture_Addin");
    const qint32 type = m.Button_Type;
    if (!picture) {
        switch (type) {
        case ArrowButton: setAddinSize(8, 15, 4, 16); break;
        case DropDownButton: setAddinSize(6, 3, 4, 14); break;
        case ChevronButton: setAddinSize(8, 14, 4, 16); break;
        case WindowsXPButton:
        case FlatButton: setAddinSize(0, 0, 0, 0); break;
        default: break;
        }
        if (type >= WindowsXPButton && type <= ChevronButton)
            notifyAddinSize();
    } else if (type >= WindowsXPButton && type <= DropDownButton) {
        if (!fitsInteger(picture->width()) || !fitsInteger(picture->height()))
            return false;
        m.PictureAddin_Width = static_cast<qint16>(picture->width());
        m.PictureAddin_Height = static_cast<qint16>(picture->height());
        notify("PictureAddin_Width");
        notify("PictureAddin_Height");
        if (m.PictureAddin_Margin == 0) {
            m.PictureAddin_Margin = 4;
            notify("PictureAddin_Margin");
        }
        if (!recomputeAddinTotal())
            return false;
    }
    Refresh();
    return true;
}

// ---- font, pointer ---------------------------------------------------------------

void QorvXPButton::setButtonFont(const QFont& f)
{
    setFont(f);
    ReDraw(true);
    notify("Font");
}

void QorvXPButton::setFontAttribute(const std::function<void(QFont&)>& change)
{
    QFont f = font();
    change(f);
    setFont(f);
    ReDraw(true);
    notify("Font");
}

void QorvXPButton::setFontBold(bool value)
{
    setFontAttribute([&](QFont& f) { f.setBold(value); });
}

void QorvXPButton::setFontItalic(bool value)
{
    setFontAttribute([&](QFont& f) { f.setItalic(value); });
}

void QorvXPButton::setFontUnderline(bool value)
{
    setFontAttribute([&](QFont& f) { f.setUnderline(value); });
}

void QorvXPButton::setFontStrikethru(bool value)
{
    setFontAttribute([&](QFont& f) { f.setStrikeOut(value); });
}

void QorvXPButton::setFontSize(float value)
{
    if (!(value > 0))
        return; // not a size a font can take
    setFontAttribute([&](QFont& f) { f.setPointSizeF(value); });
}

void QorvXPButton::setFontName(const QString& value)
{
    setFontAttribute([&](QFont& f) { f.setFamily(value); });
}

void QorvXPButton::setMouseIcon(const PictureRef& icon)
{
    m_mouseIcon = icon;
    applyCursor();
    notify("MouseIcon");
}

void QorvXPButton::setMousePointer(qint16 value)
{
    setHostPointer(value);
    notify("MousePointer");
}

// ---- colours --------------------------------------------------------------------------

QorvXPButton::Colour QorvXPButton::CaptionBackgroundColor()
{
    m.CaptionBackSmoothColor
        = modBas::SmoothColor(modBas::NormalizeColor(m.CaptionBackgroundColor));
    notify("CaptionBackSmoothColor");
    return m.CaptionBackgroundColor;
}

void QorvXPButton::setCaptionBackgroundColor(Colour value)
{
    m.CaptionBackgroundColor = value;
    notify("CaptionBackgroundColor");
    m.CaptionBackSmoothColor = modBas::SmoothColor(modBas::NormalizeColor(value));
    notify("CaptionBackSmoothColor");
    ReDraw(false);
}

void QorvXPButton::setCaptionBackSmoothColor(Colour)
{
    // Always derived from the background; the assigned value is ignored.
    assign(m.CaptionBackSmoothColor,
        modBas::SmoothColor(modBas::NormalizeColor(m.CaptionBackgroundColor)),
        "CaptionBackSmoothColor", Effect::Partial);
}

QorvXPButton::Colour QorvXPButton::PictureAreaBackColor()
{
    m.PictureAreaBackSmoothColor
        = modBas::SmoothColor(modBas::NormalizeColor(m.PictureAreaBackColor));
    notify("PictureAreaBackSmoothColor");
    return m.PictureAreaBackColor;
}

void QorvXPButton::setPictureAreaBackColor(Colour value)
{
    m.PictureAreaBackColor = value;
    notify("PictureAreaBackColor");
    m.PictureAreaBackSmoothColor = modBas::SmoothColor(modBas::NormalizeColor(value));
    notify("PictureAreaBackSmoothColor");
    ReDraw(false);
}

void QorvXPButton::setPictureAreaBackSmoothColor(Colour)
{
    assign(m.PictureAreaBackSmoothColor,
        modBas::SmoothColor(modBas::NormalizeColor(m.PictureAreaBackColor)),
        "PictureAreaBackSmoothColor", Effect::Partial);
}

// ---- plain properties -------------------------------------------------------------------

void QorvXPButton::setSwitchCaptionSmoothColor(bool v)
{
    assign(m.SwitchCaptionSmoothColor, v, "SwitchCaptionSmoothColor", Effect::Partial);
}
void QorvXPButton::setCaptionBackColor_Over(Colour v)
{
    assign(m.CaptionBackColor_Over, v, "CaptionBackColor_Over", Effect::None);
}
void QorvXPButton::setCaptionBackColor_Click(Colour v)
{
    assign(m.CaptionBackColor_Click, v, "CaptionBackColor_Click", Effect::None);
}
void QorvXPButton::setSwitchCaptionClickColor(bool v)
{
    assign(m.SwitchCaptionClickColor, v, "SwitchCaptionClickColor", Effect::None);
}
void QorvXPButton::setCaptionNormalColor(Colour v)
{
    assign(m.CaptionNormalColor, v, "CaptionNormalColor", Effect::Partial);
}
void QorvXPButton::setSwitchCaptionOverColor(Colour v)
{
    assign(m.SwitchCaptionOverColor, v, "SwitchCaptionOverColor", Effect::None);
}
void QorvXPButton::setCaptionClickColor(Colour v)
{
    assign(m.CaptionClickColor, v, "CaptionClickColor", Effect::None);
}
void QorvXPButton::setCaptionMargin_Left(qint16 v)
{
    assign(m.CaptionMargin_Left, v, "CaptionMargin_Left", Effect::Refresh);
}
void QorvXPButton::setCaptionMargin_Top(qint16 v)
{
    assign(m.CaptionMargin_Top, v, "CaptionMargin_Top", Effect::Refresh);
}
void QorvXPButton::setCaptionMargin_Right(qint16 v)
{
    assign(m.CaptionMargin_Right, v, "CaptionMargin_Right", Effect::Refresh);
}
void QorvXPButton::setCaptionMargin_Bottom(qint16 v)
{
    assign(m.CaptionMargin_Bottom, v, "CaptionMargin_Bottom", Effect::Refresh);
}
void QorvXPButton::setCaption_MultiLines(bool v)
{
    assign(m.Caption_MultiLines, v, "Caption_MultiLines", Effect::Refresh);
}
void QorvXPButton::setSwitchShowCaption(bool v)
{
    assign(m.SwitchShowCaption, v, "SwitchShowCaption", Effect::Refresh);
}
void QorvXPButton::setFrame_Color(Colour v)
{
    assign(m.Frame_Color, v, "Frame_Color", Effect::Partial);
}
void QorvXPButton::setSwitchBorder_Over(bool v)
{
    assign(m.SwitchBorder_Over, v, "SwitchBorder_Over", Effect::None);
}
void QorvXPButton::setSwitch_ShowShadow(bool v)
{
    assign(m.Switch_ShowShadow, v, "Switch_ShowShadow", Effect::None);
}
void QorvXPButton::setShadowColor(Colour v)
{
    assign(m.ShadowColor, v, "ShadowColor", Effect::None);
}
void QorvXPButton::setShadowLength(qint16 v)
{
    assign(m.ShadowLength, v, "ShadowLength", Effect::None);
}
void QorvXPButton::setSwitchFocusRect(bool v)
{
    assign(m.SwitchFocusRect, v, "SwitchFocusRect", Effect::None);
}
void QorvXPButton::setFocusRectDis(qint16 v)
{
    assign(m.FocusRectDis, v, "FocusRectDis", Effect::None);
}
// Applied to the access keys only at the next load.
void QorvXPButton::setHotKey(const QString& v)
{
    assign(m.HotKey, v, "HotKey", Effect::None);
}
void QorvXPButton::setSwitchScalePicture(bool v)
{
    assign(m.SwitchScalePicture, v, "SwitchScalePicture", Effect::Refresh);
}
void QorvXPButton::setPictureFrameMargin_Left(qint16 v)
{
    assign(m.PictureFrameMargin_Left, v, "PictureFrameMargin_Left", Effect::Refresh);
}
void QorvXPButton::setPictureFrameMargin_Top(qint16 v)
{
    assign(m.PictureFrameMargin_Top, v, "PictureFrameMargin_Top", Effect::Refresh);
}
void QorvXPButton::setPictureFrameMargin_Right(qint16 v)
{
    assign(m.PictureFrameMargin_Right, v, "PictureFrameMargin_Right", Effect::Refresh);
}
void QorvXPButton::setPictureFrameMargin_Bottom(qint16 v)
{
    assign(m.PictureFrameMargin_Bottom, v, "PictureFrameMargin_Bottom", Effect::Refresh);
}
void QorvXPButton::setPictureFrameBackColor(Colour v)
{
    assign(m.PictureFrameBackColor, v, "PictureFrameBackColor", Effect::Partial);
}
void QorvXPButton::setPictureFrameBackColor_Over(Colour v)
{
    assign(m.PictureFrameBackColor_Over, v, "PictureFrameBackColor_Over", Effect::None);
}
void QorvXPButton::setSwitchPictureForeColor(bool v)
{
    assign(m.SwitchPictureForeColor, v, "SwitchPictureForeColor", Effect::Partial);
}
void QorvXPButton::setPictureForeColor(Colour v)
{
    assign(m.PictureForeColor, v, "PictureForeColor", Effect::Partial);
}
void QorvXPButton::setSwitchPictureFrameBackSmoothColor(bool v)
{
    assign(m.SwitchPictureFrameBackSmoothColor, v, "SwitchPictureFrameBackSmoothColor",
        Effect::Partial);
}
void QorvXPButton::setPictureAreaBackColor_Click(Colour v)
{
    assign(m.PictureAreaBackColor_Click, v, "PictureAreaBackColor_Click", Effect::None);
}
void QorvXPButton::setSwitchPictureFrameBackColor_Click(bool v)
{
    assign(
        m.SwitchPictureFrameBackColor_Click, v, "SwitchPictureFrameBackColor_Click", Effect::None);
}

// ---- type-restricted properties ----------------------------------------------------------

void QorvXPButton::setWithoutDisEnabledEffect(bool value)
{
    const bool accepted = m.Button_Type >= WindowsXPButton && m.Button_Type <= DropDownButton;
    // A rejected value repaints as well.
    assignIf(
        accepted, m.WithoutDisEnabledEffect, value, "WithoutDisEnabledEffect", Effect::Partial);
    if (!accepted)
        ReDraw(false);
}

void QorvXPButton::setToolBarHandle_Width(qint16 value)
{
    assignIf(m.Button_Type == ToolBarHandle, m.ToolBarHandle_Width, value, "ToolBarHandle_Width",
        Effect::Refresh);
}

void QorvXPButton::setToolBarHandle_LineSpace(qint16 value)
{
    assignIf(m.Button_Type == ToolBarHandle, m.ToolBarHandle_LineSpace, value,
        "ToolBarHandle_LineSpace", Effect::Refresh);
}

void QorvXPButton::setToolBarForeColor(Colour value)
{
    assignIf(m.Button_Type == Separator || m.Button_Type == ToolBarHandle, m.ToolBarForeColor,
        value, "ToolBarForeColor", Effect::Partial);
}

void QorvXPButton::setPictureFrameEffect(qint32 value)
{
    const qint32 type = m.Button_Type;
    if (type == ChevronButton || type == ToolBarHandle) {
        notify("PictureFrameEffect");
    } else if (type >= WindowsXPButton && type <= DropDownButton) {
        assign(m.PictureFrameEffect, value, "PictureFrameEffect", Effect::Partial);
    } else {
        m.PictureFrameEffect = value; // a separator stores it silently
    }
}

void QorvXPButton::setSwitchPictureFrameBackColor(bool value)
{
    const qint32 type = m.Button_Type;
    if (type == ChevronButton || type == ToolBarHandle) {
        notify("SwitchPictureFrameBackColor");
    } else if (type >= WindowsXPButton && type <= DropDownButton) {
        assign(
            m.SwitchPictureFrameBackColor, value, "SwitchPictureFrameBackColor", Effect::Partial);
    } else {
        m.SwitchPictureFrameBackColor = value;
    }
}

void QorvXPButton::setPictureFrame_Width(qint32 value)
{
    assignIf(
        m.SwitchScalePicture, m.PictureFrame_Width, value, "PictureFrame_Width", Effect::Refresh);
}

void QorvXPButton::setPictureFrame_Height(qint32 value)
{
    assignIf(
        m.SwitchScalePicture, m.PictureFrame_Height, value, "PictureFrame_Height", Effect::Refresh);
}

bool QorvXPButton::setPictureAddin_Margin(qint16 value)
{
    const qint32 type = m.Button_Type;
    if (type >= WindowsXPButton && type <= ChevronButton) {
        m.PictureAddin_Margin = value;
        notify("PictureAddin_Margin");
        if (!recomputeAddinTotal())
            return false;
        Refresh();
    } else if (type == ToolBarHandle) {
        notify("PictureAddin_Margin");
    } else {
        m.PictureAddin_Margin = value; // stored without notification or repaint
    }
    return true;
}

bool QorvXPButton::setPictureAddin_Width(qint16 value)
{
    const qint32 type = m.Button_Type;
    if (type >= WindowsXPButton && type <= ChevronButton) {
        m.PictureAddin_Width = value;
        notify("PictureAddin_Width");
        if (!recomputeAddinTotal())
            return false;
        Refresh();
    } else if (type == ToolBarHandle) {
        notify("PictureAddin_Width");
    } else {
        m.PictureAddin_Width = value;
    }
    return true;
}

bool QorvXPButton::setPictureAddin_Height(qint16 value)
{
    const qint32 type = m.Button_Type;
    if (type >= WindowsXPButton && type <= ChevronButton) {
        m.PictureAddin_Height = value;
        notify("PictureAddin_Height");
        Refresh();
    } else if (type == ToolBarHandle) {
        notify("PictureAddin_Height");
    } else {
        m.PictureAddin_Height = value;
    }
    return true;
}

// ---- persistence ---------------------------------------------------------------------------

bool QorvXPButton::ReadProperties(const veltrin::PropertyBag& bag)
{
    static const Props d = readDefaults();
    m_state.overPictureIsNormal = false; // a loaded control starts from the class's zero state

    m.Caption = bag.readString(QStringLiteral("Caption"), objectName());
    // Enabled, Font, MouseIcon and MousePointer belong to the host.
    setEnabled(bag.readBool(QStringLiteral("Enabled"), true));
    QFont f;
    if (const auto text = bag.raw(QStringLiteral("Font")); !text || !f.fromString(*text))
        f = QFont(); // the ambient font
    setFont(f);
    m_mouseIcon = bag.readPicture(QStringLiteral("MouseIcon"));
    m_mousePointer = bag.readInteger(QStringLiteral("MousePointer"), 0);
    applyCursor();

    for (const Persisted& p : persisted()) {
        const QString key = QString::fromLatin1(p.key);
        std::visit(
            [&](auto member) {
                using T = std::decay_t<decltype(m.*member)>;
                if constexpr (std::is_same_v<T, qint32>)
                    m.*member = bag.readLong(key, d.*member);
                else if constexpr (std::is_same_v<T, qint16>)
                    m.*member = bag.readInteger(key, d.*member);
                else if constexpr (std::is_same_v<T, bool>)
                    m.*member = bag.readBool(key, d.*member);
                else if constexpr (std::is_same_v<T, double>)
                    m.*member = bag.readDouble(key, d.*member);
                else if constexpr (std::is_same_v<T, QString>)
                    m.*member = bag.readString(key, d.*member);
                else
                    m.*member = bag.readPicture(key);
            },
            p.field);
    }

    // 1. The add-in width; an overflow fails the load here.
    if (!recomputeAddinTotal()) {
        Refresh();
        return false;
    }
    // 2. A stored normal picture without an over picture shows on hover too.
    if (!m.ButtonPicture_Over && m.ButtonPicture_Normal) {
        m.ButtonPicture_Over = m.ButtonPicture_Normal;
        m_state.overPictureIsNormal = true;
    } else if (m.ButtonPicture_Over) {
        m_state.overPictureIsNormal = false;
    }
    // 3. Hot keys become access keys.
    ApplyHotKeys();
    Refresh();
    return true;
}

void QorvXPButton::WriteProperties(veltrin::PropertyBag& bag) const
{
    static const Props d = readDefaults();
    bag.writeString(QStringLiteral("Caption"), m.Caption, objectName());
    bag.writeBool(QStringLiteral("Enabled"), !testAttribute(Qt::WA_ForceDisabled), true);
    const QFont ambient = parentWidget() ? parentWidget()->font() : QApplication::font();
    bag.writeString(QStringLiteral("Font"), font().toString(), ambient.toString());
    bag.writePicture(QStringLiteral("MouseIcon"), m_mouseIcon);
    bag.writeLong(QStringLiteral("MousePointer"), m_mousePointer, 0);

    for (const Persisted& p : persisted()) {
        const QString key = QString::fromLatin1(p.key);
        std::visit(
            [&](auto member) {
                using T = std::decay_t<decltype(m.*member)>;
                if constexpr (std::is_same_v<T, qint32> || std::is_same_v<T, qint16>)
                    bag.writeLong(key, m.*member, d.*member);
                else if constexpr (std::is_same_v<T, bool>)
                    bag.writeBool(key, m.*member, d.*member);
                else if constexpr (std::is_same_v<T, double>)
                    bag.writeDouble(key, m.*member, d.*member);
                else if constexpr (std::is_same_v<T, QString>)
                    bag.writeString(key, m.*member, d.*member);
                else
                    bag.writePicture(key, m.*member);
            },
            p.field);
    }
}

void QorvXPButton::ApplyHotKeys()
{
    for (const QChar c : m.HotKey) {
        const QChar upper = c.toUpper();
        if (upper == u'&' || m_accessKeys.contains(upper))
            continue;
        m_accessKeys += upper;
        // Alt+key anywhere in the host window, as an access key.
        auto* shortcut = new QShortcut(
            QKeySequence(QKeyCombination(Qt::AltModifier, static_cast<Qt::Key>(upper.unicode()))),
            this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this] {
            if (isEnabled())
                clickRoutine(); // the access-key press
        });
        m_shortcuts.append(shortcut);
    }
}
