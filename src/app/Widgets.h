#pragma once

#include <functional>

#include <QRect>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

// Small factories for the controls the pages place at fixed positions, each with
// the objectName the page design gives it.
namespace widgets {

QLabel *label(QWidget *parent, const char *name, const QString &caption, const QRect &geometry);

// A one-line text box; a locked one cannot be typed into.
QLineEdit *textBox(QWidget *parent, const char *name, const QRect &geometry, bool locked = false);

QPushButton *button(QWidget *parent, const char *name, const QString &caption, const QRect &geometry);

// An option button; no option of any page is selected when the page loads.
QRadioButton *option(QWidget *parent, const char *name, const QString &caption, const QRect &geometry);

// Runs handler when the widget is clicked (mouse released over it), for controls
// that have no click signal of their own, such as a text box.
void onClick(QWidget *widget, std::function<void()> handler);

} // namespace widgets
