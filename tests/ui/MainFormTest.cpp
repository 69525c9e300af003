// The main window as a whole: its frame and pages at start, the welcome line, the destination
// dialog, drops from the desktop (also while an operation runs), the busy lock of the pages,
// closing during an operation, unsaved work (the title, the question before it is lost), the
// question before clearing, and the two buttons of the help page.

#include "ImageListFixture.h"

#include "model/Version.h"
#include "ui/pages/HelpPage.h"
#include "ui/window/Preview.h"

#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <cstdio>
#include <functional>
#include <tuple>

using namespace korvo;
using namespace korvo::testing;

namespace {

struct DropResult {
    bool EnterAccepted;
    bool DropAccepted;
};

// What a file manager does when the user drops the given paths on the window.
DropResult Drop(QWidget& window, const QList<QUrl>& urls)
{
    QMimeData mime;
    mime.setUrls(urls);
    const QPointF where(window.width() / 2.0, window.height() / 2.0);
    QDragEnterEvent enter(where.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    QDropEvent drop(where, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &drop);
    return { enter.isAccepted(), drop.isAccepted() };
}

QList<QUrl> Urls(const QStringList& paths)
{
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    return urls;
}

void Touch(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

void ClickTab(QTabWidget* pages, int index)
{
    QTabBar* bar = pages->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
}

} // namespace

class MainFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { UseProgramFont(); }

    void windowStartsAsDesigned()
    {
        TWindow w;
        TMainForm& form = *w.Form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Korvo 2"));
        QCOMPARE(form.size(), QSize(515, 499));
        QCOMPARE(form.minimumSize(), TMainForm::SmallestSize);
        QTabWidget* pages = w.Find<QTabWidget>("PageThing");
        QVERIFY(pages != nullptr);
        QCOMPARE(pages->geometry(), QRect(4, 4, 507, 491));
        const char* names[] = { "PCommon", "PImages", "PLog", "PHelp" };
        const char* captions[] = { "Allgemein", "Bilderliste", "Logbuch", "Hinweise" };
        QCOMPARE(pages->count(), 4);
        for (int index = 0; index < 4; ++index) {
            QCOMPARE(pages->widget(index)->objectName(), QString::fromLatin1(names[index]));
            QCOMPARE(pages->tabText(index), QString::fromLatin1(captions[index]));
        }
        QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("PCommon"));

        QWidget* logo = w.Widget("PLogo");
        QCOMPARE(logo->geometry(), QRect(12, 34, 41, 451));
        QCOMPARE(w.Widget("Logo")->size(), QSize(39, 449));
        QVERIFY(w.Widget("Logo")->testAttribute(Qt::WA_OpaquePaintEvent));
        form.resize(700, 650);
        QCOMPARE(logo->geometry(), QRect(12, 34, 41, 602));

        // The welcome line and a blank line open the log.
        const auto& lines = form.RunLog().Lines();
        QCOMPARE(lines.size(), std::size_t(2));
        QCOMPARE(lines[0], std::string("/Willkommen in Korvo2 Version 2.0.1.1"));
        QCOMPARE(lines[0], WelcomeMessage(ProgramVersion));
        QCOMPARE(lines[1], std::string());
        QVERIFY(!form.Busy());
        QVERIFY(!w.Widget("BAbortOp")->isEnabled());
    }

    void welcomeLineWithoutAVersion() { QCOMPARE(WelcomeMessage(""), std::string("/Willkommen in Korvo2")); }

    void numbersUseAPointWhateverTheRegion()
    {
        TWindow w;
        QCOMPARE(QLocale().toString(1234567.25, 'f', 2), QStringLiteral("1234567.25"));
        QCOMPARE(QLocale().toString(1234567), QStringLiteral("1234567"));
        char text[16];
        std::snprintf(text, sizeof text, "%.2f", 0.35);
        QCOMPARE(QByteArray(text), QByteArray("0.35"));
    }

    void previewWindowStartsHidden()
    {
        TPreviewForm preview;
        QVERIFY(preview.isHidden());
        QVERIFY(preview.isWindow());
        QVERIFY(!preview.testAttribute(Qt::WA_QuitOnClose));
        QCOMPARE(preview.objectName(), QStringLiteral("PreviewForm"));
    }

