#pragma once

// What the window remembers between runs, apart from the album (whose settings live in project
// files only): its size, position and maximised state, the page last shown, the last folder of
// every file dialog and the ten most recent projects. Kept with QSettings in one file, by
// default ~/.config/korvo2/korvo2.conf; tests point it at a file of their own.

#include "ui/platform/Platform.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class QSettings;

namespace korvo {

class TWindowState {
public:
    static constexpr int RecentCount = 10;

    explicit TWindowState(const QString& file);
    ~TWindowState();
    // ~/.config/korvo2/korvo2.conf (the desktop's configuration folder).
    static QString DefaultFile();

    QByteArray Geometry() const;
    void SetGeometry(const QByteArray& geometry);
    // The index of the page last shown, or −1.
    int PageIndex() const;
    void SetPageIndex(int index);
    // The folder a file dialog (named by its title) was last left in; empty when none.
    QString LastFolder(const QString& dialog) const;
    void SetLastFolder(const QString& dialog, const QString& folder);
    // Newest first, each once.
    QStringList RecentProjects() const;
    void AddRecentProject(const QString& path);

private:
    std::unique_ptr<QSettings> m_settings;
};

// File dialogs that open where the same dialog was last left, unless the request names an
// existing folder, and remember where the user went.
class TRememberingFileDialogs final : public IFileDialogs {
public:
    TRememberingFileDialogs(IFileDialogs& dialogs, TWindowState& state)
        : m_dialogs(dialogs)
        , m_state(state)
    {
    }
    std::optional<QString> AskSaveFileName(const FileDialogRequest& request) override;
    QStringList AskOpenFileNames(const FileDialogRequest& request) override;
    std::optional<QString> AskFolder(const FileDialogRequest& request) override;

private:
    FileDialogRequest Prepared(const FileDialogRequest& request) const;

    IFileDialogs& m_dialogs;
    TWindowState& m_state;
};

} // namespace korvo
