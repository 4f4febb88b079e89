#pragma once

#include "controls/button/modbas.h"
#include "runtime/picture.h"

#include <QFont>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QWidget>
#include <functional>
#include <span>

class QShortcut;
class QTimer;

namespace veltrin {
class PropertyBag;
}

// The owner-drawn push button used for every button of the program: seven
// looks chosen by Button_Type, a caption and up to three pictures, colour
// sets, hover polling, hot keys and the twelve host events.
//
// Properties keep the names they are saved under (Button_Type, setButton_Type).
// Every assignment tells the host through propertyChanged(name). Colours are
// modBas colours (0x00BBGGRR, or 0x80000000 + n for system colour n).
class QorvXPButton : public QWidget {
    Q_OBJECT
public:
    using Colour = modBas::Colour;
    using PictureRef = veltrin::PictureRef;

    enum ButtonType : qint32 {
        WindowsXPButton = 0,
        FlatButton = 1,
        ArrowButton = 2,
        DropDownButton = 3,
        ChevronButton = 4,
        Separator = 5,
        ToolBarHandle = 6,
    };
    enum ColorSet : qint32 { DefaultColorSet = 0, CustomColorSet = 1 };
    enum CaptionPosition : qint32 {
        CaptionLeft = 0,
        CaptionRight = 1,
        CaptionTop = 2,
        CaptionBottom = 3,
        CaptionOverPicture = 4,
        PictureOverCaption = 5,
    };
    enum ContentLayout : qint32 {
        BottomLeft = 0,
        BottomCenter = 1,
        BottomRight = 2,
        MiddleLeft = 3,
        MiddleCenter = 4,
        MiddleRight = 5,
        TopLeft = 6,
        TopCenter = 7,
        TopRight = 8,
    };
    enum FrameEffect : qint32 { NoFrameEffect = 0, SunkenFrame = 1, RaisedFrame = 2 };

    // MousePointer values the button itself sets.
    static constexpr qint16 kDefaultPointer = 0;
    static constexpr qint16 kSizeAllPointer = 15;
    static constexpr qint16 kCustomPointer = 99;

    // Caption text format bits, numbered as the stored format values.
    static constexpr int kWordBreak = 0x10;
    static constexpr int kSingleLine = 0x20;

    // A rectangle by its edges: right and bottom are edges, not last pixels.
    struct Rect {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
        int width() const { return right - left; }
        int height() const { return bottom - top; }
        QRect toQRect() const { return QRect(left, top, right - left, bottom - top); }
        bool operator==(const Rect&) const = default;
    };

    // What LayoutButton computed; painting only reads it.
    struct Layout {
        Rect contentRect;
        Rect addinRect;
        Rect pictureArea;
        Rect captionArea;
        Rect innerBox;
        Rect pictureRect;
        Rect captionBox;
        Rect captionTextRect;
        bool layoutValid = false;
        bool pictureAreaShown = false;
        bool captionShown = false;
        int captionFormat = 0;
        int textHeight = 0;
    };

    // Interaction state beside the properties.
    struct State {
        bool pressed = false;
        bool hovering = false;
        bool focused = false;
        qint16 lastKeyCode = 0;
        bool overPictureIsNormal = false;
        qint16 addinTotalWidth = 0;
    };

    // Shows one of the button's two messages; informationIcon tells which icon.
    using MessageSink = std::function<void(const QString& text, bool informationIcon)>;
    // Plays a sound resource by name (the hover sound).
    using SoundPlayer = std::function<void(const QString& name)>;

    explicit QorvXPButton(QWidget* parent = nullptr);
    ~QorvXPButton() override;

    // ---- host interface ------------------------------------------
    QString Caption() const { return m.Caption; }
    void setCaption(const QString& caption);

    bool Enabled() const { return isEnabled(); }
    void setButtonEnabled(bool enabled);

    // Free text slot of the container (the player keeps its full-screen flag here).
    QString Tag;

    // Re-layout, then repaint everything.
    void Refresh();
    // Repaint; Force false allows the partial repaint of the state changes.
    void ReDraw(bool Force);

    // Design-time properties from the window's form file. Returns false when
    // the load fails: the saved add-in margin and width overflow the 16-bit
    // addinTotalWidth; the steps after it (over picture, hot keys) are skipped.
    bool ReadProperties(const veltrin::PropertyBag& bag);
    void WriteProperties(veltrin::PropertyBag& bag) const;
    // The values of a newly created control; the caption is the display name
    // (objectName). The constructor runs it.
    void InitProperties();