    void destinationDialogTakesTheFolderOnly()
    {
        QTemporaryDir folder;
        TWindow w;
        // The desktop's folder dialog, without a trailing delimiter in the result.
        w.Platform.Dialogs.Answers = { folder.path() + u'/' };
        w.Find<QPushButton>("BDestDir")->click();
        QVERIFY(w.Platform.Dialogs.SaveRequests.empty());
        const FileDialogRequest& request = w.Platform.Dialogs.FolderRequests.front();
        QCOMPARE(request.Title, QStringLiteral("Zielverzeichnis auswählen"));
        QCOMPARE(request.InitialFolder, QStringLiteral("< bitte ein Verzeichnis auswählen >"));
        QCOMPARE(QString::fromStdString(w.Config().DestDir), folder.path());
        QCOMPARE(w.Find<QLineEdit>("EDestDir")->text(), folder.path());

        // The next dialog starts in the chosen folder; Cancel changes nothing.
        w.Platform.Dialogs.Answers = { QStringLiteral("/srv/album"), QString() };
        w.Find<QPushButton>("BDestDir")->click();
        QCOMPARE(w.Platform.Dialogs.FolderRequests.back().InitialFolder, folder.path());
        QCOMPARE(w.Config().DestDir, std::string("/srv/album"));
        w.Find<QPushButton>("BDestDir")->click();
        QCOMPARE(w.Config().DestDir, std::string("/srv/album"));
        QVERIFY(w.Operations->Calls.empty());
    }

    void germanQtTextsAndTheSuggestedProjectName()
    {
        QTranslator translator;
        QVERIFY(InstallQtTranslations(translator));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
        QCoreApplication::removeTranslator(&translator);

        const std::pair<const char*, const char*> names[]
            = { { "Sommer 2024", "Sommer 2024.kv2" }, { " Rom/Neapel: Tag 1 ", "Rom_Neapel_ Tag 1.kv2" },
                  { "..versteckt", "versteckt.kv2" }, { "", "" }, { "a\tb*?", "a_b__.kv2" } };
        for (const auto& [title, file] : names)
            QCOMPARE(ProjectFileNameFor(QString::fromUtf8(title)), QString::fromUtf8(file));
        // Saving for the first time suggests it; once saved, the file's own name.
        TWindow w;
        w.Config().AlbumTitle = "Sommer 2024";
        w.Find<QPushButton>("BSaveProject")->click();
        QCOMPARE(w.Platform.Dialogs.SaveRequests.back().FileName, QStringLiteral("Sommer 2024.kv2"));
    }

    void droppingOneFolderSetsTheDestination()
    {
        QTemporaryDir folder;
        TWindow w;
        const DropResult result = Drop(*w.Form, { QUrl::fromLocalFile(folder.path() + u'/') });
        QVERIFY(result.EnterAccepted);
        QVERIFY(result.DropAccepted);
        QCOMPARE(QString::fromStdString(w.Config().DestDir), folder.path());
        QCOMPARE(w.Find<QLineEdit>("EDestDir")->text(), folder.path());
        QCOMPARE(w.Form->RunLog().Lines().back(), "+Neues Zielverzeichnis: " + folder.path().toStdString());
        QCOMPARE(w.Form->CurrentPage(), Page::PCommon);
        QVERIFY(!w.Form->Busy());
        QCoreApplication::processEvents();
        QVERIFY(w.Operations->Calls.empty());
    }

    void droppingFilesStartsAddingThem()
    {
        QTemporaryDir folder;
        const QString picture = folder.filePath(QStringLiteral("bild.jpg"));
        Touch(picture);
        const QString subfolder = folder.filePath(QStringLiteral("ordner"));
        QVERIFY(QDir().mkdir(subfolder));
        TWindow w;

        QVERIFY(Drop(*w.Form, Urls({ picture })).DropAccepted);
        // Adding starts once the drop has been finished.
        QVERIFY(w.Operations->Calls.empty());
        QTRY_COMPARE(w.Operations->Calls.size(), std::size_t(1));
        QCOMPARE(w.Operations->Calls[0].What, std::string("AddFiles"));
        QCOMPARE(w.Operations->Calls[0].Paths, std::vector<std::string> { picture.toStdString() });

        // A folder together with a file stands for the pictures directly in it (sorted by name,
        // other files and deeper folders left out), in the order of the drop.
        for (const char* name : { "z.JPG", "a.bmp", "notiz.txt", "tief/b.jpg" }) {
            QVERIFY(QDir(subfolder).mkpath(QStringLiteral("tief")));
            Touch(subfolder + u'/' + QLatin1String(name));
        }
        QVERIFY(Drop(*w.Form, Urls({ subfolder, picture })).DropAccepted);
        QTRY_COMPARE(w.Operations->Calls.size(), std::size_t(2));
        const std::vector<std::string> all { (subfolder + QStringLiteral("/a.bmp")).toStdString(),
            (subfolder + QStringLiteral("/z.JPG")).toStdString(), picture.toStdString() };
        QCOMPARE(w.Operations->Calls[1].Paths, all);
        QCOMPARE(w.Config().DestDir, std::string(DefaultDestDir));

        // Links that are not local files are no drop for us.
        const DropResult web = Drop(*w.Form, { QUrl(QStringLiteral("https://example.org/bild.jpg")) });
        QVERIFY(!web.EnterAccepted);
        QVERIFY(!web.DropAccepted);
    }

