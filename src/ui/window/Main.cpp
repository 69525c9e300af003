#include "ui/window/Main.h"

#include "imaging/AddFiles.h"
#include "model/Version.h"
#include "project/LoadSave.h"
#include "ui/imagelist/ImageListModel.h"
#include "ui/imagelist/ImagesPage.h"
#include "ui/imagelist/ListHistory.h"
#include "ui/pages/HelpPage.h"
#include "ui/pages/LogPage.h"
#include "ui/platform/WaitCursor.h"
#include "ui/platform/WindowState.h"
#include "ui/settings/SettingsPage.h"
#include "ui/window/LogoStrip.h"
#include "ui/window/Preview.h"
#include "ui/window/Startup.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>
#include <QUndoStack>
#include <QVBoxLayout>

#include <exception>
#include <optional>
#include <utility>

namespace korvo {

namespace {

    std::string FilePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

    // The local files and folders of a drop, in the order the file manager delivers them.
    QStringList DroppedPaths(const QMimeData* mime)
    {
        QStringList paths;
        if (mime == nullptr || !mime->hasUrls())
            return paths;
        for (const QUrl& url : mime->urls())
            if (url.isLocalFile() && !url.toLocalFile().isEmpty())
                paths << url.toLocalFile();
        return paths;
    }

    std::vector<FileFilter> ProjectFilters()
    {
        return { { QStringLiteral("Korvo2-Projektdateien (*.kv2)"), QStringLiteral("*.kv2") },
            { QStringLiteral("Alle Dateien (*.*)"), QStringLiteral("*.*") } };
    }

    // The project file's text for the current state; nothing when it cannot be built (out of
    // memory), which then counts as a change: better one question too many than lost work.
    std::optional<std::string> CurrentProjectText(const Configuration& config, const TImageManager& images)
    {
        try {
            return ProjectText(config, images);
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }

    // Whether the acquisition cache is used: the window's own setting, in
    // ~/.config/korvo2/korvo2.conf ($XDG_CONFIG_HOME respected), never in a project.
    const QString CacheUseKey = QStringLiteral("cache/use");
    bool StoredCacheUse()
    {
        return QSettings(QStringLiteral("korvo2"), QStringLiteral("korvo2")).value(CacheUseKey, true).toBool();
    }
    void StoreCacheUse(bool use)
    {
        QSettings(QStringLiteral("korvo2"), QStringLiteral("korvo2")).setValue(CacheUseKey, use);
    }

    QString FilesToClearText(int count)
    {
        return count == 1 ? QStringLiteral("1 Datei") : QStringLiteral("%1 Dateien").arg(count);
    }

} // namespace

TMainForm::TMainForm(PlatformServices services, std::unique_ptr<IAlbumOperations> operations, QWidget* parent)
    : QWidget(parent)
    , m_services(services)
    , m_operations(std::move(operations))
    , m_artwork(TArtwork::Load())
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Korvo 2"));
    resize(DesignedSize);
    setMinimumSize(SmallestSize);
    setAcceptDrops(true);

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageThing"));
    m_pages->setDocumentMode(false);
    m_settingsPage = new TSettingsPage(m_config, m_pages);
    m_undo = new QUndoStack(this);
    m_history = std::make_unique<TListHistory>(m_images, *m_undo, [this] { m_imagesPage->ListRestored(); });
    m_imagesPage = new TImagesPage(m_images, *m_history, m_artwork, m_services, m_pages);
    m_logPage = new TLogPage(m_config, RunLog().Lines(), m_pages);
    m_helpPage = new THelpPage(m_pages);
    m_pages->addTab(m_settingsPage, QStringLiteral("Allgemein"));
    m_pages->addTab(m_imagesPage, QStringLiteral("Bilderliste"));
    m_pages->addTab(m_logPage, QStringLiteral("Logbuch"));
    m_pages->addTab(m_helpPage, QStringLiteral("Hinweise"));
    m_pages->setCurrentWidget(m_settingsPage);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_pages);

    // The logo strip lies above the pages, in the margin every page keeps free on its left.
    m_logoPanel = new QFrame(this);
    m_logoPanel->setObjectName(QStringLiteral("PLogo"));
    m_logoPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_logoPanel->setLineWidth(1);
    m_logo = new TLogoStrip(m_artwork, m_logoPanel);
    auto* logoLayout = new QVBoxLayout(m_logoPanel);
    logoLayout->setContentsMargins(0, 0, 0, 0);
    logoLayout->addWidget(m_logo);
    PlaceLogo();

