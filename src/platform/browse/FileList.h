#pragma once

#include <QStringList>
#include <QWidget>

#include "BrowseMessage.h"

namespace platform {

class BrowseListView;
class FileNameModel;

// The file list (File1): the regular files of its folder whose names match its
// pattern list, letter case ignored, sorted without regard to case, hidden ones
// left out. Starts at the process's current folder with the pattern "*.*" (every
// file) and nothing selected.
class FileList : public QWidget
{
    Q_OBJECT

public:
    explicit FileList(QWidget *parent = nullptr);

    // The folder listed; no trailing "/" except for "/" itself.
    QString path() const;
    // Lists folder (again, when it is the current one) with nothing selected and raises
    // pathChange(). A folder that cannot be read is not listed: the author is told why
    // and nothing changes.
    void setPath(const QString &folder);

    QString pattern() const;
    // Sets the ";"-separated name patterns ("*.rtf;*.txt") and lists the folder again,
    // nothing selected.
    void setPattern(const QString &patternList);

    // The selected file's bare name; empty when none is selected.
    QString fileName() const;
    // Selects the file of that exact name, raising click() when the selection changes
    // (as the author's click would); a name not listed, or "", clears the selection.
    void setFileName(const QString &name);

    QStringList files() const;

    void setMessageHandler(MessageHandler handler) { m_messageHandler = std::move(handler); }

signals:
    // The author selected another file (mouse or keyboard), or setFileName() did.
    void click();
    // The author double-clicked a file or pressed Enter on the selected one.
    void dblClick();
    // setPath() listed a folder; whatever was selected before is no longer.
    void pathChange();

private:
    // Lists folder with the current pattern, nothing selected. When folder cannot be
    // read: with reportFailure the author is told and the list kept, else it empties.
    bool relist(const QString &folder, bool reportFailure);

    BrowseListView *m_view;
    FileNameModel *m_model;
    QString m_path;
    QString m_pattern = QStringLiteral("*.*");
    bool m_quiet = false; // selection changes made by code that raise no click()
    MessageHandler m_messageHandler;
};

} // namespace platform
