#include "player/playerfrm.h"

#include "browser/frmfolder.h"
#include "info/frmabout.h"
#include "info/frmhelp.h"

frmfolder* playerfrm::folderBrowser(bool create)
{
    if (!m_folder && create)
        m_folder = new frmfolder(*this);
    return m_folder;
}

void playerfrm::showFolderBrowser()
{
    frmfolder* f = folderBrowser(true);
    f->show();
    f->raise();
}

void playerfrm::focusFolderBrowserIfShown()
{
    if (m_folder && m_folder->isVisible()) {
        m_folder->activateWindow();
        m_folder->setFocus();
    }
}

void playerfrm::setFolderBrowserCaption(const QString& caption)
{
    folderBrowser(true)->setWindowTitle(caption);
}

void playerfrm::showHelp()
{
    if (!m_help)
        m_help = new frmHelp();
    m_help->show();
    m_help->raise();
}

void playerfrm::showAbout()
{
    if (!m_about)
        m_about = new frmAbout();
    m_about->show();
    m_about->raise();
}

void playerfrm::closeSecondaryWindowsOnExit()
{
    // The help window stays open; the program ends when it is closed.
    if (m_about)
        m_about->close();
    if (m_folder)
        m_folder->close();
}
