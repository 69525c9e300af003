#include "ui/imagelist/ImagesPage.h"

#include "ui/imagelist/CategoryEditor.h"
#include "ui/imagelist/ImageListModel.h"
#include "ui/imagelist/ImageListView.h"
#include "ui/imagelist/ImageRowDelegate.h"
#include "ui/imagelist/ListHistory.h"
#include "ui/platform/WaitCursor.h"

#include "imaging/Acquire.h"

#include <QActionGroup>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>

namespace korvo {

namespace {

    QString Text(const std::string& text) { return QString::fromStdString(text); }

    // A name as a menu entry: an ampersand in it is a character, not an access key.
    QString MenuText(const std::string& name)
    {
        QString text = Text(name);
        text.replace(u'&', QStringLiteral("&&"));
        return text;
    }

    QPushButton* MakeButton(const QString& text, const char* name, ButtonIcon icon, QWidget* parent)
    {
        auto* button = new QPushButton(MakeButtonIcon(icon), text, parent);
        button->setObjectName(QString::fromLatin1(name));
        // The page's buttons are skipped by the Tab key.
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoDefault(false);
        return button;
    }

    struct RotationEntry {
        const char* Caption;
        int Rotate;
    };
    // In the menu's order; each carries the rotation it sets.
    constexpr RotationEntry RotationEntries[] = {
        { "nicht drehen", 0 },
        { "90° nach rechts (im UZS)", 1 },
        { "90° nach links (gegen UZS)", 3 },
        { "180°", 2 },
    };

} // namespace

QString TImagesPage::EmptyListHint()
{
    return QStringLiteral("Noch keine Bilder in der Liste.\n\nBilder oder Ordner aus dem Dateimanager hierher ziehen "
                          "oder über »Menü« → »Bilder hinzufügen …« auswählen.");
}

TImagesPage::TImagesPage(
    TImageManager& images, TListHistory& history, const TArtwork& artwork, PlatformServices services, QWidget* parent)
    : QWidget(parent)
    , m_images(images)
    , m_history(history)
    , m_services(services)
{
    setObjectName(QStringLiteral("PImages"));

    m_menuButton = MakeButton(QStringLiteral("Menü"), "BImageMenu", ButtonIcon::Menu, this);
    auto* categoryLabel = new QLabel(QStringLiteral("Kategorie anzeigen:"), this);
    categoryLabel->setObjectName(QStringLiteral("LCategory"));
    m_category = new QComboBox(this);
    m_category->setObjectName(QStringLiteral("CCategory"));
    m_category->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_category->setMinimumContentsLength(8);
    categoryLabel->setBuddy(m_category);
    m_editCategories = MakeButton(QStringLiteral("Bearbeiten"), "BEditCategories", ButtonIcon::Edit, this);

    m_model = new TImageListModel(m_images, this);
    m_list = new TImageListView(this);
    m_list->setItemDelegate(new TImageRowDelegate(artwork, m_list));
    m_list->setFont(TImageRowDelegate::FittingFont(m_list->font()));
    m_list->setModel(m_model);

    auto* commentLabel = new QLabel(QStringLiteral("Bildbeschreibung:"), this);
    commentLabel->setObjectName(QStringLiteral("LComment"));
    m_comment = new QLineEdit(this);
    m_comment->setObjectName(QStringLiteral("EComment"));
    commentLabel->setBuddy(m_comment);
    m_up = MakeButton(QString(), "BImageUp", ButtonIcon::Up, this);
    m_down = MakeButton(QString(), "BImageDown", ButtonIcon::Down, this);
    m_up->setIcon(QIcon(PaintSmallArrow(true)));
    m_down->setIcon(QIcon(PaintSmallArrow(false)));
    for (QPushButton* button : { m_up, m_down }) {
        button->setFixedSize(17, 21);
        button->setIconSize(QSize(7, 4));
    }
    m_up->setToolTip(QStringLiteral("Ausgewählte Bilder nach oben (Strg+Pfeil oben)"));
    m_down->setToolTip(QStringLiteral("Ausgewählte Bilder nach unten (Strg+Pfeil unten)"));

    auto* top = new QHBoxLayout;
    top->setSpacing(6);
    top->addWidget(m_menuButton);
    top->addWidget(categoryLabel);
    top->addWidget(m_category, 1);
    top->addWidget(m_editCategories);
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(4);
    bottom->addWidget(commentLabel);
    bottom->addWidget(m_comment, 1);
    bottom->addSpacing(2);
    bottom->addWidget(m_up);
    bottom->addWidget(m_down);
    auto* layout = new QVBoxLayout(this);
    // The logo strip lies in the left margin.
    layout->setContentsMargins(52, 6, 6, 6);
    layout->setSpacing(6);
    layout->addLayout(top);
    layout->addWidget(m_list, 1);
    layout->addLayout(bottom);
    setTabOrder(m_category, m_list);
    setTabOrder(m_list, m_comment);

    m_editor = new TCategoryEditor(m_images, m_services.Boxes, this);

    connect(m_menuButton, &QPushButton::clicked, this, &TImagesPage::BImageMenuClick);
    connect(m_category, &QComboBox::activated, this, &TImagesPage::CCategoryChange);
    connect(m_editCategories, &QPushButton::clicked, this, &TImagesPage::BEditCategoriesClick);
    connect(m_up, &QPushButton::clicked, this, &TImagesPage::BImageUpClick);
    connect(m_down, &QPushButton::clicked, this, &TImagesPage::BImageDownClick);
    connect(m_list, &TImageListView::MouseDown, this, &TImagesPage::CImagesMouseDown);
    connect(m_list, &TImageListView::RowDoubleClicked, this,
        [this] { emit PreviewRequested(OutputImageKind::PreviewImage); });
    connect(m_list, &TImageListView::RowsDropped, this, &TImagesPage::MoveSelectionTo);
    connect(m_list, &TImageListView::DeletePressed, this, &TImagesPage::CImagesDelete);
    connect(m_list, &TImageListView::MovePressed, this, [this](int step) {
        if (step < 0)
            BImageUpClick();
        else
            BImageDownClick();
    });
    connect(m_model, &QAbstractItemModel::modelReset, this, &TImagesPage::ListEdited);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &TImagesPage::ListEdited);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        // What was typed for the picture that had the focus stays with it.
        KeepComment();
        // The same picture coming back to the focus (the rows were rebuilt) is no change.
        const TImageRecord* image = m_images.GetImage(FocusedImage());
        if (image != nullptr && image->Source != m_commentTarget)
            CImagesClick(false);
    });
    connect(m_editor, &TCategoryEditor::Edited, this, &TImagesPage::CategoriesEdited);
    connect(m_editor, &TCategoryEditor::Closed, this, &TImagesPage::CategoryEditorClosed);
    m_comment->installEventFilter(this);

    FillCategoryBox(m_images.ViewCategory() + 1);
    CCategoryChange();
}

