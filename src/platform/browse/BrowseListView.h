#pragma once

#include <QListView>
#include <QStyledItemDelegate>

namespace platform {

// Paints a row and, on the current row of a focused list, the classic dotted focus
// mark, in a colour that shows on the highlight as well (the style's own mark may
// not be drawn, or not be seen on a highlighted row).
class FocusMarkDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
};

// The list view under the folder and file lists: read-only, one row highlighted at a
// time that the author cannot take away (a click on empty space or Ctrl+click keeps
// it, as the classic lists did), and one signal for "open this row", raised by a
// double-click or by Enter on the current row. The focused list marks its current row;
// when that row is not highlighted yet (focus came by Tab), the first arrow key
// highlights it rather than skipping past it.
class BrowseListView : public QListView
{
    Q_OBJECT

public:
    explicit BrowseListView(QWidget *parent = nullptr);

signals:
    void openRequested(const QModelIndex &index);
    // The visible area changed size (first layout of the page included).
    void resized();

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event = nullptr) const override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
};

} // namespace platform
