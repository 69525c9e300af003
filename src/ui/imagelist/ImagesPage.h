#pragma once

// The page "Bilderliste": the image list as 80-pixel rows (CImages) with the category shown
// (CCategory), the page's menu (BImageMenu), the category editor (BEditCategories, PCatEdit),
// the description of the focused picture (EComment) and the buttons that move the selected
// pictures (BImageUp, BImageDown). Every edit goes straight into the image list; the rows are
// rebuilt from it after every change of order or membership.
//
// `Marked` is the bridge between the rows' selection and the image list: MarkSelection marks
// the pictures of the selected rows before an operation, SelectMarked selects their rows again
// afterwards.
//
// What lies beyond the page (the preview window, adding files, searching for missing pictures)
// is asked of the window through signals.

#include "imaging/Process.h"
#include "model/Datacore.h"
#include "ui/platform/Platform.h"
#include "ui/window/Artwork.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;

namespace korvo {

class TCategoryEditor;
class TImageListModel;
class TImageListView;
class TListHistory;
struct CategoryEdit;

class TImagesPage : public QWidget {
    Q_OBJECT

public:
    // What the list shows while it holds no pictures at all.
    static QString EmptyListHint();

    // Every change of the list goes through `history`, so that it can be undone.
    TImagesPage(TImageManager& images, TListHistory& history, const TArtwork& artwork, PlatformServices services,
        QWidget* parent);
    ~TImagesPage() override;

    TImageListView* ImageList() const { return m_list; }
    TImageListModel* Model() const { return m_model; }
    TCategoryEditor* CategoryEditor() const { return m_editor; }

    // The array index of the focused row's picture, or −1 when no row has the focus.
    int FocusedImage() const;
    // The row with the focus, or −1.
    int FocusedRow() const;
    // Makes a row the focus row without changing the selection, and scrolls it into view.
    void SetFocusedRow(int row);
    // Moves the focus and the selection to the row `step` rows on, as the arrow keys do; false
    // when there is no such row.
    bool StepFocus(int step);

    // What the window asks after a long operation: the files were added (the rows again, with
    // the new pictures selected), or a project was loaded (the categories and rows anew, all
    // pictures shown).
    void FilesAdded();
    void ProjectLoaded();

    // The handlers and operations of the page; public so the window, the tests and the
    // screenshots can drive them as the user would.
    void CCategoryChange();
    void CImagesMouseDown(Qt::MouseButton button, QPoint position);
    void CImagesClick(bool byProgram);
    void CImagesDelete();
    // Selected rows dropped in front of `row`: the selected pictures of the category there move,
    // in their order, to that place.
    void MoveSelectionTo(int row);
    void BImageUpClick();
    void BImageDownClick();
    void BImageMenuClick();
    void BEditCategoriesClick();
    void MSortByNameClick();
    void MSortByDateClick();
    void MSortByEXIFClick();
    void MAddImagesClick();
    // "Fehlende Bilder suchen …": asks for the folder to search.
    void MFindMissingClick();
    void MResetClick();
    // The image menu's check of "Zwischenspeicher verwenden", as the window stored it.
    void SetCacheUsed(bool used) { m_cacheUsed = used; }
    bool CacheUsed() const { return m_cacheUsed; }
    void MRotateClick(int rotate);
    void CategoryItemClick(int category);
    void NewCategoryClick();
    void CommitComment(int step);
    void ECommentEscape();
    // Keeps a description the user typed into EComment for its picture, without moving on: when
    // the field loses the focus, another picture gets it, or the window needs the list as it is.
    void KeepComment();
    // "Rückgängig" and "Wiederholen" of the list's changes; not while the category editor is open.
    void Undo();
    void Redo();
    // Undo or redo has put an earlier state of the list back.
    void ListRestored();
    bool EditingCategories() const { return m_editingCategories; }
    // Asked before "Zurücksetzen" empties the list, after its own confirmation; false stops it.
    // The window asks there whether unsaved work is to be saved.
    void SetDiscardCheck(std::function<bool()> check) { m_mayDiscard = std::move(check); }

    void MarkSelection();
    void SelectMarked();
    void RememberAnchor();
    void RestoreAnchor();
    const std::string& AnchorSource() const { return m_anchorSource; }
    const std::string& CommentTarget() const { return m_commentTarget; }

signals:
    void PreviewRequested(OutputImageKind kind);
    void AddFilesRequested(const QStringList& paths);
    void FindMissingRequested(const QString& folder);
    // "Zwischenspeicher verwenden" was checked or unchecked; "Zwischenspeicher leeren" chosen.
    void CacheUseChanged(bool used);
    void ClearCacheRequested();
    // The rows were shown anew or changed in place, which every edit of the list ends with.
    void ListEdited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void SortBy(CompareFunction compare, const QString& text);
    // MarkSelection, move the marked pictures one place, and select them again.
    void MoveSelection(bool up);
    void OpenCategoryMenu(int image, const QRect& row);
    void OpenRotationMenu(int image, const QRect& row);
    // Refills CCategory with "(alle)", "(nicht zugeordnet)" and the names, showing `entry`.
    void FillCategoryBox(int entry);
    void CategoriesEdited(const CategoryEdit& edit);
    void CategoryEditorClosed();
    void SetEditing(bool editing);
    // Whether each row is selected, in one pass over the selection.
    std::vector<bool> SelectedRows() const;
    // The pictures of the selected rows, in row order.
    std::vector<int> SelectedImages() const;
    void PlaceEditor();

    TImageManager& m_images;
    TListHistory& m_history;
    PlatformServices m_services;
    bool m_cacheUsed = true;

    TImageListModel* m_model = nullptr;
    TImageListView* m_list = nullptr;
    QPushButton* m_menuButton = nullptr;
    QComboBox* m_category = nullptr;
    QPushButton* m_editCategories = nullptr;
    QLineEdit* m_comment = nullptr;
    QPushButton* m_up = nullptr;
    QPushButton* m_down = nullptr;
    TCategoryEditor* m_editor = nullptr;
    std::unique_ptr<QMenu> m_categoryMenu; // rebuilt at every opening
    std::function<bool()> m_mayDiscard;
    bool m_editingCategories = false;

    std::string m_commentTarget; // Source of the picture whose description EComment shows
    std::string m_anchorSource; // Source of the picture the focus returns to after a change
};

} // namespace korvo