    // ---- properties ----------------------------------------------
    qint32 Button_Type() const { return m.Button_Type; }
    void setButton_Type(qint32 value);
    qint32 ButtonColorSet() const { return m.ButtonColorSet; }
    void setButtonColorSet(qint32 value);
    double ButtonCaptionPercent() const { return m.ButtonCaptionPercent; }
    void setButtonCaptionPercent(double value);
    qint32 ButtonCaptionPosition() const { return m.ButtonCaptionPosition; }
    void setButtonCaptionPosition(qint32 value);
    qint32 ButtonCaptionLayout() const { return m.ButtonCaptionLayout; }
    void setButtonCaptionLayout(qint32 value);
    qint32 ButtonPictureLayout() const { return m.ButtonPictureLayout; }
    void setButtonPictureLayout(qint32 value);
    QString ButtonSound_Over() const { return m.ButtonSound_Over; }
    void setButtonSound_Over(const QString& value);
    QString ButtonSound_Click() const { return m.ButtonSound_Click; }
    void setButtonSound_Click(const QString& value);

    PictureRef ButtonPicture_Normal() const { return m.ButtonPicture_Normal; }
    void setButtonPicture_Normal(const PictureRef& picture);
    PictureRef ButtonPicture_Over() const { return m.ButtonPicture_Over; }
    void setButtonPicture_Over(const PictureRef& picture);
    PictureRef ButtonPicture_Addin() const { return m.ButtonPicture_Addin; }
    // false: the new add-in size overflows addinTotalWidth (no repaint then).
    bool setButtonPicture_Addin(const PictureRef& picture);

    QFont Font() const { return font(); }
    void setButtonFont(const QFont& f);
    bool FontBold() const { return font().bold(); }
    void setFontBold(bool value);
    bool FontItalic() const { return font().italic(); }
    void setFontItalic(bool value);
    bool FontUnderline() const { return font().underline(); }
    void setFontUnderline(bool value);
    bool FontStrikethru() const { return font().strikeOut(); }
    void setFontStrikethru(bool value);
    float FontSize() const { return static_cast<float>(font().pointSizeF()); }
    void setFontSize(float value);
    QString FontName() const { return font().family(); }
    void setFontName(const QString& value);

    // The drawing surface and the window: the face image and the widget.
    const QImage* hdc() const { return &m_face; }
    QWidget* hWnd() { return this; }

    PictureRef MouseIcon() const { return m_mouseIcon; }
    void setMouseIcon(const PictureRef& icon);
    qint16 MousePointer() const { return m_mousePointer; }
    void setMousePointer(qint16 value);

    // Reading the two background colours re-derives (and notifies) their
    // smooth companions.
    Colour CaptionBackgroundColor();
    void setCaptionBackgroundColor(Colour value);
    Colour CaptionBackSmoothColor() const { return m.CaptionBackSmoothColor; }
    void setCaptionBackSmoothColor(Colour ignored);
    bool SwitchCaptionSmoothColor() const { return m.SwitchCaptionSmoothColor; }
    void setSwitchCaptionSmoothColor(bool value);
    Colour CaptionBackColor_Over() const { return m.CaptionBackColor_Over; }
    void setCaptionBackColor_Over(Colour value);
    Colour CaptionBackColor_Click() const { return m.CaptionBackColor_Click; }
    void setCaptionBackColor_Click(Colour value);
    bool SwitchCaptionClickColor() const { return m.SwitchCaptionClickColor; }
    void setSwitchCaptionClickColor(bool value);
    Colour CaptionNormalColor() const { return m.CaptionNormalColor; }
    void setCaptionNormalColor(Colour value);
    Colour SwitchCaptionOverColor() const { return m.SwitchCaptionOverColor; }
    void setSwitchCaptionOverColor(Colour value);
    Colour CaptionClickColor() const { return m.CaptionClickColor; }
    void setCaptionClickColor(Colour value);
    qint16 CaptionMargin_Left() const { return m.CaptionMargin_Left; }
    void setCaptionMargin_Left(qint16 value);
    qint16 CaptionMargin_Top() const { return m.CaptionMargin_Top; }
    void setCaptionMargin_Top(qint16 value);
    qint16 CaptionMargin_Right() const { return m.CaptionMargin_Right; }
    void setCaptionMargin_Right(qint16 value);
    qint16 CaptionMargin_Bottom() const { return m.CaptionMargin_Bottom; }
    void setCaptionMargin_Bottom(qint16 value);
    bool Caption_MultiLines() const { return m.Caption_MultiLines; }
    void setCaption_MultiLines(bool value);
    bool SwitchShowCaption() const { return m.SwitchShowCaption; }
    void setSwitchShowCaption(bool value);