    connect(m_settingsPage, &TSettingsPage::BDestDirClicked, this, &TMainForm::BDestDirClick);
    connect(m_settingsPage, &TSettingsPage::BLoadProjectClicked, this, &TMainForm::BLoadProjectClick);
    connect(m_settingsPage, &TSettingsPage::BSaveProjectClicked, this, &TMainForm::BSaveProjectClick);
    connect(m_settingsPage, &TSettingsPage::BGoClicked, this, &TMainForm::BGoClick);
    connect(m_settingsPage, &TSettingsPage::BProjectMenuClicked, this, &TMainForm::BProjectMenuClick);
    connect(m_logPage->AbortButton(), &QPushButton::clicked, this, &TMainForm::BAbortOpClick);
    m_logPage->AbortButton()->installEventFilter(this);
    connect(m_helpPage->HelpButton(), &QPushButton::clicked, this, &TMainForm::BHelpClick);
    connect(m_helpPage->MailButton(), &QPushButton::clicked, this, &TMainForm::LMailMeClick);
    connect(m_logPage->ShowAlbumButton(), &QPushButton::clicked, this, &TMainForm::BShowAlbumClick);
    connect(m_imagesPage, &TImagesPage::PreviewRequested, this, &TMainForm::MShowPreviewClick);
    connect(m_imagesPage, &TImagesPage::AddFilesRequested, this, &TMainForm::AddImageFiles);
    connect(m_imagesPage, &TImagesPage::FindMissingRequested, this, &TMainForm::FindMissingPictures);
    const bool useCache = StoredCacheUse();
    m_imagesPage->SetCacheUsed(useCache);
    m_operations->UseCache(useCache);
    connect(m_imagesPage, &TImagesPage::CacheUseChanged, this, [this](bool use) {
        StoreCacheUse(use);
        m_operations->UseCache(use);
    });
    connect(m_imagesPage, &TImagesPage::ClearCacheRequested, this, [this] { Log(m_operations->ClearCache()); });
    // Every change the user can make ends in one of these; an operation's at its end (BusyChanged).
    connect(m_settingsPage, &TSettingsPage::ConfigurationEdited, this, &TMainForm::ScheduleChangeCheck);
    connect(m_imagesPage, &TImagesPage::ListEdited, this, &TMainForm::ScheduleChangeCheck);
    connect(m_logPage->VerboseBox(), &QCheckBox::toggled, this, &TMainForm::ScheduleChangeCheck);
    m_imagesPage->SetDiscardCheck([this] { return MayDiscardChanges(); });
    // The disabled tabs already keep the user on the log page while busy; this also catches a
    // change that slips past them (a shortcut of the platform's style, a stray call).
    connect(m_pages, &QTabWidget::currentChanged, this, [this](int index) {
        if (!PageThingChanging() && m_pages->widget(index) != m_logPage)
            m_pages->setCurrentWidget(m_logPage);
        // A description typed on the image list page stays when the user turns to another page.
        if (PageThingChanging())
            m_imagesPage->KeepComment();
    });

    AddShortcut({ QKeySequence(Qt::CTRL | Qt::Key_O) }, &TMainForm::BLoadProjectClick);
    AddShortcut({ QKeySequence(Qt::CTRL | Qt::Key_S) }, &TMainForm::BSaveProjectClick);
    AddShortcut({ QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S) }, &TMainForm::BSaveProjectAsClick);
    AddShortcut({ QKeySequence(Qt::CTRL | Qt::Key_Q) }, &TMainForm::Quit);
    AddShortcut({ QKeySequence(Qt::Key_F1) }, &TMainForm::BHelpClick);
    AddShortcut(
        { QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter) }, &TMainForm::BGoClick);
    AddShortcut({ QKeySequence(Qt::CTRL | Qt::Key_Z) }, &TMainForm::Undo);
    AddShortcut(
        { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y) }, &TMainForm::Redo);

    SetNumberFormat();
    Log(WelcomeMessage(ProgramVersion));
    Log("");
    MarkSaved();
}

TMainForm::~TMainForm() = default;

void TMainForm::AddShortcut(const QList<QKeySequence>& keys, void (TMainForm::*command)())
{
    auto* action = new QAction(this);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, command);
    addAction(action);
}

void TMainForm::SetPreviewForm(TPreviewForm* preview)
{
    if (m_preview != nullptr)
        disconnect(m_preview, nullptr, this, nullptr);
    m_preview = preview;
    if (m_preview != nullptr)
        connect(m_preview, &TPreviewForm::StepRequested, this, &TMainForm::PreviewStep);
}

