#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <functional>

class QLabel;
class QTimer;
class QorvXPButton;

// The about window: name, blinking version, credits and three links (two web
// pages and a mail address). It stays above other windows while open.
class frmAbout : public QWidget {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    // Opens an address; the web links default to the link launcher, the mail link
    // to the desktop's URL opener. Results are ignored either way.
    using LinkOpener = std::function<void(const QString& address)>;
    void setLinkOpeners(LinkOpener web, LinkOpener mail);

    void Form_Load();
    void Form_MouseMove();
    void Label5_MouseMove();
    void Label9_MouseMove();
    void Label1_MouseMove();
    void Label5_Click();
    void Label9_Click();
    void Label1_Click();
    void Timer1_Timer();
    void Command1_Click();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* makeLinkLabel(const char* name, const QString& text, int top);

    // Element 0 is the version text and element 1 is empty; Label6 shows them in turn.
    const std::array<QString, 2> lbAppVersion;
    // The blink phase outlives the window, so a reopened window carries on from it.
    inline static int s_blinkCounter = 0;

    QLabel* lbAppTitle = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* lpAppImage = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label1 = nullptr;
    QTimer* Timer1 = nullptr;
    QorvXPButton* Command1 = nullptr;
    LinkOpener m_openWeb;
    LinkOpener m_openMail;
};
