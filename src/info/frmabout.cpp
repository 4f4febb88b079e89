#include "info/frmabout.h"

frmAbout::frmAbout(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("About This Product  ......"));
    setAttribute(Qt::WA_DeleteOnClose);
}