void TMainForm::Quit() { close(); }

void TMainForm::SetWindowState(TWindowState* state)
{
    m_state = state;
    if (m_state == nullptr)
        return;
    if (const QByteArray geometry = m_state->Geometry(); !geometry.isEmpty())
        restoreGeometry(geometry);
    if (const int page = m_state->PageIndex(); page >= 0 && page < m_pages->count())
        m_pages->setCurrentIndex(page);
}

void TMainForm::BProjectMenuClick()
{
    if (Busy())
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("ProjectMenu"));
    QStringList recent;
    if (m_state != nullptr)
        for (const QString& path : m_state->RecentProjects())
            if (QFileInfo(path).isFile())
                recent << path;
    for (int i = 0; i < recent.size(); ++i) {
        QString shown = recent[i];
        shown.replace(u'&', QStringLiteral("&&"));
        menu.addAction(i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(shown) : shown)->setData(recent[i]);
    }
    if (recent.isEmpty())
        menu.addAction(QStringLiteral("(keine zuletzt verwendeten Projekte)"))->setEnabled(false);
    menu.addSeparator();
    QAction* saveAs = menu.addAction(QStringLiteral("Speichern &unter …"));
    saveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    QWidget* button = findChild<QWidget*>(QStringLiteral("BProjectMenu"));
    QAction* chosen = m_services.Menus.Execute(menu, button->mapToGlobal(QPoint(0, button->height())));
    if (chosen == saveAs)
        BSaveProjectAsClick();
    else if (chosen != nullptr && chosen->isEnabled() && !chosen->data().toString().isEmpty() && MayDiscardChanges())
        LoadProjectFile(chosen->data().toString());
}

void TMainForm::Undo()
{
    if (!Busy())
        m_imagesPage->Undo();
}

void TMainForm::Redo()
{
    if (!Busy())
        m_imagesPage->Redo();
}

QWidget* TMainForm::PageWidget(Page page) const
{
    switch (page) {
    case Page::PCommon:
        return m_settingsPage;
    case Page::PImages:
        return m_imagesPage;
    case Page::PLog:
        return m_logPage;
    case Page::PHelp:
        return m_helpPage;
    }
    return m_logPage;
}

Page TMainForm::CurrentPage() const
{
    for (Page page : { Page::PCommon, Page::PImages, Page::PLog, Page::PHelp })
        if (m_pages->currentWidget() == PageWidget(page))
            return page;
    return Page::PCommon;
}

void TMainForm::ProcessEvents()
{
    // Pictures from the cache come by the thousand a second; a turn of the event loop every few
    // milliseconds keeps the window just as responsive at a fraction of the cost.
    if (m_pumped.isValid() && m_pumped.elapsed() < 5)
        return;
    QCoreApplication::processEvents();
    m_pumped.start();
}

void TMainForm::ImageListChanged()
{
    // After adding files the new pictures come up selected; a loaded project shows all
    // pictures with its own categories.
    if (m_loadingProject)
        m_imagesPage->ProjectLoaded();
    else
        m_imagesPage->FilesAdded();
    emit ImageListRefreshRequested();
}

void TMainForm::SettingsChanged()
{
    m_settingsPage->Refresh();
    m_logPage->Refresh();
}

void TMainForm::ShowPage(Page page)
{
    if (PageThingChanging() || page == Page::PLog)
        m_pages->setCurrentWidget(PageWidget(page));
}

void TMainForm::LineAppended(const std::string& line) { m_logPage->LineAppended(line); }

void TMainForm::BusyChanged(bool busy, Page page)
{
    m_pumped.invalidate();
    if (busy) {
        m_busySince = Clock().TickCount();
        m_abortPressed.reset();
    }
    m_logPage->SetBusy(busy);
    if (busy)
        m_pages->setCurrentWidget(m_logPage);
    for (int index = 0; index < m_pages->count(); ++index)
        m_pages->setTabEnabled(index, !busy || m_pages->widget(index) == m_logPage);
    if (busy) {
        // The operation holds the event loop from here on: show the log page now.
        repaint();
        return;
    }
    if (page != Page::PLog)
        m_pages->setCurrentWidget(PageWidget(page));
    ScheduleChangeCheck();
    if (m_closeWhenIdle)
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void TMainForm::BAbortOpClick()
{
    const std::optional<std::uint32_t> pressed = std::exchange(m_abortPressed, std::nullopt);
    // Unsigned subtraction stays right across the counter's wrap-around.
    if (pressed && *pressed - m_busySince < static_cast<std::uint32_t>(QApplication::doubleClickInterval()))
        return;
    RequestAbort();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_logPage->AbortButton()
        && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick))
        m_abortPressed = Clock().TickCount();
    return QWidget::eventFilter(watched, event);
}

