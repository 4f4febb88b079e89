#pragma once

#include <QWidget>

// The about window (placeholder until the information windows land).
class frmAbout : public QWidget {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);
};