    Colour Frame_Color() const { return m.Frame_Color; }
    void setFrame_Color(Colour value);
    bool SwitchBorder_Over() const { return m.SwitchBorder_Over; }
    void setSwitchBorder_Over(bool value);
    bool Switch_ShowShadow() const { return m.Switch_ShowShadow; }
    void setSwitch_ShowShadow(bool value);
    Colour ShadowColor() const { return m.ShadowColor; }
    void setShadowColor(Colour value);
    qint16 ShadowLength() const { return m.ShadowLength; }
    void setShadowLength(qint16 value);
    bool WithoutDisEnabledEffect() const { return m.WithoutDisEnabledEffect; }
    void setWithoutDisEnabledEffect(bool value);
    bool SwitchFocusRect() const { return m.SwitchFocusRect; }
    void setSwitchFocusRect(bool value);
    qint16 FocusRectDis() const { return m.FocusRectDis; }
    void setFocusRectDis(qint16 value);
    QString HotKey() const { return m.HotKey; }
    void setHotKey(const QString& value);

    // The three add-in setters return false when addinTotalWidth overflows.
    qint16 PictureAddin_Width() const { return m.PictureAddin_Width; }
    bool setPictureAddin_Width(qint16 value);
    qint16 PictureAddin_Height() const { return m.PictureAddin_Height; }
    bool setPictureAddin_Height(qint16 value);
    qint16 PictureAddin_Margin() const { return m.PictureAddin_Margin; }
    bool setPictureAddin_Margin(qint16 value);
    qint16 ToolBarHandle_Width() const { return m.ToolBarHandle_Width; }
    void setToolBarHandle_Width(qint16 value);
    qint16 ToolBarHandle_LineSpace() const { return m.ToolBarHandle_LineSpace; }
    void setToolBarHandle_LineSpace(qint16 value);
    Colour ToolBarForeColor() const { return m.ToolBarForeColor; }
    void setToolBarForeColor(Colour value);

    bool SwitchScalePicture() const { return m.SwitchScalePicture; }
    void setSwitchScalePicture(bool value);
    qint32 PictureFrame_Width() const { return m.PictureFrame_Width; }
    void setPictureFrame_Width(qint32 value);
    qint32 PictureFrame_Height() const { return m.PictureFrame_Height; }
    void setPictureFrame_Height(qint32 value);
    qint16 PictureFrameMargin_Left() const { return m.PictureFrameMargin_Left; }
    void setPictureFrameMargin_Left(qint16 value);
    qint16 PictureFrameMargin_Top() const { return m.PictureFrameMargin_Top; }
    void setPictureFrameMargin_Top(qint16 value);
    qint16 PictureFrameMargin_Right() const { return m.PictureFrameMargin_Right; }
    void setPictureFrameMargin_Right(qint16 value);
    qint16 PictureFrameMargin_Bottom() const { return m.PictureFrameMargin_Bottom; }
    void setPictureFrameMargin_Bottom(qint16 value);
    qint32 PictureFrameEffect() const { return m.PictureFrameEffect; }
    void setPictureFrameEffect(qint32 value);
    bool SwitchPictureFrameBackColor() const { return m.SwitchPictureFrameBackColor; }
    void setSwitchPictureFrameBackColor(bool value);
    Colour PictureFrameBackColor() const { return m.PictureFrameBackColor; }
    void setPictureFrameBackColor(Colour value);
    Colour PictureFrameBackColor_Over() const { return m.PictureFrameBackColor_Over; }
    void setPictureFrameBackColor_Over(Colour value);
    bool SwitchPictureForeColor() const { return m.SwitchPictureForeColor; }
    void setSwitchPictureForeColor(bool value);
    Colour PictureForeColor() const { return m.PictureForeColor; }
    void setPictureForeColor(Colour value);
    Colour PictureAreaBackColor();
    void setPictureAreaBackColor(Colour value);
    Colour PictureAreaBackSmoothColor() const { return m.PictureAreaBackSmoothColor; }
    void setPictureAreaBackSmoothColor(Colour ignored);
    bool SwitchPictureFrameBackSmoothColor() const { return m.SwitchPictureFrameBackSmoothColor; }
    void setSwitchPictureFrameBackSmoothColor(bool value);
    Colour PictureAreaBackColor_Click() const { return m.PictureAreaBackColor_Click; }
    void setPictureAreaBackColor_Click(Colour value);
    bool SwitchPictureFrameBackColor_Click() const { return m.SwitchPictureFrameBackColor_Click; }
    void setSwitchPictureFrameBackColor_Click(bool value);