void TMainForm::BDestDirClick()
{
    if (Busy())
        return;
    // The desktop's own folder dialog: a save dialog with a name to ignore would puzzle here.
    FileDialogRequest request;
    request.Title = QStringLiteral("Zielverzeichnis auswählen");
    request.InitialFolder = QString::fromStdString(m_config.DestDir);
    if (const std::optional<QString> chosen = m_services.FileDialogs.AskFolder(request))
        SetDestDir(QDir::cleanPath(*chosen));
}

std::optional<QString> TMainForm::AskProjectFileName()
{
    FileDialogRequest request;
    request.Title = QStringLiteral("Projekt speichern unter");
    request.Filters = ProjectFilters();
    request.DefaultExtension = QStringLiteral("kv2");
    request.ConfirmOverwrite = true;
    if (!m_projectFile.isEmpty()) {
        const QFileInfo file(m_projectFile);
        request.InitialFolder = file.absolutePath();
        request.FileName = file.fileName();
    } else {
        request.FileName = ProjectFileNameFor(QString::fromStdString(m_config.AlbumTitle));
    }
    return m_services.FileDialogs.AskSaveFileName(request);
}

void TMainForm::BSaveProjectClick()
{
    if (Busy())
        return;
    m_imagesPage->KeepComment();
    if (!m_projectFile.isEmpty())
        SaveProjectTo(m_projectFile);
    else if (const std::optional<QString> chosen = AskProjectFileName())
        SaveProjectTo(*chosen);
}

void TMainForm::BSaveProjectAsClick()
{
    if (Busy())
        return;
    m_imagesPage->KeepComment();
    if (const std::optional<QString> chosen = AskProjectFileName())
        SaveProjectTo(*chosen);
}

bool TMainForm::SaveProjectTo(const QString& path)
{
    if (!m_operations->SaveProject(FilePath(path), m_config, m_images, *this)) {
        CheckForChanges();
        return false;
    }
    m_projectFile = path;
    MarkSaved();
    if (m_state != nullptr)
        m_state->AddRecentProject(path);
    return true;
}

bool TMainForm::SaveChanges()
{
    if (!m_projectFile.isEmpty())
        return SaveProjectTo(m_projectFile);
    const std::optional<QString> chosen = AskProjectFileName();
    return chosen && SaveProjectTo(*chosen);
}

bool TMainForm::MayDiscardChanges()
{
    m_imagesPage->KeepComment();
    if (!HasUnsavedChanges())
        return true;
    switch (m_services.Boxes.AskSaveChanges(QStringLiteral("Änderungen speichern?"))) {
    case SaveChoice::Save:
        return SaveChanges();
    case SaveChoice::Discard:
        return true;
    case SaveChoice::Cancel:
        break;
    }
    return false;
}

bool TMainForm::HasUnsavedChanges()
{
    CheckForChanges();
    return m_unsaved;
}

void TMainForm::ScheduleChangeCheck()
{
    // One check per turn of the event loop, however many changes it brought: a check builds the
    // whole project text, which for a long list is far too much for every keystroke.
    if (m_checkQueued)
        return;
    m_checkQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_checkQueued = false;
            CheckForChanges();
        },
        Qt::QueuedConnection);
}

void TMainForm::CheckForChanges()
{
    // An operation is still changing the list; its end asks for a check again.
    if (Busy())
        return;
    const std::optional<std::string> text = CurrentProjectText(m_config, m_images);
    const bool unsaved = !text || *text != m_savedText;
    if (unsaved == m_unsaved)
        return;
    m_unsaved = unsaved;
    ShowTitle();
}

void TMainForm::MarkSaved()
{
    std::optional<std::string> text = CurrentProjectText(m_config, m_images);
    m_unsaved = !text;
    m_savedText = text ? std::move(*text) : std::string();
    ShowTitle();
}

void TMainForm::ShowTitle()
{
    QString title = QStringLiteral("Korvo 2");
    if (!m_projectFile.isEmpty())
        title += QStringLiteral(" – ") + QFileInfo(m_projectFile).fileName();
    if (m_unsaved)
        title += QStringLiteral(" *");
    setWindowTitle(title);
}

