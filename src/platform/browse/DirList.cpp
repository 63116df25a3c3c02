#include "DirList.h"

#include <QAbstractListModel>
#include <QDir>
#include <QIcon>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "BrowseListView.h"
#include "FolderListing.h"

namespace platform {

namespace {

enum Role
{
    LevelRole = Qt::UserRole + 1
};

// Shifts each row right by its depth, so the chain reads as a path going down.
class IndentDelegate : public FocusMarkDelegate
{
public:
    using FocusMarkDelegate::FocusMarkDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem shifted(option);
        shifted.rect.setLeft(option.rect.left() + indent(option, index));
        FocusMarkDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(indent(option, index), 0);
    }

private:
    static int indent(const QStyleOptionViewItem &option, const QModelIndex &index)
    {
        return index.data(LevelRole).toInt() * option.fontMetrics.height();
    }
};

} // namespace

// The rows of the folder list: the chain down to the current folder, then its sub-folders.
class FolderChainModel : public QAbstractListModel
{
public:
    struct Row
    {
        QString path;
        QString text;
        int level;
        bool open; // part of the chain
    };

    FolderChainModel(const QIcon &openIcon, const QIcon &closedIcon, QObject *parent)
        : QAbstractListModel(parent), m_openIcon(openIcon), m_closedIcon(closedIcon)
    {
    }

    void setRows(QList<Row> rows)
    {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }

    const QList<Row> &rows() const { return m_rows; }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_rows.size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_rows.size())
            return {};
        const Row &row = m_rows.at(index.row());
        switch (role) {
        case Qt::DisplayRole:
            return row.text;
        case Qt::ToolTipRole:
            return row.path;
        case Qt::DecorationRole:
            return row.open ? m_openIcon : m_closedIcon;
        case LevelRole:
            return row.level;
        default:
            return {};
        }
    }

private:
    QIcon m_openIcon;
    QIcon m_closedIcon;
    QList<Row> m_rows;
};

namespace {

QString absoluteClean(const QString &folder)
{
    return QDir::cleanPath(QDir(folder).absolutePath());
}

QString childOf(const QString &folder, const QString &name)
{
    return folder == QLatin1String("/") ? folder + name : folder + QLatin1Char('/') + name;
}

} // namespace

DirList::DirList(QWidget *parent)
    : QWidget(parent), m_view(new BrowseListView(this)),
      m_model(new FolderChainModel(style()->standardIcon(QStyle::SP_DirOpenIcon),
                                   style()->standardIcon(QStyle::SP_DirClosedIcon), this)),
      m_messageHandler(warningThroughPlatform())
{
    m_view->setModel(m_model);
    m_view->setItemDelegate(new IndentDelegate(m_view));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setFocusProxy(m_view);

    connect(m_view, &BrowseListView::resized, this, &DirList::revealCurrent);
    connect(m_view, &BrowseListView::openRequested, this,
            [this](const QModelIndex &index) { openEntry(index.row()); });

    m_volumes = browsableVolumes();
    // Even an unreadable starting folder is shown, as the chain alone; no message
    // while the page is still being built.
    const QString here = absoluteClean(QDir::currentPath());
    showFolder(here, listSubfolders(here));
}

QString DirList::path() const
{
    return m_path;
}

void DirList::setPath(const QString &folder)
{
    const QString target = absoluteClean(folder);
    if (target == m_path)
        return;
    QString reason;
    const QStringList subfolders = listSubfolders(target, &reason);
    if (!reason.isEmpty()) {
        if (m_messageHandler)
            m_messageHandler(browseMessageTitle, cannotOpenText(tr("folder"), target, reason));
        return;
    }
    showFolder(target, subfolders);
    emit change();
}

void DirList::setVolumes(const QList<Volume> &volumes)
{
    m_volumes = volumes;
    showFolder(m_path, listSubfolders(m_path));
}

QStringList DirList::entries() const
{
    QStringList paths;
    for (const FolderChainModel::Row &row : m_model->rows())
        paths.append(row.path);
    return paths;
}

void DirList::openEntry(int row)
{
    if (row >= 0 && row < m_model->rows().size())
        setPath(m_model->rows().at(row).path);
}

void DirList::showFolder(const QString &folder, const QStringList &subfolders)
{
    m_path = folder;
    m_root = volumeOf(folder, m_volumes);
    if (m_root.isEmpty())
        m_root = QStringLiteral("/");

    QList<FolderChainModel::Row> rows;
    rows.append({m_root, m_root, 0, true});
    const QString below = m_path.mid(m_root.size());
    for (const QString &name : below.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        rows.append({childOf(rows.last().path, name), name, int(rows.size()), true});
    const int current = int(rows.size()) - 1;
    for (const QString &name : subfolders)
        rows.append({childOf(m_path, name), name, current + 1, false});
    m_model->setRows(std::move(rows));

    m_view->setCurrentIndex(m_model->index(current));
    revealCurrent();
}

// Shows the whole chain when it fits, with as many sub-folders below it as fit;
// otherwise the current folder with its sub-folders below and as much of the
// chain above as fits.
void DirList::revealCurrent()
{
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid())
        return;
    m_view->scrollToTop();
    if (m_view->visualRect(current).bottom() < m_view->viewport()->height())
        return;
    m_view->scrollToBottom();
    m_view->scrollTo(current);
}

} // namespace platform