    void dropsAreRefusedWhileAnOperationRuns()
    {
        QTemporaryDir folder;
        const QString picture = folder.filePath(QStringLiteral("bild.jpg"));
        Touch(picture);
        TWindow w;
        std::vector<DropResult> results;
        w.Operations->OnRunAlbum = [&](IOperationHost& host) {
            host.BeginBusy();
            results.push_back(Drop(*w.Form, Urls({ folder.path() })));
            results.push_back(Drop(*w.Form, Urls({ picture })));
            host.ProcessEvents();
            host.EndBusy(Page::PLog);
        };
        w.Find<QPushButton>("BGo")->click();
        QCoreApplication::processEvents();
        QCOMPARE(results.size(), std::size_t(2));
        for (const DropResult& result : results) {
            QVERIFY(!result.EnterAccepted);
            QVERIFY(!result.DropAccepted);
        }
        QCOMPARE(w.Config().DestDir, std::string(DefaultDestDir));
        QCOMPARE(w.Operations->Calls.size(), std::size_t(1));

        // A drop waiting for its turn holds back the next one as well.
        QVERIFY(Drop(*w.Form, Urls({ picture })).DropAccepted);
        QVERIFY(!Drop(*w.Form, Urls({ folder.path() })).DropAccepted);
        QTRY_COMPARE(w.Operations->Calls.size(), std::size_t(2));
        QVERIFY(Drop(*w.Form, Urls({ folder.path() })).DropAccepted);
    }

    void pagesAreLockedWhileBusy()
    {
        TWindow w;
        QTabWidget* pages = w.Find<QTabWidget>("PageThing");
        bool checked = false;
        w.Operations->OnRunAlbum = [&](IOperationHost& host) {
            host.BeginBusy();
            QCOMPARE(w.Form->CurrentPage(), Page::PLog);
            QVERIFY(w.Widget("BAbortOp")->isEnabled());
            QVERIFY(w.Widget("POperationProgress")->isVisible());
            for (int index : { 0, 1, 3 }) {
                ClickTab(pages, index);
                QCOMPARE(w.Form->CurrentPage(), Page::PLog);
                QVERIFY(!pages->isTabEnabled(index));
            }
            pages->setCurrentIndex(0);
            QCOMPARE(w.Form->CurrentPage(), Page::PLog);
            w.Form->ShowPage(Page::PHelp);
            QCOMPARE(w.Form->CurrentPage(), Page::PLog);

            // The controls of the log page stay usable.
            QVERIFY(!host.AbortRequested());
            w.Find<QPushButton>("BAbortOp")->click();
            QVERIFY(host.AbortRequested());
            w.Find<QCheckBox>("CVerbose")->click();
            QVERIFY(w.Config().Verbose);
            host.EndBusy(Page::PImages);
            checked = true;
        };
        w.Find<QPushButton>("BGo")->click();
        QVERIFY(checked);
        QCOMPARE(w.Form->CurrentPage(), Page::PImages);
        QVERIFY(!w.Widget("BAbortOp")->isEnabled());
        QVERIFY(!w.Widget("POperationProgress")->isVisible());
        // The flag stays set after an aborted operation until the next one begins.
        QVERIFY(w.Form->AbortRequested());
        for (int index = 0; index < 4; ++index)
            QVERIFY(pages->isTabEnabled(index));
        ClickTab(pages, 3);
        QCOMPARE(w.Form->CurrentPage(), Page::PHelp);

        // Ending on the log page leaves it in view; the next operation clears the abort flag.
        w.Operations->OnRunAlbum = [](IOperationHost& host) {
            host.BeginBusy();
            QVERIFY(!host.AbortRequested());
            host.EndBusy(Page::PLog);
        };
        w.Find<QPushButton>("BGo")->click();
        QCOMPARE(w.Form->CurrentPage(), Page::PLog);
        ClickTab(pages, 0);
        QCOMPARE(w.Form->CurrentPage(), Page::PCommon);
    }