TImagesPage::~TImagesPage() = default;

int TImagesPage::FocusedRow() const
{
    const QModelIndex current = m_list->currentIndex();
    return current.isValid() ? current.row() : -1;
}

int TImagesPage::FocusedImage() const { return m_model->ImageAt(FocusedRow()); }

void TImagesPage::SetFocusedRow(int row)
{
    const QModelIndex index = m_model->index(row);
    if (!index.isValid())
        return;
    m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    m_list->scrollTo(index);
}

bool TImagesPage::StepFocus(int step)
{
    const QModelIndex index = m_model->index(FocusedRow() + step);
    if (FocusedRow() < 0 || !index.isValid())
        return false;
    m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_list->scrollTo(index);
    return true;
}

void TImagesPage::FillCategoryBox(int entry)
{
    std::vector<std::string> names;
    m_images.ListCategories(-1, names);
    m_category->clear();
    for (const std::string& name : names)
        m_category->addItem(Text(name));
    m_category->setCurrentIndex(std::clamp(entry, 0, m_category->count() - 1));
}

void TImagesPage::CCategoryChange()
{
    m_images.SetViewCategory(m_category->currentIndex() - 1);
    m_model->Reload();
    m_list->SetEmptyHint(m_images.ImageCount() > 0 ? QString() : EmptyListHint());
}

void TImagesPage::FilesAdded()
{
    m_model->ForgetPictures();
    CCategoryChange();
    SelectMarked();
    const std::vector<bool> selected = SelectedRows();
    const auto first = std::find(selected.begin(), selected.end(), true);
    if (first != selected.end())
        m_list->scrollTo(m_model->index(static_cast<int>(first - selected.begin())));
}

