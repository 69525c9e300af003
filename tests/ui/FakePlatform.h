#pragma once

// Scripted stand-ins for the platform services and the core operations: they answer in place of
// the user (or the core) and record every request, so tests can check the exact prompts.

#include "support/RecordingHost.h"
#include "ui/platform/Platform.h"
#include "ui/window/AlbumOperations.h"

#include <QAction>
#include <QMenu>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvo::testing {

class TScriptedDialogs : public IFileDialogs {
public:
    std::optional<QString> AskSaveFileName(const FileDialogRequest& request) override
    {
        SaveRequests.push_back(request);
        return NextChoice();
    }
    QStringList AskOpenFileNames(const FileDialogRequest& request) override
    {
        OpenRequests.push_back(request);
        const QString answer = Next();
        return answer.isNull() ? QStringList {} : QStringList { answer };
    }
    std::optional<QString> AskFolder(const FileDialogRequest& request) override
    {
        FolderRequests.push_back(request);
        return NextChoice();
    }

    // The answers in order; a null string (or none left) stands for Cancel.
    QStringList Answers;
    std::vector<FileDialogRequest> SaveRequests;
    std::vector<FileDialogRequest> OpenRequests;
    std::vector<FileDialogRequest> FolderRequests;

private:
    QString Next() { return Answers.isEmpty() ? QString() : Answers.takeFirst(); }
    // The next answer, or nothing when the user is to cancel (a null answer).
    std::optional<QString> NextChoice()
    {
        const QString answer = Next();
        if (answer.isNull())
            return std::nullopt;
        return answer;
    }
};

class TScriptedBoxes : public IMessageBoxes {
public:
    bool Confirm(const QString& question) override
    {
        Questions << question;
        return ConfirmAnswer;
    }
    SaveChoice AskSaveChanges(const QString& question) override
    {
        SaveQuestions << question;
        return SaveAnswer;
    }
    QString InputText(const QString& title, const QString& prompt, const QString& preset) override
    {
        Inputs << title + u'|' + prompt + u'|' + preset;
        return InputAnswer.value_or(preset);
    }
    void ShowError(const QString& message) override { Errors << message; }

    bool ConfirmAnswer = false;
    SaveChoice SaveAnswer = SaveChoice::Discard;
    std::optional<QString> InputAnswer; // nothing: the user cancels
    QStringList Questions;
    QStringList SaveQuestions; // the questions with Speichern / Verwerfen / Abbrechen
    QStringList Inputs;
    QStringList Errors;
};

// Records every menu the window opens and chooses entries in place of the user.
class TScriptedMenus : public IPopupMenus {
public:
    struct Shown {
        QString Name; // the menu's objectName
        QStringList Entries; // captions with their ampersands; "-" for a separator
        QStringList Checked; // captions of the checked entries
        QPoint Position;
    };

    QAction* Execute(QMenu& menu, const QPoint& screenPosition) override
    {
        Shown shown { menu.objectName(), {}, {}, screenPosition };
        for (QAction* action : menu.actions()) {
            shown.Entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
            if (action->isChecked())
                shown.Checked << action->text();
        }
        Menus.push_back(shown);
        if (OnShow)
            OnShow(menu);
        if (Choices.isEmpty())
            return nullptr;
        const QString choice = Choices.takeFirst();
        for (QAction* action : menu.actions())
            if (!action->isSeparator() && action->text() == choice)
                return action;
        return nullptr;
    }

    // The captions to choose, in order; none left (or an unknown caption) closes the menu.
    QStringList Choices;
    std::vector<Shown> Menus;
    std::function<void(QMenu&)> OnShow;
};

// A clock that moves on by a fixed step whenever it is read.
class TSteppingClock : public TFakeClock {
public:
    std::uint32_t TickCount() override
    {
        const std::uint32_t now = Now;
        Now += StepPerRead;
        return now;
    }

    std::uint32_t StepPerRead = 0;
};

class TFakeDesktop : public IDesktop {
public:
    bool OpenUrl(const QUrl& url) override
    {
        Opened << url;
        return Succeeds;
    }

    bool Succeeds = true;
    QList<QUrl> Opened;
};

// The whole set, with a folder standing in for the program's own.
struct TFakePlatform {
    TScriptedDialogs Dialogs;
    TScriptedBoxes Boxes;
    TScriptedMenus Menus;
    TFakeDesktop Desktop;
    TSteppingClock Clock;
    QString ProgramFolder;

    PlatformServices Services() { return { Dialogs, Boxes, Menus, Desktop, Clock, ProgramFolder }; }
};

// Records every call; what an operation does to its host is up to the test.
class TFakeOperations : public IAlbumOperations {
public:
    struct Call {
        std::string What;
        std::vector<std::string> Paths; // the files to add, the project path, or the folder searched
    };

    void AddFiles(
        const Configuration&, TImageManager&, const std::vector<std::string>& paths, IOperationHost& host) override
    {
        Calls.push_back({ "AddFiles", paths });
        if (OnAddFiles)
            OnAddFiles(host);
    }
    AlbumRunResult RunAlbum(const Configuration&, TImageManager&, IOperationHost& host) override
    {
        Calls.push_back({ "RunAlbum", {} });
        if (OnRunAlbum)
            OnRunAlbum(host);
        return RunResult;
    }
    int FilesToClear(const Configuration&) override { return ClearCount; }
    bool SaveProject(const std::string& path, const Configuration&, const TImageManager&, IOperationHost&) override
    {
        Calls.push_back({ "SaveProject", { path } });
        return SaveSucceeds;
    }
    LoadProjectResult LoadProject(
        const std::string& path, Configuration& config, TImageManager&, IOperationHost& host) override
    {
        Calls.push_back({ "LoadProject", { path } });
        if (OnLoadProject)
            OnLoadProject(config, host);
        return LoadResult;
    }

    void FindMissing(TImageManager&, const std::string& folder, IOperationHost&) override
    {
        Calls.push_back({ "FindMissing", { folder } });
    }
    void UseCache(bool use) override { CacheUsed = use; }
    std::string ClearCache() override
    {
        ++CacheClears;
        return "+Zwischenspeicher geleert: /cache";
    }

    std::vector<Call> Calls;
    std::optional<bool> CacheUsed; // as the window last set it
    int CacheClears = 0;
    AlbumRunResult RunResult; // what every album run reports
    int ClearCount = 0; // files an earlier run left that clearing would delete
    bool SaveSucceeds = true;
    LoadProjectResult LoadResult { true, 0, 0, false }; // a project was read
    std::function<void(IOperationHost&)> OnAddFiles;
    std::function<void(IOperationHost&)> OnRunAlbum;
    std::function<void(Configuration&, IOperationHost&)> OnLoadProject;
};

} // namespace korvo::testing
