#include "info/frmhelp.h"

frmHelp::frmHelp(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Quick Help"));
    setAttribute(Qt::WA_DeleteOnClose);
}