void TImagesPage::ProjectLoaded()
{
    m_model->ForgetPictures();
    FillCategoryBox(m_images.ViewCategory() + 1);
    CCategoryChange();
    if (m_editor->isVisible())
        m_editor->Refill();
}

std::vector<bool> TImagesPage::SelectedRows() const
{
    std::vector<bool> selected(m_model->Rows().size(), false);
    for (const QItemSelectionRange& range : m_list->selectionModel()->selection())
        for (int row = std::max(range.top(), 0); row <= range.bottom() && row < static_cast<int>(selected.size());
             ++row)
            selected[static_cast<std::size_t>(row)] = true;
    return selected;
}

std::vector<int> TImagesPage::SelectedImages() const
{
    const std::vector<bool> selected = SelectedRows();
    std::vector<int> result;
    for (std::size_t row = 0; row < selected.size(); ++row)
        if (selected[row])
            result.push_back(m_model->ImageAt(static_cast<int>(row)));
    return result;
}

void TImagesPage::MarkSelection()
{
    m_images.ClearMarks();
    for (int image : SelectedImages())
        m_images.MarkImage(image);
}

void TImagesPage::SelectMarked()
{
    // Runs of marked rows become ranges, so selecting thousands of rows is one step.
    QItemSelection selection;
    const int count = static_cast<int>(m_model->Rows().size());
    int start = -1;
    for (int row = 0; row <= count; ++row) {
        const TImageRecord* image = row < count ? m_images.GetImage(m_model->ImageAt(row)) : nullptr;
        const bool marked = image != nullptr && image->Marked;
        if (marked && start < 0)
            start = row;
        if (!marked && start >= 0) {
            selection.select(m_model->index(start), m_model->index(row - 1));
            start = -1;
        }
    }
    m_list->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void TImagesPage::RememberAnchor()
{
    const std::vector<bool> selected = SelectedRows();
    int remembered = -1;
    bool afterSelected = false;
    for (std::size_t row = 0; row < selected.size(); ++row) {
        if (selected[row]) {
            afterSelected = true;
            continue;
        }
        remembered = m_model->ImageAt(static_cast<int>(row));
        if (afterSelected)
            break;
    }
    const TImageRecord* image = m_images.GetImage(remembered);
    m_anchorSource = image != nullptr ? image->Source : std::string();
}

void TImagesPage::RestoreAnchor()
{
    const int image = m_images.FindBySource(m_anchorSource);
    if (image < 0)
        return;
    SetFocusedRow(m_model->RowOf(image));
}

void TImagesPage::CImagesMouseDown(Qt::MouseButton button, QPoint position)
{
    Q_UNUSED(button); // every button acts alike; only the list's own selection differs
    const QModelIndex index = m_list->indexAt(position);
    if (!index.isValid())
        return;
    const int image = m_model->ImageAt(index.row());
    const TImageRecord* clicked = m_images.GetImage(image);
    if (clicked == nullptr)
        return;
    const QRect row = m_list->visualRect(index);
    const int L = row.left();
    const int T = row.top();
    const int R = row.left() + row.width();
    // A zone includes its left and top edges and excludes its right and bottom edges.
    auto inside = [&](int left, int right, int top, int bottom) {
        return position.x() >= left && position.x() < right && position.y() >= top && position.y() < bottom;
    };
    if (inside(L + 106, L + 124, T, T + 16)) {
        const TListChange change(m_history, QStringLiteral("Bilder ins Album aufnehmen oder herausnehmen"));
        const bool active = !clicked->Active;
        for (int selected : SelectedImages())
            if (TImageRecord* entry = m_images.GetImage(selected))
                entry->Active = active;
        m_model->RowsChanged();
    } else if (inside(L + 106, L + 118, T + 48, T + 64)) {
        OpenCategoryMenu(image, row);
    } else if (inside(R - 91, R - 80, T + 48, T + 64)) {
        OpenRotationMenu(image, row);
    }
}

void TImagesPage::OpenCategoryMenu(int image, const QRect& row)
{
    const int current = m_images.GetImage(image)->Category;
    m_categoryMenu.reset();
    m_categoryMenu = std::make_unique<QMenu>(this);
    QMenu& menu = *m_categoryMenu;
    menu.setObjectName(QStringLiteral("CategoryMenu"));
    auto* group = new QActionGroup(&menu);
    group->setExclusive(true);
    for (int k = 0; k <= m_images.CategoryCount(); ++k) {
        QAction* entry = menu.addAction(MenuText(m_images.GetCategoryName(k)));
        entry->setCheckable(true);
        entry->setChecked(k == current);
        entry->setData(k);
        group->addAction(entry);
    }
    menu.addSeparator();
    QAction* newCategory = menu.addAction(QStringLiteral("Neue Kategorie …"));
    const QPoint corner = m_list->viewport()->mapToGlobal(QPoint(row.left() + 106, row.top() + 64));
    QAction* chosen = m_services.Menus.Execute(menu, corner);
    if (chosen == nullptr)
        return;
    if (chosen == newCategory)
        NewCategoryClick();
    else if (group->actions().contains(chosen))
        CategoryItemClick(chosen->data().toInt());
}

void TImagesPage::OpenRotationMenu(int image, const QRect& row)
{
    const int current = m_images.GetImage(image)->Rotate;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("RotationMenu"));
    auto* group = new QActionGroup(&menu);
    group->setExclusive(true);
    for (const RotationEntry& rotation : RotationEntries) {
        QAction* entry = menu.addAction(QString::fromUtf8(rotation.Caption));
        entry->setCheckable(true);
        entry->setChecked(rotation.Rotate == current);
        entry->setData(rotation.Rotate);
        group->addAction(entry);
    }
    const QPoint corner = m_list->viewport()->mapToGlobal(QPoint(row.left() + row.width() - 91, row.top() + 64));
    QAction* chosen = m_services.Menus.Execute(menu, corner);
    if (chosen != nullptr && group->actions().contains(chosen))
        MRotateClick(chosen->data().toInt());
}