    // ---- layout --------------------------------------------------
    void LayoutButton();
    const Layout& layout() const { return m_layout; }
    const State& state() const { return m_state; }
    // The Qt text flags of captionFormat (alignment, wrapping, '&' mnemonics).
    static int textFlags(int captionFormat);
    // The font captions are measured and drawn in (the control's font, unsmoothed
    // so that repeated partial repaints draw the same pixels).
    QFont captionFont() const;

    // ---- host services --------------------------------------------------------
    void setMessageSink(MessageSink sink) { m_messageSink = std::move(sink); }
    // Used by every button without a sink of its own (tests set it once).
    static void setDefaultMessageSink(MessageSink sink);
    // Replaces the hover sound player (default: modBas::PlayResourceSound).
    void setSoundPlayer(SoundPlayer player) { m_soundPlayer = std::move(player); }
    // The characters registered as access keys (Alt+key anywhere in the window).
    QString accessKeys() const { return m_accessKeys; }

    // The face as last painted; the widget shows exactly this image.
    const QImage& faceImage() const { return m_face; }
    // Repaints the face (ReDraw(force)) and returns it.
    QImage renderImage(bool force = true);
    // The window shape of a WindowsXPButton of that size.
    static QRegion xpWindowRegion(int width, int height);
    // Row y of the XP gradient on a button `height` pixels tall:
    // ShiftColor(k, n(-(25 / height) * y)), computed in single precision.
    static Colour xpShade(Colour k, int y, int height);

    // ---- interaction ---------------------------------------------
    // One tick of the hover poll (Timer1): ends the hover once the pointer is
    // found outside the button.
    void pollHover();
    bool isHoverPolling() const;

signals:
    // Declared order matters: hosts bind handlers by it.
    void Click();
    void KeyDown(short KeyCode, short Shift);
    void KeyPress(short& KeyAscii);
    void KeyUp(short KeyCode, short Shift);
    void MouseOut();
    void MouseDown(short Button, short Shift, float X, float Y);
    void MouseMove(short Button, short Shift, float X, float Y);
    void MouseUp(short Button, short Shift, float X, float Y);
    void Resize();
    void MouseHold();
    void MouseExit();
    void DropDownClick();
    // The named property was assigned: the saved form must be rewritten.
    void propertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void updateAccessibleName();
    // Stored properties; the initialisers are the values of a new control.
    struct Props {
        qint32 Button_Type = 0;
        qint32 ButtonColorSet = 0;
        double ButtonCaptionPercent = 80;
        qint32 ButtonCaptionPosition = 1;
        qint32 ButtonCaptionLayout = 4;
        qint32 ButtonPictureLayout = 4;
        QString ButtonSound_Over = QStringLiteral("Over");
        QString ButtonSound_Click = QStringLiteral("Click");
        PictureRef ButtonPicture_Normal;
        PictureRef ButtonPicture_Over;
        PictureRef ButtonPicture_Addin;
        QString Caption;
        Colour CaptionBackgroundColor = 0xF0F0F0;
        Colour CaptionBackSmoothColor = 0xF0F0F0;
        bool SwitchCaptionSmoothColor = true;
        Colour CaptionBackColor_Over = 0xD1ADAD;
        Colour CaptionBackColor_Click = 0xC08080;
        bool SwitchCaptionClickColor = true;
        Colour CaptionNormalColor = 0;
        Colour SwitchCaptionOverColor = 0;
        Colour CaptionClickColor = 0;
        qint16 CaptionMargin_Left = 2;
        qint16 CaptionMargin_Top = 2;
        qint16 CaptionMargin_Right = 2;
        qint16 CaptionMargin_Bottom = 2;
        bool Caption_MultiLines = false;
        bool SwitchShowCaption = true;
        Colour Frame_Color = 0x800000;
        bool SwitchBorder_Over = true;
        bool Switch_ShowShadow = true;
        Colour ShadowColor = 0x9C8181;
        qint16 ShadowLength = 2;
        bool WithoutDisEnabledEffect = false;
        bool SwitchFocusRect = false;
        qint16 FocusRectDis = 4;
        QString HotKey;
        qint16 PictureAddin_Width = 0;
        qint16 PictureAddin_Height = 0;
        qint16 PictureAddin_Margin = 0;
        qint16 ToolBarHandle_Width = 3;
        qint16 ToolBarHandle_LineSpace = 2;
        Colour ToolBarForeColor = 0xC0C0C0;
        bool SwitchScalePicture = false;
        qint32 PictureFrame_Width = 26;
        qint32 PictureFrame_Height = 26;
        qint16 PictureFrameMargin_Left = 4;
        qint16 PictureFrameMargin_Top = 4;
        qint16 PictureFrameMargin_Right = 4;
        qint16 PictureFrameMargin_Bottom = 4;
        qint32 PictureFrameEffect = 0;
        bool SwitchPictureFrameBackColor = false;
        Colour PictureFrameBackColor = 0xFFFFFF;
        Colour PictureFrameBackColor_Over = 0xD1ADAD;
        bool SwitchPictureForeColor = false;
        Colour PictureForeColor = 0;
        Colour PictureAreaBackColor = modBas::kButtonFace;
        Colour PictureAreaBackSmoothColor = 0xDBE3EB;
        bool SwitchPictureFrameBackSmoothColor = true;
        Colour PictureAreaBackColor_Click = 0xC08080;
        bool SwitchPictureFrameBackColor_Click = true;
    };
    struct Persisted;
    static std::span<const Persisted> persisted();
    static Props readDefaults();

