#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QWidget>

#include "Form.h"

class QPushButton;

namespace form::qt {

// The top-level widget of a page: caption "Quernel 2.0", a fixed 456 x 323 client
// area, centred when first shown. A close request from the frame is refused and
// handed on.
class PageWidget : public QWidget
{
public:
    PageWidget();

    std::function<void()> closeRequested;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    bool m_placed = false;
};

// A page's window: the page template and the page's controls, each a widget named as
// its layout row, in the layout's tab order. Esc presses cmdCancel while it is
// enabled; no button is a default button.
class QtWindow : public Window
{
public:
    explicit QtWindow(const PageLayout &layout);
    ~QtWindow() override;

    void show() override;
    void hide() override;
    bool isVisible() const override;
    Control *find(std::string_view name, int index = -1) const override;

    PageWidget *widget() const { return m_widget; }
    // The widget of a control of this window (nullptr for a timer).
    static QWidget *widgetOf(const Control &control);

    // Raises no event from now on and hides the window: it is about to go.
    void shutDown();

private:
    void build(const std::vector<ControlRow> &layoutRows);
    void finishLayout(const std::vector<ControlRow> &layoutRows);

    PageWidget *m_widget;
    // The context of every connection that raises an event; deleting it cuts them off.
    std::unique_ptr<QObject> m_events;
    std::vector<std::unique_ptr<Control>> m_controls; // in allControls() order
};

} // namespace form::qt