void TImagesPage::CategoryItemClick(int category)
{
    const TListChange change(m_history, QStringLiteral("Kategorie zuordnen"));
    for (int image : SelectedImages())
        if (TImageRecord* entry = m_images.GetImage(image))
            entry->Category = category;
    RememberAnchor();
    m_images.SortByCategory();
    CCategoryChange();
    RestoreAnchor();
}

void TImagesPage::NewCategoryClick()
{
    const QString name = m_services.Boxes.InputText(
        QStringLiteral("Kategorie hinzufügen"), QStringLiteral("Name für die neue Kategorie:"), QString());
    if (name.isEmpty())
        return;
    const TListChange change(m_history, QStringLiteral("Neue Kategorie"));
    m_images.AddCategory(name.toStdString());
    const int category = m_images.CategoryCount();
    for (int image : SelectedImages())
        if (TImageRecord* entry = m_images.GetImage(image))
            entry->Category = category;
    RememberAnchor();
    const int entry = m_category->currentIndex();
    m_images.SortByCategory();
    FillCategoryBox(entry);
    CCategoryChange();
    RestoreAnchor();
}

void TImagesPage::MRotateClick(int rotate)
{
    const TListChange change(m_history, QStringLiteral("Drehen"));
    for (int image : SelectedImages())
        if (TImageRecord* entry = m_images.GetImage(image))
            entry->Rotate = rotate;
    m_model->RowsChanged();
}

void TImagesPage::CImagesDelete()
{
    const TListChange change(m_history, QStringLiteral("Bilder löschen"));
    RememberAnchor();
    MarkSelection();
    m_images.DeleteMarked();
    m_images.SortByCategory();
    CCategoryChange();
    RestoreAnchor();
}

void TImagesPage::MoveSelectionTo(int row)
{
    const int rows = m_model->rowCount();
    if (rows == 0 || row < 0 || row > rows)
        return;
    const TImageRecord* below = m_images.GetImage(m_model->ImageAt(row));
    const TImageRecord* above = m_images.GetImage(m_model->ImageAt(row - 1));
    const std::vector<int> selected = SelectedImages();
    // Pictures stay in their category: the one below the drop line when the selection has
    // pictures there, else the one above it.
    auto hasSelected = [&](const TImageRecord* image) {
        return image != nullptr && std::any_of(selected.begin(), selected.end(), [&](int i) {
            return m_images.GetImage(i)->Category == image->Category;
        });
    };
    const TImageRecord* place = hasSelected(below) ? below : above;
    if (place == nullptr)
        return;
    const int category = place->Category;
    const int before = row < rows ? m_model->ImageAt(row) : m_model->ImageAt(rows - 1) + 1;
    const TListChange change(m_history, QStringLiteral("Bilder verschieben"));
    m_images.ClearMarks();
    for (int image : selected)
        if (m_images.GetImage(image)->Category == category)
            m_images.MarkImage(image);
    m_images.MoveMarkedBefore(before);
    m_images.SortByCategory();
    CCategoryChange();
    SelectMarked();
}

