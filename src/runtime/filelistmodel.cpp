#include "runtime/filelistmodel.h"

#include "runtime/discpath.h"
#include "runtime/steps.h"
#include "runtime/wildcard.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace veltrin {

namespace {

DiscFolderLister& discFolderLister()
{
    static DiscFolderLister lister;
    return lister;
}

} // namespace

void setDiscFolderLister(DiscFolderLister lister)
{
    discFolderLister() = std::move(lister);
}

std::optional<DiscFolderContents> listDiscFolderContents(const QString& folder)
{
    const DiscFolderLister& lister = discFolderLister();
    if (lister && splitDiscPath(folder))
        return lister(folder);
    return std::nullopt;
}

FileListModel::FileListModel(QObject* parent)
    : QAbstractListModel(parent)
    , m_folder(QDir::currentPath())
{
    relist();
}

void FileListModel::setPath(const QString& folder)
{
    if (folder.isEmpty())
        throw Failure("not a readable folder");
    const QString clean = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    const std::optional<QStringList> files = folderFiles(clean);
    if (!files)
        throw Failure("not a readable folder");
    m_folder = clean;
    relist(*files);
    emit pathChanged(m_folder);
}

void FileListModel::setPattern(const QString& pattern)
{
    m_pattern = pattern;
    relist();
}

QString FileListModel::entry(int index) const
{
    if (index < 0 || index >= count())
        throw Failure("no such entry");
    return m_entries.at(index);
}

void FileListModel::append(const QString& name)
{
    append(name, QString());
}

void FileListModel::append(const QString& name, const QString& path)
{
    beginInsertRows({}, count(), count());
    m_entries.append(name);
    m_paths.append(path);
    endInsertRows();
}

void FileListModel::select(int index)
{
    if (index < -1 || index >= count())
        throw Failure("no such entry");
    m_selected = index;
    emit selectionChanged(index);
}

QString FileListModel::currentName() const
{
    return m_selected >= 0 ? m_entries.at(m_selected) : QString();
}

QString FileListModel::entryPath(const QString& name) const
{
    if (QDir::isAbsolutePath(name))
        return name;
    if (m_folder.endsWith(u'/'))
        return m_folder + name;
    return m_folder + u'/' + name;
}

QString FileListModel::entryPathAt(int index) const
{
    const QString name = entry(index);
    const QString& own = m_paths.at(index);
    return own.isEmpty() ? entryPath(name) : own;
}

QString FileListModel::currentPath() const
{
    return m_selected >= 0 ? entryPathAt(m_selected) : entryPath(QString());
}

int FileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count() || role != Qt::DisplayRole)
        return {};
    return m_entries.at(index.row());
}

std::optional<QStringList> FileListModel::folderFiles(const QString& folder)
{
    const QFileInfo info(folder);
    if (info.isDir()) {
        if (!info.isReadable() || !info.isExecutable())
            return std::nullopt;
        // Files only (links to files included).
        return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
    }
    // A folder on a disc is none of the file system's (a folder named like an
    // image is listed above, as any other).
    if (std::optional<DiscFolderContents> contents = listDiscFolderContents(folder))
        return std::move(contents->files);
    return std::nullopt;
}

void FileListModel::relist()
{
    // A folder that vanished simply lists nothing.
    relist(folderFiles(m_folder).value_or(QStringList()));
}

void FileListModel::relist(const QStringList& files)
{
    beginResetModel();
    m_entries.clear();
    m_selected = -1;
    // Hidden files left out.
    for (const QString& name : files) {
        if (!name.startsWith(u'.') && matchesPatternList(name, m_pattern))
            m_entries.append(name);
    }
    std::sort(m_entries.begin(), m_entries.end(), [](const QString& a, const QString& b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    m_paths = QStringList(m_entries.size());
    endResetModel();
}

} // namespace veltrin
