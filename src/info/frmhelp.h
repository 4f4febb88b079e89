#pragma once

#include <QWidget>

// The help window (placeholder until the information windows land).
class frmHelp : public QWidget {
    Q_OBJECT
public:
    explicit frmHelp(QWidget* parent = nullptr);
};