void TImagesPage::BImageUpClick() { MoveSelection(true); }

void TImagesPage::BImageDownClick() { MoveSelection(false); }

void TImagesPage::MoveSelection(bool up)
{
    const TImageRecord* focused = m_images.GetImage(FocusedImage());
    const std::string focusedSource = focused != nullptr ? focused->Source : std::string();
    const TListChange change(m_history, QStringLiteral("Bilder verschieben"));
    MarkSelection();
    if (up)
        m_images.MoveMarkedUp();
    else
        m_images.MoveMarkedDown();
    m_images.SortByCategory();
    CCategoryChange();
    SelectMarked();
    // The focus row stays with its picture, so the keyboard can go on from there; without one,
    // the leading end of the moved pictures stays in view.
    if (!focusedSource.empty()) {
        SetFocusedRow(m_model->RowOf(m_images.FindBySource(focusedSource)));
        return;
    }
    const std::vector<bool> selected = SelectedRows();
    int leading = -1;
    for (std::size_t row = 0; row < selected.size(); ++row) {
        if (!selected[row])
            continue;
        leading = static_cast<int>(row);
        if (up)
            break;
    }
    if (leading >= 0)
        m_list->scrollTo(m_model->index(leading));
}

void TImagesPage::MSortByNameClick() { SortBy(CompareByName, QStringLiteral("nach Name sortieren")); }

void TImagesPage::MSortByDateClick() { SortBy(CompareByFileDate, QStringLiteral("nach Dateidatum sortieren")); }

void TImagesPage::MSortByEXIFClick() { SortBy(CompareByExifDate, QStringLiteral("nach Aufnahmedatum sortieren")); }

void TImagesPage::SortBy(CompareFunction compare, const QString& text)
{
    const TWaitCursor wait;
    const TListChange change(m_history, text);
    m_images.SortView(compare);
    m_images.SortByCategory();
    CCategoryChange();
}

