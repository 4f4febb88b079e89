#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QStringList>

namespace veltrin {

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
    // Throws Failure when the folder does not exist or cannot be read; the
    // model is then unchanged.
    void setPath(const QString& folder);

    QString pattern() const { return m_pattern; }
    // Lists the folder again with the new pattern (drops appended entries and
    // the selection). A folder that vanished leaves an empty list.
    void setPattern(const QString& pattern);

    int count() const { return static_cast<int>(m_entries.size()); }
    QString entry(int index) const;
    const QStringList& entries() const { return m_entries; }
    void append(const QString& name);

    // -1 when no entry is selected.
    int selectedIndex() const { return m_selected; }
    // Index -1 clears the selection; any other index outside the list throws
    // Failure and leaves the selection unchanged.
    void select(int index);
    // The selected entry's name, "" when none.
    QString currentName() const;
    // Folder, "/" and the name; an absolute name stands for itself.
    QString entryPath(const QString& name) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

signals:
    void selectionChanged(int index);
    void pathChanged(const QString& folder);

private:
    void relist();

    QString m_folder;
    QString m_pattern = QStringLiteral("*.dat;*.vob");
    QStringList m_entries;
    int m_selected = -1;
};

} // namespace veltrin