void TMainForm::BLoadProjectClick()
{
    if (Busy() || !MayDiscardChanges())
        return;
    FileDialogRequest request;
    request.Title = QStringLiteral("Projekt laden");
    request.Filters = ProjectFilters();
    request.DefaultExtension = QStringLiteral("kv2");
    const QStringList chosen = m_services.FileDialogs.AskOpenFileNames(request);
    if (!chosen.isEmpty())
        LoadProjectFile(chosen.constFirst());
}

void TMainForm::LoadProjectFile(const QString& path)
{
    if (Busy())
        return;
    m_loadingProject = true;
    const LoadProjectResult result = m_operations->LoadProject(FilePath(path), m_config, m_images, *this);
    // The load asks for both refreshes itself; showing the model once more costs nothing and
    // keeps the pages right even if it stopped early.
    SettingsChanged();
    ImageListChanged();
    m_loadingProject = false;
    // The steps before led to a list that is gone.
    m_history->Clear();
    // A file that held no project changed nothing. After an aborted load the state is what was
    // read so far; it counts as loaded, so that no question invites saving it over the file.
    if (result.Read) {
        if (m_state != nullptr)
            m_state->AddRecentProject(path);
        m_projectFile = path;
        MarkSaved();
    }
}

bool TMainForm::ConfirmClearing()
{
    const int count = m_operations->FilesToClear(m_config);
    // Nothing of an earlier run lies there: nothing to agree to.
    if (count <= 0)
        return true;
    return m_services.Boxes.Confirm(QStringLiteral("Vor der Ausgabe werden aus dem Zielverzeichnis\n%1\n%2 eines "
                                                   "früheren Laufs gelöscht. Andere Dateien bleiben erhalten.\n\n"
                                                   "Album erzeugen?")
                                        .arg(QString::fromStdString(m_config.DestDir), FilesToClearText(count)));
}

void TMainForm::BGoClick()
{
    if (Busy())
        return;
    m_imagesPage->KeepComment();
    if (m_config.Output.rm && !ConfirmClearing())
        return;
    const AlbumRunResult result = m_operations->RunAlbum(m_config, m_images, *this);
    if (!result.IndexWritten)
        return;
    // Where this run wrote it: the settings may change before the button is pressed.
    m_albumIndex = QFileInfo(QFile::decodeName(QByteArray::fromStdString(result.IndexPath))).absoluteFilePath();
    m_logPage->OfferAlbum();
}

void TMainForm::BShowAlbumClick()
{
    if (m_albumIndex.isEmpty() || Busy())
        return;
    // As with the help file: a missing page would still "open" on many desktops.
    if (QFileInfo(m_albumIndex).isFile() && m_services.Desktop.OpenUrl(QUrl::fromLocalFile(m_albumIndex)))
        return;
    Log("-Das Album konnte nicht angezeigt werden: " + FilePath(m_albumIndex));
}

void TMainForm::MShowPreviewClick(OutputImageKind kind)
{
    const int focused = m_imagesPage->FocusedImage();
    if (Busy() || m_preview == nullptr || focused < 0)
        return;
    // The name in the caption carries the number the album will give the picture.
    m_images.BuildAlbumOrder(m_config.Output.UncategorizedImages);
    const TImageRecord* image = m_images.GetImage(focused);
    if (image == nullptr)
        return;
    std::optional<PreviewPicture> picture;
    {
        const TWaitCursor wait;
        picture = MakePreviewPicture(*image, kind, m_config, Clock());
    }
    // A picture that cannot be made shows nothing; an earlier preview stays as it is.
    if (!picture)
        return;
    m_previewKind = kind;
    const QString source = QFile::decodeName(QByteArray::fromStdString(image->Source));
    m_preview->SetHeading(PreviewHeading(m_imagesPage->FocusedRow() + 1, m_imagesPage->Model()->rowCount(),
        QString::fromStdString(image->FileName), QFileInfo(source).size()));
    m_preview->ShowBitmap(*picture->Bitmap, PreviewCaption(*image, kind, m_config, *picture));
}

void TMainForm::PreviewStep(int step)
{
    if (Busy() || !m_imagesPage->StepFocus(step))
        return;
    MShowPreviewClick(m_previewKind);
}

