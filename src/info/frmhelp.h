#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QorvXPButton;

// The help window: the program's name, version and date above a scrolling help
// text. It stays above other windows while open and centres itself on the screen.
class frmHelp : public QWidget {
    Q_OBJECT
public:
    explicit frmHelp(QWidget* parent = nullptr);

    // The help text exactly as stored: every line ends with CR LF and keeps its
    // trailing blanks.
    static QString HelpText();

    void Form_Load();
    void Form_Unload();
    void Command1_Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* Label1 = nullptr;
    QLabel* Label14 = nullptr;
    QLabel* Label16 = nullptr;
    QLabel* Image1 = nullptr;
    QFrame* Frame1 = nullptr;
    QPlainTextEdit* Helptxt = nullptr;
    QorvXPButton* Command1 = nullptr;
    bool m_loaded = false;
};
