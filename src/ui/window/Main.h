#pragma once

// The main window: owns the one Configuration and the one image list, shows them on four pages
// beside the logo strip, accepts files and folders dropped from the desktop, starts the core's
// operations and is the host through which they report (log, busy state, abort, refreshes).

#include "imaging/Process.h"
#include "model/Configuration.h"
#include "model/Datacore.h"
#include "model/RunLog.h"
#include "ui/platform/Platform.h"
#include "ui/window/AlbumOperations.h"
#include "ui/window/Artwork.h"

#include <QElapsedTimer>
#include <QKeySequence>
#include <QList>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class QFrame;
class QTabWidget;
class QUndoStack;

namespace korvo {

class TListHistory;
class TWindowState;
class TLogPage;
class TLogoStrip;
class THelpPage;
class TImagesPage;
class TPreviewForm;
class TSettingsPage;

class TMainForm : public QWidget, public TLogHost {
    Q_OBJECT

public:
    // The designed client size and the smallest the window may become.
    static constexpr QSize DesignedSize { 515, 499 };
    static constexpr QSize SmallestSize { 515, 181 };

    TMainForm(PlatformServices services, std::unique_ptr<IAlbumOperations> operations, QWidget* parent = nullptr);
    ~TMainForm() override;

    Configuration& Config() { return m_config; }
    TImageManager& Images() { return m_images; }
    const TArtwork& Artwork() const { return m_artwork; }
    QTabWidget* PageThing() const { return m_pages; }
    QWidget* PageWidget(Page page) const;
    Page CurrentPage() const;
    TImagesPage* ImagesPage() const { return m_imagesPage; }
    TPreviewForm* PreviewForm() const { return m_preview; }
    // The changes of the image list and its categories, to be undone and redone.
    QUndoStack* UndoStack() const { return m_undo; }
    void Undo();
    void Redo();
    void SetPreviewForm(TPreviewForm* preview);
    // Where the window keeps its size, page and recent projects between runs; brings back what
    // it holds. None: nothing is remembered.
    void SetWindowState(TWindowState* state);

    // The host of long operations.
    void ProcessEvents() override;
    IClock& Clock() override { return m_services.Clock; }
    void ImageListChanged() override;
    void SettingsChanged() override;
    void ShowPage(Page page) override;

    // The commands of the settings, log and help pages.
    void BDestDirClick();
    // "Speichern": to the project file without asking once there is one; "Speichern unter …"
    // (Ctrl+Shift+S) always asks.
    void BSaveProjectClick();
    void BSaveProjectAsClick();
    // The menu of the arrow beside "Laden": the recent projects, then "Speichern unter …".
    void BProjectMenuClick();
    void BLoadProjectClick();
    void BGoClick();
    // "Vorgang abbrechen". A mouse press within a double-click interval of the operation's start
    // is the second half of the double-click that started it (the log page comes up with this
    // button under the pointer), and is ignored.
    void BAbortOpClick();
    void BHelpClick();
    void LMailMeClick();
    // "Album ansehen": the index page of the last run that wrote one, in the desktop's browser.
    void BShowAlbumClick();
    // The files the program was started with (from the file manager): a project file is loaded
    // as "Laden" would, anything else is taken as a drop. See Startup.h for the rules.
    void OpenFiles(const QStringList& paths);
    // The index page "Album ansehen" opens; empty until a run wrote one.
    const QString& AlbumIndex() const { return m_albumIndex; }
    // Shows the focused picture of the image list in the preview window, processed exactly as
    // the album will hold it.
    void MShowPreviewClick(OutputImageKind kind);
    // The preview's ← and →: the previous or next row of the list, shown as the last preview was.
    void PreviewStep(int step);
    // Adds picture files to the image list (the files chosen on the image list page).
    void AddImageFiles(const QStringList& paths);
    // Looks for the missing pictures of the image list in a folder and below it.
    void FindMissingPictures(const QString& folder);
    // Whether the pages may change now: never while an operation runs.
    bool PageThingChanging() const { return !Busy(); }

    // Whether the settings or the image list differ from the last load, save or start: the
    // project file that would be written now is compared with the one of that moment, so a
    // change taken back is no change. Checks at once; the window itself checks once per turn of
    // the event loop after a change.
    bool HasUnsavedChanges();
    // The project file last loaded or saved (empty before either), as the title names it.
    const QString& ProjectFile() const { return m_projectFile; }

signals:
    // The image list changed behind the image list page, which has shown it again.
    void ImageListRefreshRequested();
    // The window was closed; the program ends.
    void Closed();

protected:
    void LineAppended(const std::string& line) override;
    void BusyChanged(bool busy, Page page) override;

    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool AcceptsDrops() const { return !Busy() && !m_addPending; }
    void FilesDropped(const QStringList& paths);
    void SetDestDir(const QString& folder);
    void LoadProjectFile(const QString& path);
    void PlaceLogo();
    void Quit();
    // A key combination of the whole window for one of its commands.
    void AddShortcut(const QList<QKeySequence>& keys, void (TMainForm::*command)());

    // Unsaved work: the text of the last load or save, a check queued after a change, the title.
    void ScheduleChangeCheck();
    void CheckForChanges();
    void MarkSaved();
    void ShowTitle();
    // Before work could be lost (closing, "Laden", "Zurücksetzen"): asks whether to save it when
    // there is any. True when the caller may go on.
    bool MayDiscardChanges();
    // "Speichern" of that question: to the project file, or to a file the user names first.
    bool SaveChanges();
    bool SaveProjectTo(const QString& path);
    // The "Projekt speichern unter" dialog, preset with the project file.
    std::optional<QString> AskProjectFileName();
    // "Album erzeugen" with clearing on: true when the user agrees to the files being deleted.
    bool ConfirmClearing();

    PlatformServices m_services;
    std::unique_ptr<IAlbumOperations> m_operations;
    Configuration m_config;
    TImageManager m_images;
    TArtwork m_artwork;
    QUndoStack* m_undo = nullptr;
    std::unique_ptr<TListHistory> m_history;

    QTabWidget* m_pages = nullptr;
    TSettingsPage* m_settingsPage = nullptr;
    TImagesPage* m_imagesPage = nullptr;
    TLogPage* m_logPage = nullptr;
    THelpPage* m_helpPage = nullptr;
    QFrame* m_logoPanel = nullptr;
    TLogoStrip* m_logo = nullptr;
    TPreviewForm* m_preview = nullptr;
    TWindowState* m_state = nullptr;

    bool m_addPending = false; // dropped files wait for the event loop to start adding them
    bool m_closeWhenIdle = false; // the user closed the window during an operation
    bool m_loadingProject = false; // the image list is refreshed after a project load
    OutputImageKind m_previewKind = OutputImageKind::PreviewImage; // of the last preview shown
    QString m_albumIndex; // absolute path of the index page of the last run that wrote one
    QString m_projectFile; // the project file last loaded or saved
    std::string m_savedText; // the project file's text at the last load, save or start
    bool m_unsaved = false; // as of the last check
    bool m_checkQueued = false;
    std::uint32_t m_busySince = 0; // tick of the last operation's start
    QElapsedTimer m_pumped; // since the operation's last turn of the event loop
    std::optional<std::uint32_t> m_abortPressed; // tick of the mouse press on BAbortOp being handled
};

} // namespace korvo
