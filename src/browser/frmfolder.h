#pragma once

#include <QWidget>

class playerfrm;

// The folder browser window (placeholder until the browser lands).
class frmfolder : public QWidget {
    Q_OBJECT
public:
    explicit frmfolder(playerfrm& player, QWidget* parent = nullptr);

private:
    playerfrm& m_player;
};
