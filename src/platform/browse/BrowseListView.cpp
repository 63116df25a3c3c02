#include "BrowseListView.h"

#include <QKeyEvent>
#include <QPainter>

namespace platform {

void FocusMarkDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    QStyleOptionViewItem plain(option);
    plain.state &= ~QStyle::State_HasFocus;
    QStyledItemDelegate::paint(painter, plain, index);
    if (!(option.state & QStyle::State_HasFocus))
        return;
    const bool highlighted = option.state & QStyle::State_Selected;
    QPen dotted(option.palette.color(highlighted ? QPalette::HighlightedText : QPalette::Text), 0,
                Qt::DotLine);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(dotted);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    painter->restore();
}

BrowseListView::BrowseListView(QWidget *parent) : QListView(parent)
{
    setUniformItemSizes(true); // keeps a list of 100,000 rows quick to lay out
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new FocusMarkDelegate(this));
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
    const bool arrow = event->key() == Qt::Key_Up || event->key() == Qt::Key_Down;
    if (arrow && event->modifiers() == Qt::NoModifier && currentIndex().isValid() &&
        !selectionModel()->isSelected(currentIndex())) {
        selectionModel()->select(currentIndex(), QItemSelectionModel::ClearAndSelect);
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
