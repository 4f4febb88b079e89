#include "player/playerfrm.h"

#include "browser/frmfolder.h"
#include "info/frmabout.h"
#include "info/frmhelp.h"

frmfolder* playerfrm::folderBrowser(bool create)
{
    // A child window of the player: it never outlives the player it drives,
    // and closing it deletes it, so the next opening starts afresh.
    if (!m_folder && create)
        m_folder = new frmfolder(
            control(), m_options.mountTable, [this] { return unmountedDrives(); }, this);
    return m_folder;
}

void playerfrm::showFolderBrowser()
{
    // Not modal: the player stays usable beside it.
    frmfolder* f = folderBrowser(true);
    f->show();
    f->raise();
    f->activateWindow();
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

namespace {

// Shows an information window, or brings up the one already open.
void bringUp(QWidget& window)
{
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace

void playerfrm::showHelp()
{
    // No parent: the help window outlives the player after Exit, and the
    // program ends when it closes. It deletes itself on close.
    if (!m_help)
        m_help = new frmHelp();
    bringUp(*m_help);
}

void playerfrm::showAbout()
{
    // Deletes itself on close; Exit closes it.
    if (!m_about)
        m_about = new frmAbout();
    bringUp(*m_about);
}

void playerfrm::closeSecondaryWindowsOnExit()
{
    // The help window stays open; the program ends when it is closed.
    if (m_about)
        m_about->close();
    if (m_folder)
        m_folder->close();
}
