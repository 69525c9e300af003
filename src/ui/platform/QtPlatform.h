#pragma once

// The real platform services of the program: Qt's file dialogs, message boxes and pop-up menus,
// the desktop's default handlers, and a steady millisecond clock.

#include "ui/platform/Platform.h"

#include <QElapsedTimer>
#include <QString>

namespace korvo {

class TQtFileDialogs final : public IFileDialogs {
public:
    std::optional<QString> AskSaveFileName(const FileDialogRequest& request) override;
    QStringList AskOpenFileNames(const FileDialogRequest& request) override;
    std::optional<QString> AskFolder(const FileDialogRequest& request) override;
};

class TQtMessageBoxes final : public IMessageBoxes {
public:
    bool Confirm(const QString& question) override;
    SaveChoice AskSaveChanges(const QString& question) override;
    QString InputText(const QString& title, const QString& prompt, const QString& preset) override;
    void ShowError(const QString& message) override;
};

class TQtPopupMenus final : public IPopupMenus {
public:
    QAction* Execute(QMenu& menu, const QPoint& screenPosition) override;
};

class TQtDesktop final : public IDesktop {
public:
    bool OpenUrl(const QUrl& url) override;
};

class TSteadyClock final : public IClock {
public:
    TSteadyClock() { m_timer.start(); }
    std::uint32_t TickCount() override;
    // Blocks the operation, but lets the window repaint meanwhile (no user input is handled).
    void Pause(std::uint32_t milliseconds) override;

private:
    QElapsedTimer m_timer;
};

// The services together, as the program hands them to its main window.
class TQtPlatform {
public:
    explicit TQtPlatform(QString programFolder)
        : m_programFolder(std::move(programFolder))
    {
    }
    PlatformServices Services() { return { m_fileDialogs, m_boxes, m_menus, m_desktop, m_clock, m_programFolder }; }

private:
    TQtFileDialogs m_fileDialogs;
    TQtMessageBoxes m_boxes;
    TQtPopupMenus m_menus;
    TQtDesktop m_desktop;
    TSteadyClock m_clock;
    QString m_programFolder;
};

// The dialog's name filters in Qt's notation. Each label is followed by its patterns in
// parentheses, which the dialog hides; "*.*" becomes "*", because on Linux file names need not
// have an extension at all.
QStringList QtNameFilters(const std::vector<FileFilter>& filters);

} // namespace korvo