void TImagesPage::BImageMenuClick()
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("ImageMenu"));
    QAction* preview = menu.addAction(QStringLiteral("&Vorschaubild anzeigen"));
    QAction* thumbnail = menu.addAction(QStringLiteral("&Thumbnail anzeigen"));
    menu.addSeparator();
    QAction* byName = menu.addAction(QStringLiteral("nach &Name sortieren"));
    QAction* byDate = menu.addAction(QStringLiteral("nach &Dateidatum sortieren"));
    QAction* byExif = menu.addAction(QStringLiteral("nach &Aufnahmedatum sortieren"));
    menu.addSeparator();
    QAction* add = menu.addAction(QStringLiteral("Bilder &hinzufügen …"));
    QAction* findMissing = menu.addAction(QStringLiteral("&Fehlende Bilder suchen …"));
    findMissing->setObjectName(QStringLiteral("MFindMissing"));
    findMissing->setEnabled(m_images.MissingCount() > 0);
    QAction* reset = menu.addAction(QStringLiteral("&Zurücksetzen"));
    menu.addSeparator();
    const QUndoStack& stack = m_history.Stack();
    QAction* undo = menu.addAction(QStringLiteral("&Rückgängig"));
    undo->setObjectName(QStringLiteral("MUndo"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    undo->setEnabled(stack.canUndo() && !m_editingCategories);
    QAction* redo = menu.addAction(QStringLiteral("&Wiederholen"));
    redo->setObjectName(QStringLiteral("MRedo"));
    redo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    redo->setEnabled(stack.canRedo() && !m_editingCategories);
    // What the step does, where the menu has room for it.
    if (stack.canUndo())
        undo->setToolTip(stack.undoText());
    if (stack.canRedo())
        redo->setToolTip(stack.redoText());
    menu.addSeparator();
    QAction* useCache = menu.addAction(QStringLiteral("Zwischenspeicher &verwenden"));
    useCache->setObjectName(QStringLiteral("MUseCache"));
    useCache->setCheckable(true);
    useCache->setChecked(m_cacheUsed);
    QAction* clearCache = menu.addAction(QStringLiteral("Zwischenspeicher &leeren"));
    clearCache->setObjectName(QStringLiteral("MClearCache"));
    QAction* chosen = m_services.Menus.Execute(menu, m_menuButton->mapToGlobal(QPoint(0, m_menuButton->height())));
    if (chosen == preview)
        emit PreviewRequested(OutputImageKind::PreviewImage);
    else if (chosen == thumbnail)
        emit PreviewRequested(OutputImageKind::ThumbnailImage);
    else if (chosen == byName)
        MSortByNameClick();
    else if (chosen == byDate)
        MSortByDateClick();
    else if (chosen == byExif)
        MSortByEXIFClick();
    else if (chosen == add)
        MAddImagesClick();
    else if (chosen == findMissing && findMissing->isEnabled())
        MFindMissingClick();
    else if (chosen == reset)
        MResetClick();
    else if (chosen == undo && undo->isEnabled())
        Undo();
    else if (chosen == redo && redo->isEnabled())
        Redo();
    else if (chosen == useCache) {
        m_cacheUsed = !m_cacheUsed;
        emit CacheUseChanged(m_cacheUsed);
    } else if (chosen == clearCache)
        emit ClearCacheRequested();
}

void TImagesPage::MAddImagesClick()
{
    FileDialogRequest request;
    request.Title = QStringLiteral("Bilder auswählen");
    // Every kind the core accepts, then each kind alone, from the core's one list.
    const QString all = QString::fromStdString(AllImageFilesPattern());
    request.Filters = { { QStringLiteral("Bilddateien (") + all + QStringLiteral(")"), all } };
    for (const TImageFileKind& kind : ImageFileKinds()) {
        const QString pattern = QString::fromStdString(ImageFilePattern(kind));
        request.Filters.push_back(
            { QString::fromUtf8(kind.FilterName.data(), static_cast<qsizetype>(kind.FilterName.size()))
                    + QStringLiteral("-Bilddateien (") + pattern + QStringLiteral(")"),
                pattern });
    }
    request.Filters.push_back({ QStringLiteral("Alle Dateien (*.*)"), QStringLiteral("*.*") });
    request.DefaultExtension = QStringLiteral("jpg");
    request.MultipleFiles = true;
    const QStringList chosen = m_services.FileDialogs.AskOpenFileNames(request);
    if (!chosen.isEmpty())
        emit AddFilesRequested(chosen);
}

void TImagesPage::MFindMissingClick()
{
    FileDialogRequest request;
    request.Title = QStringLiteral("Ordner mit den fehlenden Bildern auswählen");
    // Where the first missing picture used to be, or a folder above it: moved pictures are often
    // close by. The dialog itself falls back to the home folder.
    for (int i = 0; i < m_images.ImageCount(); ++i) {
        if (const TImageRecord& image = *m_images.GetImage(i); image.Missing) {
            QString folder = QFileInfo(QFile::decodeName(QByteArray::fromStdString(image.Source))).path();
            while (!QFileInfo(folder).isDir() && QFileInfo(folder).path() != folder)
                folder = QFileInfo(folder).path();
            request.InitialFolder = folder;
            break;
        }
    }
    if (const std::optional<QString> chosen = m_services.FileDialogs.AskFolder(request))
        emit FindMissingRequested(*chosen);
}

void TImagesPage::MResetClick()
{
    if (!m_services.Boxes.Confirm(QStringLiteral("Soll die Bilderliste wirklich komplett geleert werden?")))
        return;
    if (m_mayDiscard && !m_mayDiscard())
        return;
    const TListChange change(m_history, QStringLiteral("Zurücksetzen"));
    m_images = TImageManager();
    m_model->ForgetPictures();
    FillCategoryBox(0);
    CCategoryChange();
}

void TImagesPage::CImagesClick(bool byProgram)
{
    const TImageRecord* image = m_images.GetImage(FocusedImage());
    if (image == nullptr)
        return;
    m_comment->setText(Text(image->Caption));
    m_commentTarget = image->Source;
    if (byProgram)
        m_comment->selectAll();
}

void TImagesPage::CommitComment(int step)
{
    const int image = m_images.FindBySource(m_commentTarget);
    if (image < 0)
        return;
    {
        const TListChange change(m_history, QStringLiteral("Bildbeschreibung"));
        m_images.GetImage(image)->Caption = m_comment->text().toStdString();
    }
    m_comment->setModified(false);
    m_model->RowsChanged();
    const int focused = FocusedRow();
    if (focused < 0 || m_model->ImageAt(focused) != image)
        return;
    const int row = std::clamp(focused + step, 0, m_model->rowCount() - 1);
    const QModelIndex index = m_model->index(row);
    m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_list->scrollTo(index);
    CImagesClick(true);
}

void TImagesPage::KeepComment()
{
    // Only what the user typed counts: the field may still show a description of a list that has
    // been replaced since (a loaded project with the same picture).
    if (!m_comment->isModified())
        return;
    m_comment->setModified(false);
    TImageRecord* image = m_images.GetImage(m_images.FindBySource(m_commentTarget));
    const std::string text = m_comment->text().toStdString();
    if (image == nullptr || image->Caption == text)
        return;
    const TListChange change(m_history, QStringLiteral("Bildbeschreibung"));
    image->Caption = text;
    m_model->RowsChanged();
}

void TImagesPage::ECommentEscape()
{
    const TImageRecord* image = m_images.GetImage(m_images.FindBySource(m_commentTarget));
    if (image == nullptr)
        return;
    m_comment->setText(Text(image->Caption));
    m_comment->selectAll();
}

bool TImagesPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_comment && event->type() == QEvent::FocusOut)
        KeepComment();
    if (watched == m_comment && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Down:
            CommitComment(1);
            return true;
        case Qt::Key_Up:
            CommitComment(-1);
            return true;
        case Qt::Key_Escape:
            ECommentEscape();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TImagesPage::Undo()
{
    if (m_editingCategories)
        return;
    KeepComment();
    m_history.Stack().undo();
}

void TImagesPage::Redo()
{
    if (m_editingCategories)
        return;
    KeepComment();
    m_history.Stack().redo();
}

void TImagesPage::ListRestored()
{
    m_model->ForgetPictures();
    FillCategoryBox(m_images.ViewCategory() + 1);
    CCategoryChange();
    const TImageRecord* image = m_images.GetImage(m_images.FindBySource(m_commentTarget));
    m_comment->setText(image != nullptr ? Text(image->Caption) : QString());
    m_comment->setModified(false);
}

void TImagesPage::BEditCategoriesClick()
{
    // Everything the editor changes until it closes is one step.
    if (!m_editingCategories)
        m_history.Begin();
    SetEditing(true);
    PlaceEditor();
    m_editor->Open();
}

void TImagesPage::SetEditing(bool editing)
{
    m_editingCategories = editing;
    for (QWidget* control : std::initializer_list<QWidget*> { m_list, m_menuButton, m_comment, m_up, m_down })
        control->setEnabled(!editing);
}

void TImagesPage::CategoriesEdited(const CategoryEdit& edit)
{
    // The list goes back into category order at once, so an album run started from another page
    // meanwhile sees it as it expects; the shown category follows its number through the change.
    const int shown = edit.Follow(m_images.ViewCategory());
    m_images.SortByCategory();
    FillCategoryBox(shown + 1);
    CCategoryChange();
}

void TImagesPage::CategoryEditorClosed()
{
    // The shown category stays the one shown before (each change let it follow its number), so
    // the list does not turn to another category, perhaps an empty one, behind the user's back.
    if (m_editor->CategoriesChanged()) {
        m_images.SortByCategory();
        FillCategoryBox(m_category->currentIndex());
        CCategoryChange();
    }
    SetEditing(false);
    m_history.End(QStringLiteral("Kategorien bearbeiten"));
}

void TImagesPage::PlaceEditor()
{
    m_editor->setGeometry(
        TCategoryEditor::PanelLeft, 0, std::max(0, width() - TCategoryEditor::PanelLeft), TCategoryEditor::PanelHeight);
    m_editor->raise();
}

void TImagesPage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceEditor();
}

} // namespace korvo
