#pragma once

#include <QListView>

namespace platform {

// The list view under the folder and file lists: read-only, one row highlighted at a
// time that the author cannot take away (a click on empty space or Ctrl+click keeps
// it, as the classic lists did), and one signal for "open this row", raised by a
// double-click or by Enter on the current row.
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