    void theSecondClickOfADoubleClickOnBGoDoesNotAbort()
    {
        TWindow w;
        const auto interval = static_cast<std::uint32_t>(QApplication::doubleClickInterval());
        w.Platform.Clock.Now = 0xFFFFFF00u; // the tick counter wraps around during the run
        struct Step {
            std::uint32_t After; // milliseconds since the run began
            bool Mouse; // a click with the mouse, else from the keyboard
            bool Aborts;
        };
        const Step steps[]
            = { { 0, true, false }, { interval - 1, true, false }, { 0, false, true }, { interval, true, true } };
        for (const Step& step : steps) {
            w.Operations->OnRunAlbum = [&](IOperationHost& host) {
                host.BeginBusy();
                w.Platform.Clock.Now += step.After;
                QPushButton* abort = w.Find<QPushButton>("BAbortOp");
                if (step.Mouse)
                    QTest::mouseClick(abort, Qt::LeftButton);
                else
                    abort->click();
                QCOMPARE(host.AbortRequested(), step.Aborts);
                host.EndBusy(Page::PLog);
            };
            w.Find<QPushButton>("BGo")->click();
        }
    }

    void closingDuringAnOperationAbortsItFirst()
    {
        TWindow w;
        QSignalSpy closed(w.Form.get(), &TMainForm::Closed);
        w.Operations->OnRunAlbum = [&](IOperationHost& host) {
            host.BeginBusy();
            QVERIFY(!w.Form->close());
            QVERIFY(host.AbortRequested());
            QVERIFY(w.Form->isVisible());
            w.Config().AlbumTitle += "!";
            host.EndBusy(Page::PLog);
        };
        // Unsaved work is asked about once the operation has ended; "Abbrechen" keeps the window,
        // also through the next operation.
        w.Platform.Boxes.SaveAnswer = SaveChoice::Cancel;
        w.Find<QPushButton>("BGo")->click();
        QTest::qWait(1);
        w.Operations->OnRunAlbum = nullptr;
        w.Find<QPushButton>("BGo")->click();
        QTest::qWait(1);
        QCOMPARE(w.Platform.Boxes.SaveQuestions.size(), 1);
        QVERIFY(w.Form->isVisible());
        w.Platform.Boxes.SaveAnswer = SaveChoice::Discard;
        w.Form->close();
        QTRY_COMPARE(closed.count(), 1);
        QVERIFY(!w.Form->isVisible());
    }

    void titleTellsTheProjectAndUnsavedWork()
    {
        QTemporaryDir folder;
        const QString herbst = QStringLiteral("/projekte/herbst.kv2");
        TWindow w;
        auto title = [&](const std::function<void()>& step) {
            step();
            QCoreApplication::processEvents();
            return w.Form->windowTitle();
        };
        // A button with the file dialog's answer; the save or load succeeds or not.
        auto press = [&](const char* button, const QString& file, bool succeeds) {
            w.Operations->SaveSucceeds = w.Operations->LoadResult.Read = succeeds;
            w.Platform.Dialogs.Answers = { file };
            w.Find<QPushButton>(button)->click();
        };
        QCOMPARE(title([] {}), QStringLiteral("Korvo 2"));
        QCOMPARE(title([&] { w.TypeText("ETitle", QStringLiteral("S")); }), QStringLiteral("Korvo 2 *"));
        QCOMPARE(
            title([&] { QTest::keyClick(w.Find<QLineEdit>("ETitle"), Qt::Key_Backspace); }), QStringLiteral("Korvo 2"));
        QCOMPARE(title([&] { w.Find<QCheckBox>("CVerbose")->click(); }), QStringLiteral("Korvo 2 *"));
        QCOMPARE(title([&] { press("BSaveProject", QStringLiteral("/projekte/sommer.kv2"), true); }),
            QStringLiteral("Korvo 2 – sommer.kv2"));
        QCOMPARE(title([&] { Drop(*w.Form, Urls({ folder.path() })); }), QStringLiteral("Korvo 2 – sommer.kv2 *"));
        QCOMPARE(title([&] { press("BSaveProject", QStringLiteral("/projekte/winter.kv2"), false); }),
            QStringLiteral("Korvo 2 – sommer.kv2 *"));
        QCOMPARE(title([&] { press("BLoadProject", herbst, false); }), QStringLiteral("Korvo 2 – sommer.kv2 *"));
        QCOMPARE(title([&] { press("BLoadProject", herbst, true); }), QStringLiteral("Korvo 2 – herbst.kv2"));
        QCOMPARE(title([&] { AddPicture(w.Form->Images(), "a.jpg"), w.Form->ImagesPage()->CCategoryChange(); }),
            QStringLiteral("Korvo 2 – herbst.kv2 *"));
        // The question's "Speichern" writes the project file itself, without a dialog.
        const std::size_t dialogs = w.Platform.Dialogs.SaveRequests.size();
        w.Platform.Boxes.SaveAnswer = SaveChoice::Save;
        QVERIFY(w.Form->close());
        QCOMPARE(w.Platform.Dialogs.SaveRequests.size(), dialogs);
        QCOMPARE(w.Operations->Calls.back().Paths, std::vector<std::string> { herbst.toStdString() });
    }

