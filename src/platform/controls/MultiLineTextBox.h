#pragma once

#include <QPlainTextEdit>

namespace platform {

// A multi-line text box whose text, as the pages read and write it, separates
// lines with CR LF; on screen the lines are simply lines.
class MultiLineTextBox : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit MultiLineTextBox(QWidget *parent = nullptr);

    QString text() const;
    void setText(const QString &text);
};

} // namespace platform