void TMainForm::AddImageFiles(const QStringList& paths)
{
    if (Busy() || paths.isEmpty())
        return;
    std::vector<std::string> files;
    for (const QString& path : paths)
        files.push_back(FilePath(path));
    m_imagesPage->KeepComment();
    const TListChange change(*m_history, QStringLiteral("Bilder hinzufügen"));
    m_operations->AddFiles(m_config, m_images, files, *this);
}

void TMainForm::FindMissingPictures(const QString& folder)
{
    if (Busy() || folder.isEmpty())
        return;
    const TListChange change(*m_history, QStringLiteral("Fehlende Bilder suchen"));
    m_operations->FindMissing(m_images, FilePath(folder), *this);
}

void TMainForm::BHelpClick()
{
    // Opening a missing file would still "succeed" on many desktops (the handler starts and
    // complains in a window of its own), so the file's existence is checked first.
    for (const QString& candidate : HelpFileCandidates(m_services.ProgramFolder)) {
        if (!QFileInfo(candidate).isFile())
            continue;
        if (m_services.Desktop.OpenUrl(QUrl::fromLocalFile(candidate)))
            return;
        break;
    }
    m_services.Boxes.ShowError(QStringLiteral("Sorry, die Hilfe konnte leider nicht aufgerufen werden."));
}

void TMainForm::LMailMeClick()
{
    m_services.Desktop.OpenUrl(
        QUrl(QStringLiteral("mailto:%1?subject=Korvo2").arg(QString::fromLatin1(ContactAddress))));
}

void TMainForm::SetDestDir(const QString& folder)
{
    m_config.DestDir = folder.toStdString();
    m_settingsPage->Refresh();
    ScheduleChangeCheck();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (AcceptsDrops() && !DroppedPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TMainForm::dragMoveEvent(QDragMoveEvent* event)
{
    if (AcceptsDrops() && !DroppedPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    // A drop during an operation would change the list or the destination beneath it.
    const QStringList paths = DroppedPaths(event->mimeData());
    if (!AcceptsDrops() || paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    FilesDropped(paths);
}

void TMainForm::FilesDropped(const QStringList& paths)
{
    if (paths.size() == 1 && QFileInfo(paths.constFirst()).isDir()) {
        const QString folder = QDir::cleanPath(paths.constFirst());
        SetDestDir(folder);
        Log("+Neues Zielverzeichnis: " + folder.toStdString());
        return;
    }
    // Adding runs once the drop is finished, so the file manager is not kept waiting. A folder
    // among several items stands for the pictures directly in it, as in korvo2-album.
    std::vector<std::string> files;
    for (const QString& path : paths)
        files.push_back(FilePath(path));
    files = ExpandPaths(files);
    m_addPending = true;
    QMetaObject::invokeMethod(
        this,
        [this, files = std::move(files)] {
            m_addPending = false;
            if (Busy())
                return;
            m_imagesPage->KeepComment();
            const TListChange change(*m_history, QStringLiteral("Bilder hinzufügen"));
            m_operations->AddFiles(m_config, m_images, files, *this);
        },
        Qt::QueuedConnection);
}

void TMainForm::OpenFiles(const QStringList& paths)
{
    if (paths.isEmpty() || !AcceptsDrops())
        return;
    const StartupFiles files = SortStartupFiles(paths);
    if (files.Project.isEmpty()) {
        FilesDropped(files.Others);
        return;
    }
    // As "Laden" does, a project opened from the file manager replaces the work in the window.
    if (!MayDiscardChanges())
        return;
    for (const QString& path : files.Others)
        Log("_Nicht geöffnet, es wird nur eine Projektdatei geladen: " + FilePath(path));
    LoadProjectFile(files.Project);
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (Busy()) {
        // Stop after the current item, then close.
        RequestAbort();
        m_closeWhenIdle = true;
        event->ignore();
        return;
    }
    // Also the close that follows an operation: the user may still keep the window.
    m_closeWhenIdle = false;
    if (!MayDiscardChanges()) {
        event->ignore();
        return;
    }
    event->accept();
    if (m_state != nullptr) {
        m_state->SetGeometry(saveGeometry());
        m_state->SetPageIndex(m_pages->currentIndex());
    }
    if (m_preview != nullptr)
        m_preview->hide();
    emit Closed();
}

void TMainForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceLogo();
}

void TMainForm::PlaceLogo()
{
    // 12 from the left, 34 from the top, keeping its distance to the bottom edge.
    m_logoPanel->setGeometry(12, 34, 41, std::max(2, height() - 48));
    m_logoPanel->raise();
}

} // namespace korvo
