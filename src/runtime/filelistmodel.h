#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace veltrin {

// What a folder on a disc holds: names as on the disc.
struct DiscFolderContents {
    QStringList files;
    QStringList folders;
};
// Lists a folder on a disc (a path into a disc image or drive, as
// splitDiscPath reads it); nullopt when the path is no folder that can be
// read. The engine provides the one that reads discs; without one, disc
// folders fail to list.
using DiscFolderLister = std::function<std::optional<DiscFolderContents>(const QString& folder)>;
// For every list of files or folders; an empty function removes it. GUI
// thread only.
void setDiscFolderLister(DiscFolderLister lister);
// A folder on a disc through the installed lister; nullopt when the path is
// not on a disc, cannot be read, or no lister is installed.
std::optional<DiscFolderContents> listDiscFolderContents(const QString& folder);

// The file list behind the player's play list and the folder browser's file
// list: the files of one folder that match a ";"-separated wildcard pattern,
// sorted by name without regard to case, hidden files left out, followed by
// any appended entries. At most one entry is selected: the current one.
// Both lists use this class, so an index names the same file in each.
class FileListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit FileListModel(QObject* parent = nullptr);

    QString path() const { return m_folder; }
    // Lists the folder again, dropping appended entries and the selection.
    // A folder on a disc ("/x/films.cue/MPEGAV", "/dev/sr0") is listed by the
    // disc folder lister. Throws Failure when the folder does not exist or
    // cannot be read; the model is then unchanged.
    void setPath(const QString& folder);

    QString pattern() const { return m_pattern; }
    // Lists the folder again with the new pattern (drops appended entries and
    // the selection). A folder that vanished leaves an empty list.
    void setPattern(const QString& pattern);

    int count() const { return static_cast<int>(m_entries.size()); }
    QString entry(int index) const;
    const QStringList& entries() const { return m_entries; }
    void append(const QString& name);
    // Appends an entry that plays from its own path (an entry of a play list
    // file lives beside that file, not in this folder).
    void append(const QString& name, const QString& path);

    // -1 when no entry is selected.
    int selectedIndex() const { return m_selected; }
    // Index -1 clears the selection; any other index outside the list throws
    // Failure and leaves the selection unchanged.
    void select(int index);
    // The selected entry's name, "" when none.
    QString currentName() const;
    // Folder, "/" and the name; an absolute name stands for itself.
    QString entryPath(const QString& name) const;
    // The path the entry at `index` plays: its own path when it was appended
    // with one, otherwise entryPath of its name. Throws Failure outside the list.
    QString entryPathAt(int index) const;
    // The selected entry's path; the folder and "/" when none is selected.
    QString currentPath() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

signals:
    void selectionChanged(int index);
    void pathChanged(const QString& folder);

private:
    // The names of a folder's files; nullopt when it cannot be listed.
    static std::optional<QStringList> folderFiles(const QString& folder);
    void relist();
    void relist(const QStringList& files);

    QString m_folder;
    QString m_pattern = QStringLiteral("*.dat;*.vob");
    QStringList m_entries;
    // Per entry, the path it plays from; empty for the folder's own files.
    QStringList m_paths;
    int m_selected = -1;
};

} // namespace veltrin