    enum class Effect { None, Partial, Full, Refresh };
    void notify(const char* name);
    void apply(Effect effect);
    template <typename T> void assign(T& field, const T& value, const char* name, Effect effect)
    {
        field = value;
        notify(name);
        apply(effect);
    }
    // A type-restricted assignment: accepted, it stores and runs the effect;
    // rejected, the old value stays and the host is still notified.
    template <typename T>
    void assignIf(bool accepted, T& field, const T& value, const char* name, Effect effect)
    {
        if (accepted) {
            assign(field, value, name, effect);
            return;
        }
        notify(name);
    }
    void showMessage(const QString& text, bool informationIcon);
    void setFontAttribute(const std::function<void(QFont&)>& change);
    void setHostPointer(qint16 value);
    void applyCursor();
    void resetPointerForType();
    void setAddinSize(qint16 width, qint16 height, qint16 margin, qint16 total);
    void notifyAddinSize();
    // 2 * margin + width in 16 bits; false (and nothing stored) on overflow.
    bool recomputeAddinTotal();
    void updateOverPictureFlag();

    // Layout steps.
    void syncClientSize();
    void SplitAreas();
    void PlacePicture();
    void PlaceCaption();
    Rect pictureFrameInset(const Rect& area) const;

    // Painting, into the face image.
    void PaintFace(QPainter& p, bool force);
    void PaintXPFace(QPainter& p, bool force);
    void PaintFlatFace(QPainter& p);
    void PaintXPBorder(QPainter& p, Colour k);
    void PaintArrowGlyph(QPainter& p, Colour k);
    void PaintChevronGlyph(QPainter& p, Colour k);
    void PaintCaption(QPainter& p);
    void PaintPictures(QPainter& p, bool force);
    void PaintPictureFrame(QPainter& p, int x, int y, const PictureRef& picture);
    void ApplyWindowRegion();
    bool drawsEnabled() const { return isEnabled() || m.WithoutDisEnabledEffect; }

    // Interaction.
    void ApplyHotKeys();
    void clickRoutine();
    void relayoutIfNoNormalPicture();

    QTimer* m_hoverTimer = nullptr; // Timer1: the 10 ms hover poll
    bool m_clickArmed = false; // a left press began on the button
    bool m_maskSet = false;
    QSize m_maskSize;

    Props m;
    State m_state;
    Layout m_layout;
    int m_W = 0; // client size as last recorded
    int m_H = 0;
    qint16 m_mousePointer = 0;
    PictureRef m_mouseIcon;
    QString m_accessKeys;
    QList<QShortcut*> m_shortcuts;
    QImage m_face;
    MessageSink m_messageSink;
    SoundPlayer m_soundPlayer;
};