    void shortcutsOfTheWindow()
    {
        TWindow w;
        w.Form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.Form.get()));
        auto press = [&](QKeyCombination keys) {
            w.Widget("PageThing")->setFocus();
            QTest::keyClick(w.Widget("PageThing"), keys.key(), keys.keyboardModifiers());
        };
        auto calls = [&] {
            QStringList names;
            for (const TFakeOperations::Call& call : w.Operations->Calls)
                names << QString::fromStdString(call.What + (call.Paths.empty() ? "" : " " + call.Paths[0]));
            return names;
        };
        // "Speichern" asks for a file only as long as the window has none.
        w.Platform.Dialogs.Answers = { QStringLiteral("/p/erst.kv2") };
        press(Qt::CTRL | Qt::Key_S);
        press(Qt::CTRL | Qt::Key_S);
        w.Platform.Dialogs.Answers = { QStringLiteral("/p/zweit.kv2") };
        press(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
        QCOMPARE(w.Platform.Dialogs.SaveRequests.size(), std::size_t(2));
        QCOMPARE(w.Platform.Dialogs.SaveRequests[1].Title, QStringLiteral("Projekt speichern unter"));
        w.Platform.Dialogs.Answers = { QStringLiteral("/p/dritt.kv2") };
        press(Qt::CTRL | Qt::Key_O);
        press(Qt::CTRL | Qt::Key_Return);
        QCOMPARE(calls(),
            (QStringList { QStringLiteral("SaveProject /p/erst.kv2"), QStringLiteral("SaveProject /p/erst.kv2"),
                QStringLiteral("SaveProject /p/zweit.kv2"), QStringLiteral("LoadProject /p/dritt.kv2"),
                QStringLiteral("RunAlbum") }));
        // F1: the full help (here there is none, so the error box).
        press(QKeyCombination(Qt::Key_F1));
        QCOMPARE(w.Platform.Boxes.Errors.size(), qsizetype(1));
        QSignalSpy closed(w.Form.get(), &TMainForm::Closed);
        press(Qt::CTRL | Qt::Key_Q);
        QCOMPARE(closed.count(), 1);
    }

    void unsavedWorkIsAskedAboutBeforeItIsLost()
    {
        // Changed; the answer; the save dialog's answer (none: cancelled); the save succeeds; goes on.
        using Case = std::tuple<bool, SaveChoice, const char*, bool, bool>;
        const Case cases[] = { { false, SaveChoice::Cancel, nullptr, true, true },
            { true, SaveChoice::Discard, nullptr, true, true }, { true, SaveChoice::Cancel, nullptr, true, false },
            { true, SaveChoice::Save, "/p/neu.kv2", true, true }, { true, SaveChoice::Save, nullptr, true, false },
            { true, SaveChoice::Save, "/p/neu.kv2", false, false } };
        for (int action = 0; action < 3; ++action) { // closing, "Laden", "Zurücksetzen"
            for (const auto& [changed, answer, file, saves, goesOn] : cases) {
                TListWindow w;
                if (changed)
                    AddPicture(w.Images(), "a.jpg"), w.ShowList();
                w.Platform.Boxes.SaveAnswer = answer;
                w.Platform.Boxes.ConfirmAnswer = true;
                w.Operations->SaveSucceeds = saves;
                w.Platform.Dialogs.Answers = { file ? QString::fromLatin1(file) : QString() };
                w.Platform.Menus.Choices = { QStringLiteral("&Zurücksetzen") };
                bool wentOn = action == 0 && w.Form->close();
                if (action == 1) {
                    w.Find<QPushButton>("BLoadProject")->click();
                    wentOn = !w.Platform.Dialogs.OpenRequests.empty();
                } else if (action == 2) {
                    w.Find<QPushButton>("BImageMenu")->click();
                    wentOn = w.Images().ImageCount() == 0;
                }
                QVERIFY2(wentOn == goesOn, qPrintable(QStringLiteral("action %1").arg(action)));
                QCOMPARE(w.Platform.Boxes.SaveQuestions.size(), changed ? 1 : 0);
                QCOMPARE(w.Operations->Calls.size(), std::size_t(answer == SaveChoice::Save && file ? 1 : 0));
            }
        }
    }

    void clearingTheDestinationIsConfirmedFirst()
    {
        TWindow w;
        w.Config().DestDir = "/srv/album";
        const QString question = QStringLiteral("Vor der Ausgabe werden aus dem Zielverzeichnis\n/srv/album\n%1 eines "
                                                "früheren Laufs gelöscht. Andere Dateien bleiben erhalten.\n\n"
                                                "Album erzeugen?");
        // Clearing on; the files of an earlier run; the answer; the number as the question says it.
        using Case = std::tuple<bool, int, bool, const char*>;
        for (const auto& [clearing, files, yes, asked] :
            { Case { false, 5, false, nullptr }, Case { true, 0, false, nullptr }, Case { true, 1, false, "1 Datei" },
                Case { true, 12, true, "12 Dateien" } }) {
            w.Config().Output.rm = clearing;
            w.Operations->ClearCount = files;
            w.Platform.Boxes.ConfirmAnswer = yes;
            w.Platform.Boxes.Questions.clear();
            w.Operations->Calls.clear();
            w.Find<QPushButton>("BGo")->click();
            QCOMPARE(w.Platform.Boxes.Questions,
                asked ? QStringList { question.arg(QString::fromUtf8(asked)) } : QStringList {});
            QCOMPARE(w.Operations->Calls.size(), std::size_t(!asked || yes ? 1 : 0));
        }
    }

    void theProgramsOwnOperationsLeaveTheWindowUsable()
    {
        TFakePlatform platform;
        TMainForm form(platform.Services(), MakeCoreOperations());
        form.show();
        form.findChild<QPushButton*>(QStringLiteral("BGo"))->click();
        QVERIFY(!form.Busy());
        QCOMPARE(form.CurrentPage(), Page::PLog);
        QVERIFY(form.PageThing()->isTabEnabled(0));
        QVERIFY(form.RunLog().Lines().size() > 2);
    }

    void cacheSwitchIsTheWindowsOwnAndClearingIsLogged()
    {
        // The switch lives in the test's own config folder and survives the window.
        QSettings(QStringLiteral("korvo2"), QStringLiteral("korvo2")).remove(QStringLiteral("cache/use"));
        for (bool use : { false, true }) {
            TWindow w;
            QCOMPARE(w.Operations->CacheUsed, std::optional<bool>(!use));
            w.Platform.Menus.Choices = { QStringLiteral("Zwischenspeicher &verwenden") };
            w.Find<QPushButton>("BImageMenu")->click();
            QCOMPARE(w.Operations->CacheUsed, std::optional<bool>(use));
            QCOMPARE(w.Platform.Menus.Menus.back().Checked,
                QStringList { QStringLiteral("Zwischenspeicher &verwenden") }.mid(use ? 1 : 0));
        }
        TWindow w;
        QCOMPARE(w.Operations->CacheUsed, std::optional<bool>(true));
        w.Platform.Menus.Choices = { QStringLiteral("Zwischenspeicher &leeren") };
        w.Find<QPushButton>("BImageMenu")->click();
        QCOMPARE(w.Operations->CacheClears, 1);
        QCOMPARE(w.Form->RunLog().Lines().back(), std::string("+Zwischenspeicher geleert: /cache"));
        QVERIFY(w.Operations->Calls.empty());
    }

    void helpButtonOpensTheHelpFileOrSaysSorry()
    {
        const QString sorry = QStringLiteral("Sorry, die Hilfe konnte leider nicht aufgerufen werden.");
        QTemporaryDir prefix;
        const QString bin = prefix.filePath(QStringLiteral("bin"));
        QVERIFY(QDir().mkpath(bin));
        TWindow w(bin);
        auto* help = w.Find<QPushButton>("BHelp");
        QCOMPARE(help->text(), QStringLiteral("vollständige Hilfe"));

        // No help file anywhere: the error box, and nothing is opened.
        help->click();
        QCOMPARE(w.Platform.Boxes.Errors, QStringList { sorry });
        QVERIFY(w.Platform.Desktop.Opened.isEmpty());

        // Beside the program: opened with the desktop's handler.
        Touch(bin + QStringLiteral("/Korvo2.htm"));
        help->click();
        QCOMPARE(w.Platform.Desktop.Opened.size(), 1);
        QCOMPARE(w.Platform.Desktop.Opened[0], QUrl::fromLocalFile(bin + QStringLiteral("/Korvo2.htm")));
        QCOMPARE(w.Platform.Boxes.Errors.size(), 1);

        // The handler fails: the error box.
        w.Platform.Desktop.Succeeds = false;
        help->click();
        QCOMPARE(w.Platform.Boxes.Errors, (QStringList { sorry, sorry }));

        // An installed program finds it in the shared data folder.
        w.Platform.Desktop.Succeeds = true;
        QVERIFY(QFile::remove(bin + QStringLiteral("/Korvo2.htm")));
        QVERIFY(QDir().mkpath(prefix.filePath(QStringLiteral("share/korvo2"))));
        Touch(prefix.filePath(QStringLiteral("share/korvo2/Korvo2.htm")));
        help->click();
        QCOMPARE(w.Platform.Desktop.Opened.last(),
            QUrl::fromLocalFile(prefix.filePath(QStringLiteral("share/korvo2/Korvo2.htm"))));
        QCOMPARE(w.Platform.Boxes.Errors.size(), 2);
    }

    void mailButtonWritesToTheProject()
    {
        TWindow w;
        auto* mail = w.Find<QPushButton>("LMailMe");
        QCOMPARE(mail->text(), QStringLiteral("<korvo2@example.org>"));
        QCOMPARE(mail->cursor().shape(), Qt::PointingHandCursor);
        w.Platform.Desktop.Succeeds = false;
        mail->click();
        QCOMPARE(w.Platform.Desktop.Opened.size(), 1);
        QCOMPARE(w.Platform.Desktop.Opened[0].toString(), QStringLiteral("mailto:korvo2@example.org?subject=Korvo2"));
        QVERIFY(w.Platform.Boxes.Errors.isEmpty());
    }

    void albumButtonOpensTheIndexOfTheLastRunThatWroteOne()
    {
        QTemporaryDir folder;
        TWindow w;
        auto* show = w.Find<QPushButton>("BShowAlbum");
        QCOMPARE(show->text(), QStringLiteral("Album ansehen"));
        w.Find<QPushButton>("BGo")->click();
        QVERIFY(show->isHidden()); // no index page written

        // The index page as the run wrote it, also when the settings change afterwards.
        const QString index = folder.filePath(QStringLiteral("index.htm"));
        w.Operations->RunResult.IndexWritten = true;
        w.Operations->RunResult.IndexPath = index.toStdString();
        w.Operations->OnRunAlbum = [&](IOperationHost& host) {
            host.BeginBusy();
            Touch(index);
            host.EndBusy(Page::PLog);
        };
        w.Find<QPushButton>("BGo")->click();
        QVERIFY(show->isVisible());
        QVERIFY(show->isEnabled());
        w.Config().DestDir = "/anderswo";
        w.Config().FileNames.HTMLDocs.Index = "start";
        show->click();
        QCOMPARE(w.Platform.Desktop.Opened, QList<QUrl> { QUrl::fromLocalFile(index) });

        // Disabled while a run works; a later run without an index keeps the last one.
        w.Operations->RunResult = {};
        w.Operations->OnRunAlbum = [&](IOperationHost& host) {
            host.BeginBusy();
            QVERIFY(!show->isEnabled());
            host.EndBusy(Page::PLog);
        };
        w.Find<QPushButton>("BGo")->click();
        QVERIFY(show->isEnabled());
        show->click();
        QCOMPARE(w.Platform.Desktop.Opened.size(), 2);
        QCOMPARE(w.Platform.Desktop.Opened.last(), QUrl::fromLocalFile(index));

        // A page that is gone, or a desktop without a browser: a red line in the log.
        const std::string failed = "-Das Album konnte nicht angezeigt werden: " + index.toStdString();
        w.Platform.Desktop.Succeeds = false;
        show->click();
        QCOMPARE(w.Form->RunLog().Lines().back(), failed);
        w.Platform.Desktop.Succeeds = true;
        QVERIFY(QFile::remove(index));
        show->click();
        QCOMPARE(w.Platform.Desktop.Opened.size(), 3);
        QCOMPARE(w.Form->RunLog().Lines().back(), failed);
        QVERIFY(w.Platform.Boxes.Errors.isEmpty());
    }

    void commandLineNamesFilesOrAsksForHelp()
    {
        const ProgramArguments parsed = ParseProgramArguments(
            { QStringLiteral("a.jpg"), QStringLiteral("--version"), QStringLiteral("--"), QStringLiteral("--help") });
        QVERIFY(parsed.Version);
        QVERIFY(!parsed.Help);
        QCOMPARE(parsed.Files, (QStringList { QStringLiteral("a.jpg"), QStringLiteral("--help") }));
        QVERIFY(ParseProgramArguments({ QStringLiteral("-h") }).Help);
        QCOMPARE(StartupPaths({ QStringLiteral("bilder/../a.jpg"), QString(), QStringLiteral("/srv/b.kv2"),
                                  QStringLiteral("file:///srv/mit%20Leerzeichen.jpg") },
                     QStringLiteral("/home/anna")),
            (QStringList { QStringLiteral("/home/anna/a.jpg"), QStringLiteral("/srv/b.kv2"),
                QStringLiteral("/srv/mit Leerzeichen.jpg") }));
    }

    void startupFilesOpenAsLadenOrAsADrop()
    {
        QTemporaryDir folder;
        const QString project = folder.filePath(QStringLiteral("urlaub.KV2"));
        const QString picture = folder.filePath(QStringLiteral("bild.jpg"));
        const QString other = folder.filePath(QStringLiteral("noch.kv2"));
        {
            // A project is loaded as "Laden" would: the pages show what it brought.
            TWindow w;
            w.Operations->OnLoadProject = [](Configuration& config, IOperationHost& host) {
                host.BeginBusy();
                config.AlbumTitle = "Urlaub";
                host.EndBusy(Page::PLog);
            };
            w.Form->OpenFiles({ picture, project, other });
            QCOMPARE(w.Operations->Calls.size(), std::size_t(1));
            QCOMPARE(w.Operations->Calls[0].What, std::string("LoadProject"));
            QCOMPARE(w.Operations->Calls[0].Paths, std::vector<std::string> { project.toStdString() });
            QCOMPARE(w.Find<QLineEdit>("ETitle")->text(), QStringLiteral("Urlaub"));
            QCOMPARE(w.Form->CurrentPage(), Page::PLog);
            const auto& lines = w.Form->RunLog().Lines();
            const std::string skipped = "_Nicht geöffnet, es wird nur eine Projektdatei geladen: ";
            QCOMPARE(lines[2], skipped + picture.toStdString());
            QCOMPARE(lines[3], skipped + other.toStdString());
            QCoreApplication::processEvents();
            QCOMPARE(w.Operations->Calls.size(), std::size_t(1));
        }
        {
            // Pictures are added once the call is over, like a drop; one folder alone becomes
            // the destination.
            TWindow w;
            w.Form->OpenFiles({ picture, folder.path() });
            QVERIFY(w.Operations->Calls.empty());
            QTRY_COMPARE(w.Operations->Calls.size(), std::size_t(1));
            QCOMPARE(w.Operations->Calls[0].What, std::string("AddFiles"));
            // The folder, which holds no picture, stands for none.
            QCOMPARE(w.Operations->Calls[0].Paths, (std::vector<std::string> { picture.toStdString() }));
            w.Form->OpenFiles({ folder.path() });
            QCOMPARE(QString::fromStdString(w.Config().DestDir), folder.path());
            QCOMPARE(w.Form->RunLog().Lines().back(), "+Neues Zielverzeichnis: " + folder.path().toStdString());
        }
    }

    void helpPageShowsTheTips()
    {
        const QStringList lines = TipsText().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 37);
        QVERIFY(lines[0].isEmpty() && lines[1].isEmpty());
        QCOMPARE(lines[2],
            QStringLiteral("Bilddateien werden per Drag&Drop aus dem Explorer in das Korvo-Fenster gezogen."));
        QCOMPARE(lines[27], QStringLiteral("Für die HTML-Ausgabe gibt es fünf Optionen:"));
        QCOMPARE(lines[36],
            QStringLiteral("Die Option »-v« im Logbuch tut exakt das, was ein UNIXler davon erwarten würde."));
        QVERIFY(!TipsText().endsWith(u'\n'));

        TWindow w;
        auto* tips = w.Find<QPlainTextEdit>("Tips");
        QVERIFY(tips->isReadOnly());
        QCOMPARE(tips->toPlainText(), lines.join(u'\n'));
        QCOMPARE(w.Find<QLabel>("PTips")->text(), QStringLiteral(" Ein paar nützliche Tips&Tricks:"));
        QCOMPARE(w.Find<QLabel>("LKorvo2")->text(), QStringLiteral("Korvo2"));
        QCOMPARE(w.Find<QLabel>("LKorvo2")->font().pixelSize(), 32);
        QCOMPARE(w.Find<QLabel>("LDescription1")->text(), QStringLiteral("Ein HTML-Bilderalbengenerator"));
        QVERIFY(!w.Find<QLabel>("LDescription2")->text().isEmpty());
    }
};

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
