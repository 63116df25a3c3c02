#include "FileList.h"

#include <QAbstractListModel>
#include <QDir>
#include <QScopedValueRollback>
#include <QVBoxLayout>

#include "BrowseListView.h"
#include "FolderListing.h"

namespace platform {

// A read-only list of names; a whole new list in one reset, which keeps a
// folder of 100,000 files quick to show.
class FileNameModel : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    void setNames(QStringList names)
    {
        beginResetModel();
        m_names = std::move(names);
        endResetModel();
    }

    const QStringList &names() const { return m_names; }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_names.size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_names.size())
            return {};
        return m_names.at(index.row());
    }

private:
    QStringList m_names;
};

FileList::FileList(QWidget *parent)
    : QWidget(parent), m_view(new BrowseListView(this)), m_model(new FileNameModel(this)),
      m_messageHandler(warningThroughPlatform())
{
    m_view->setModel(m_model);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setFocusProxy(m_view);

    // The selection model survives model resets, so one connection serves every listing.
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection &selected) {
                if (!m_quiet && !selected.isEmpty())
                    emit click();
            });
    connect(m_view, &BrowseListView::openRequested, this, &FileList::dblClick);

    // No message while the page is still being built: an unreadable start lists nothing.
    m_path = QDir::cleanPath(QDir::currentPath());
    relist(m_path, false);
}

QString FileList::path() const
{
    return m_path;
}

void FileList::setPath(const QString &folder)
{
    const QString target = QDir::cleanPath(QDir(folder).absolutePath());
    if (!relist(target, true))
        return;
    m_path = target;
    emit pathChange();
}

QString FileList::pattern() const
{
    return m_pattern;
}

void FileList::setPattern(const QString &patternList)
{
    m_pattern = patternList;
    relist(m_path, false);
}

QString FileList::fileName() const
{
    const QModelIndexList selected = m_view->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? QString() : m_model->names().at(selected.first().row());
}

void FileList::setFileName(const QString &name)
{
    const qsizetype row = name.isEmpty() ? -1 : m_model->names().indexOf(name);
    if (row < 0) {
        const QScopedValueRollback quiet(m_quiet, true);
        m_view->selectionModel()->clear();
        return;
    }
    const QModelIndex index = m_model->index(int(row));
    m_view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_view->scrollTo(index);
}

QStringList FileList::files() const
{
    return m_model->names();
}

bool FileList::relist(const QString &folder, bool reportFailure)
{
    QString reason;
    QStringList names = listFiles(folder, m_pattern, &reason);
    if (!reason.isEmpty() && reportFailure) {
        if (m_messageHandler)
            m_messageHandler(browseMessageTitle, cannotOpenText(tr("folder"), folder, reason));
        return false;
    }
    const QScopedValueRollback quiet(m_quiet, true);
    m_model->setNames(std::move(names));
    m_view->selectionModel()->clear();
    m_view->scrollToTop();
    return reason.isEmpty();
}

} // namespace platform
