#pragma once

#include <functional>

#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;

// The window every page is built on: caption "Quernel 2.0", a banner with the
// page's title, two separator lines and the bottom row Cancel, Back, Next at the
// same places on every page; a fixed 456 x 323 client area, opened centred.
// Esc presses Cancel while it is enabled; Enter has no default button.
class PageWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int ClientWidth = 456;   // 6840 twips
    static constexpr int ClientHeight = 323;  // 4845 twips
    static constexpr int ContentTop = 58;     // first row below the banner
    static constexpr int ContentBottom = 272; // last pixel above the bottom separator

    explicit PageWindow(const QString &bannerTitle);

    // Called once the page has added its controls: Tab runs through the page's
    // rows from top to bottom, then the bottom row; the first field the author
    // can type into gets the focus.
    void finishLayout();

    // What a close request from the window frame does; the request itself is refused.
    void setCloseHandler(std::function<void()> handler) { m_closeHandler = std::move(handler); }

    QLabel *Picture1 = nullptr;
    QLabel *lblBanner = nullptr;
    QFrame *fraTopBorder = nullptr;
    QFrame *fraBottomBorder = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdBack = nullptr;
    QPushButton *cmdNext = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    std::function<void()> m_closeHandler;
    bool m_placed = false;
};
