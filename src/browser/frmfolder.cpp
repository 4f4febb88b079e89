#include "browser/frmfolder.h"

frmfolder::frmfolder(playerfrm& player, QWidget* parent) : QWidget(parent, Qt::Window), m_player(player)
{
    setWindowTitle(QStringLiteral("Folder"));
    setAttribute(Qt::WA_DeleteOnClose);
}
