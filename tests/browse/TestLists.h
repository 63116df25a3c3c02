#pragma once

#include <QImage>
#include <QItemSelectionModel>
#include <QListView>
#include <QTest>

#include <gtest/gtest.h>

// Helpers for looking at the folder and file lists as the author sees them.
namespace browsetest {

// Gives the list the keyboard focus as Tab would, in its active window.
inline void focusByTab(QListView *view)
{
    view->window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view->window()));
    view->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(view->hasFocus());
}

// Whether the list shows the dotted focus mark on row: dots in the colour of the
// row's text along the row's top edge.
inline bool showsFocusMark(QListView *view, int row)
{
    const QModelIndex index = view->model()->index(row, 0);
    const QRect rect = view->visualRect(index);
    const QImage image = view->viewport()->grab().toImage();
    const bool highlighted = view->selectionModel()->isSelected(index);
    const QRgb dot = view->palette().color(highlighted ? QPalette::HighlightedText : QPalette::Text).rgb();
    // Dots alternate with the row's background; a plain stretch of the same colour is no mark.
    int changes = 0;
    for (int x = rect.left() + 1; x <= rect.right(); ++x)
        changes += (image.pixel(x, rect.top()) == dot) != (image.pixel(x - 1, rect.top()) == dot) ? 1 : 0;
    return changes >= 16;
}

} // namespace browsetest
