#pragma once

#include <QListWidget>
#include <QString>
#include <QStringList>

namespace veltrin {

// The folder list of the folder browser, laid out the classic way: the current
// folder's ancestors from the root down, each one level deeper, the current
// folder open and selected, then its sub-folders. A double-click (or Enter)
// opens a folder; a single click only raises `folderClicked`, the path stays.
class FolderList : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);

    QString path() const { return m_path; }
    // Shows the folder. Throws Failure, leaving everything as it was, when it
    // is not a folder that can be listed. `pathChanged` follows a new path.
    void setPath(const QString& folder);

    // The folder a row stands for.
    static constexpr int kPathRole = Qt::UserRole;
    static constexpr int kDepthRole = Qt::UserRole + 1;

signals:
    void pathChanged();
    void folderClicked();

private:
    void relist(const QStringList& children);

    QString m_path;
};

} // namespace veltrin
