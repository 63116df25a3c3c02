#include "BrowseListView.h"

#include <QKeyEvent>

namespace platform {

BrowseListView::BrowseListView(QWidget *parent) : QListView(parent)
{
    setUniformItemSizes(true); // keeps a list of 100,000 rows quick to lay out
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // doubleClicked, not activated: some styles activate on a single click.
    connect(this, &QListView::doubleClicked, this, &BrowseListView::openRequested);
}

QItemSelectionModel::SelectionFlags BrowseListView::selectionCommand(const QModelIndex &index,
                                                                     const QEvent *event) const
{
    if (!index.isValid())
        return QItemSelectionModel::NoUpdate;
    const QItemSelectionModel::SelectionFlags command = QListView::selectionCommand(index, event);
    if (command & QItemSelectionModel::Deselect)
        return QItemSelectionModel::NoUpdate;
    return command;
}

void BrowseListView::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentIndex().isValid() &&
        selectionModel()->isSelected(currentIndex())) {
        emit openRequested(currentIndex());
        return;
    }
    QListView::keyPressEvent(event);
}

void BrowseListView::resizeEvent(QResizeEvent *event)
{
    QListView::resizeEvent(event);
    emit resized();
}

} // namespace platform
