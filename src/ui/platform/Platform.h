#pragma once

// The platform services the windows need: file dialogs, message and input boxes, pop-up menus,
// opening a document or link with the desktop's default handler, and the clock of long
// operations. The
// program plugs in the Qt implementations (QtPlatform.h); the tests plug in scripted fakes that
// answer in place of the user and record every prompt.

#include "model/RunLog.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>
#include <vector>

class QAction;
class QMenu;
class QPoint;

namespace korvo {

// One entry of a file dialog's type list: what the user reads, and the patterns it stands for,
// separated by ";" (for example "*.jpg;*.jpeg").
struct FileFilter {
    QString Label;
    QString Patterns;

    bool operator==(const FileFilter&) const = default;
};

struct FileDialogRequest {
    QString Title;
    std::vector<FileFilter> Filters; // the first one is preselected
    QString DefaultExtension; // without the dot; added when the user types a name without one
    QString InitialFolder; // empty: the platform's choice
    QString FileName; // preset in the name field
    bool ConfirmOverwrite = false; // save dialogs: ask before replacing an existing file
    bool MultipleFiles = false; // open dialogs: several files may be chosen
};

class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // The chosen path, or nothing when the user cancelled. The folder must exist.
    virtual std::optional<QString> AskSaveFileName(const FileDialogRequest& request) = 0;
    // The chosen existing files; empty when the user cancelled.
    virtual QStringList AskOpenFileNames(const FileDialogRequest& request) = 0;
    // An existing folder, or nothing when the user cancelled. Only the request's title and
    // initial folder count.
    virtual std::optional<QString> AskFolder(const FileDialogRequest& request) = 0;
};

// The answers to the question asked before unsaved work would be lost.
enum class SaveChoice {
    Save, // "Speichern": save first, then go on
    Discard, // "Verwerfen": go on without saving
    Cancel, // "Abbrechen": stop (also when the box is closed)
};

class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    // A question with Yes and No; true for Yes.
    virtual bool Confirm(const QString& question) = 0;
    // A question with the buttons "Speichern", "Verwerfen" and "Abbrechen".
    virtual SaveChoice AskSaveChanges(const QString& question) = 0;
    // A one-line text input with OK and Cancel. Cancel gives back the preset.
    virtual QString InputText(const QString& title, const QString& prompt, const QString& preset) = 0;
    // An error message with an OK button.
    virtual void ShowError(const QString& message) = 0;
};

class IPopupMenus {
public:
    virtual ~IPopupMenus() = default;
    // Shows a menu the window has built, with its top-left corner at a screen position, and
    // waits for the user. The chosen entry, or nullptr when the menu was closed without a choice.
    // The window acts on the returned entry; it does not rely on the entry's own signals.
    virtual QAction* Execute(QMenu& menu, const QPoint& screenPosition) = 0;
};

class IDesktop {
public:
    virtual ~IDesktop() = default;
    // Opens a document or a link with the desktop's default handler; false when that failed.
    virtual bool OpenUrl(const QUrl& url) = 0;
};

// Everything a main window needs from its surroundings, handed in at construction.
struct PlatformServices {
    IFileDialogs& FileDialogs;
    IMessageBoxes& Boxes;
    IPopupMenus& Menus;
    IDesktop& Desktop;
    IClock& Clock;
    // The folder of the running program, where the help file lies.
    QString ProgramFolder;
};

} // namespace korvo
