// What the window remembers between runs, in a settings file of the test's own: the page and
// geometry, the folders of the file dialogs, and the recent projects with their menu.

#include "WindowFixture.h"

#include "ui/platform/WindowState.h"

#include <QFile>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace korvo;
using namespace korvo::testing;

class WindowStateTest : public QObject {
    Q_OBJECT

private slots:
    void recentProjectsAndDialogFolders()
    {
        QTemporaryDir folder;
        TWindowState state(folder.filePath(QStringLiteral("korvo2.conf")));
        for (int i = 0; i < 12; ++i)
            state.AddRecentProject(QStringLiteral("/p/%1.kv2").arg(i));
        state.AddRecentProject(QStringLiteral("/p/5.kv2"));
        const QStringList recent = state.RecentProjects();
        QCOMPARE(recent.size(), TWindowState::RecentCount);
        QCOMPARE(recent.first(), QStringLiteral("/p/5.kv2"));
        QCOMPARE(recent[1], QStringLiteral("/p/11.kv2"));
        QCOMPARE(recent.count(QStringLiteral("/p/5.kv2")), 1);
        QVERIFY(!recent.contains(QStringLiteral("/p/1.kv2")));

        // A dialog opens where it was last left, unless it is given an existing folder.
        TScriptedDialogs scripted;
        TRememberingFileDialogs dialogs(scripted, state);
        FileDialogRequest request;
        request.Title = QStringLiteral("Bilder auswählen");
        scripted.Answers = { folder.filePath(QStringLiteral("a.jpg")), QString() };
        dialogs.AskOpenFileNames(request);
        dialogs.AskOpenFileNames(request);
        QCOMPARE(scripted.OpenRequests[0].InitialFolder, QString());
        QCOMPARE(scripted.OpenRequests[1].InitialFolder, folder.path());
        request.Title = QStringLiteral("Zielverzeichnis/auswählen");
        request.InitialFolder = QStringLiteral("< bitte ein Verzeichnis auswählen >");
        scripted.Answers = { QStringLiteral("/tmp/") };
        dialogs.AskFolder(request);
        request.InitialFolder = folder.path();
        dialogs.AskFolder(request);
        QCOMPARE(scripted.FolderRequests[1].InitialFolder, folder.path());
        request.InitialFolder.clear();
        dialogs.AskFolder(request);
        QCOMPARE(scripted.FolderRequests[2].InitialFolder, QStringLiteral("/tmp"));
        // The other dialog kept its own.
        QCOMPARE(state.LastFolder(QStringLiteral("Bilder auswählen")), folder.path());
    }

    void theWindowComesBackAsItWasLeft()
    {
        QTemporaryDir folder;
        const QString project = folder.filePath(QStringLiteral("urlaub.kv2"));
        QFile file(project);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        TWindowState state(folder.filePath(QStringLiteral("korvo2.conf")));
        {
            TWindow w;
            w.Form->SetWindowState(&state);
            w.Form->ShowPage(Page::PHelp);
            w.Platform.Dialogs.Answers = { project };
            w.Find<QPushButton>("BLoadProject")->click();
            state.AddRecentProject(folder.filePath(QStringLiteral("weg.kv2")));
            QVERIFY(w.Form->close());
        }
        TWindow w;
        w.Form->SetWindowState(&state);
        QCOMPARE(w.Form->CurrentPage(), Page::PHelp);
        QVERIFY(!state.Geometry().isEmpty());

        // The menu beside "Laden" offers the recent projects that still exist, and loads them.
        w.Platform.Menus.Choices = { QStringLiteral("&1 ") + project };
        w.Find<QPushButton>("BProjectMenu")->click();
        QCOMPARE(w.Platform.Menus.Menus.back().Entries,
            (QStringList {
                QStringLiteral("&1 ") + project, QStringLiteral("-"), QStringLiteral("Speichern &unter …") }));
        QCOMPARE(w.Operations->Calls.back().What, std::string("LoadProject"));
        QCOMPARE(w.Form->ProjectFile(), project);
        w.Platform.Menus.Choices = { QStringLiteral("Speichern &unter …") };
        w.Find<QPushButton>("BProjectMenu")->click();
        QCOMPARE(w.Platform.Dialogs.SaveRequests.size(), std::size_t(1));
    }
};

QTEST_MAIN(WindowStateTest)
#include "WindowStateTest.moc"
