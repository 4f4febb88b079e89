#include "browser/folderlist.h"

#include "runtime/filelistmodel.h"
#include "runtime/steps.h"

#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QStyledItemDelegate>

namespace veltrin {

namespace {

constexpr int kIndentPixels = 8;
constexpr int kIconPixels = 12;

// The style's open and closed folder icons come in different sizes; both are
// drawn at one size so the names line up.
QIcon folderIcon(const QStyle& style, QStyle::StandardPixmap which)
{
    const QSize size(kIconPixels, kIconPixels);
    QPixmap pixmap = style.standardIcon(which).pixmap(size, 1.0);
    if (pixmap.size() != size)
        pixmap = pixmap.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return QIcon(pixmap);
}

// Indents each row by its depth below the root.
class DepthDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override
    {
        QStyleOptionViewItem indented(option);
        indented.rect.adjust(index.data(FolderList::kDepthRole).toInt() * kIndentPixels, 0, 0, 0);
        QStyledItemDelegate::paint(painter, indented, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.rwidth() += index.data(FolderList::kDepthRole).toInt() * kIndentPixels;
        return s;
    }
};

} // namespace

FolderList::FolderList(QWidget* parent)
    : QListWidget(parent)
{
    setItemDelegate(new DepthDelegate(this));
    setIconSize(QSize(kIconPixels, kIconPixels));
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemClicked, this, [this] { emit folderClicked(); });
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        // A folder removed since it was listed simply does not open.
        skipOnFailure([&] { setPath(item->data(kPathRole).toString()); });
    });
}

void FolderList::setPath(const QString& folder)
{
    const QFileInfo info(folder);
    QString clean;
    QStringList children;
    if (!folder.isEmpty() && info.isDir() && info.isReadable() && info.isExecutable()) {
        clean = QDir::cleanPath(info.absoluteFilePath());
        children = QDir(clean).entryList(
            QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    } else if (std::optional<DiscFolderContents> disc
        = QDir::isAbsolutePath(folder) ? listDiscFolderContents(folder) : std::nullopt) {
        // A folder inside a disc image or on a drive nobody mounted.
        clean = QDir::cleanPath(folder);
        children = std::move(disc->folders);
        children.sort(Qt::CaseInsensitive);
    } else {
        throw Failure("not a readable folder");
    }
    const bool changed = clean != m_path;
    m_path = clean;
    relist(children);
    if (changed)
        emit pathChanged();
}

void FolderList::relist(const QStringList& children)
{
    clear();
    const QIcon open = folderIcon(*style(), QStyle::SP_DirOpenIcon);
    const QIcon closed = folderIcon(*style(), QStyle::SP_DirIcon);
    auto add = [&](const QString& name, const QString& path, int depth, const QIcon& icon) {
        auto* item = new QListWidgetItem(icon, name, this);
        item->setData(kPathRole, path);
        item->setData(kDepthRole, depth);
        item->setToolTip(path);
        return item;
    };

    add(QStringLiteral("/"), QStringLiteral("/"), 0, open);
    const QStringList parts = m_path.split(u'/', Qt::SkipEmptyParts);
    QString walked;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        walked += u'/' + parts[i];
        add(parts[i], walked, static_cast<int>(i + 1), open);
    }
    QListWidgetItem* current = item(count() - 1);
    setCurrentItem(current);

    const int childDepth = static_cast<int>(parts.size()) + 1;
    for (const QString& child : children)
        add(child, m_path == u"/" ? u'/' + child : m_path + u'/' + child, childDepth, closed);
}

} // namespace veltrin
