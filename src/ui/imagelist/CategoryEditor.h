#pragma once

// The category editor PCatEdit: a panel over the top right of the image list page with the
// category names (CatList) and six buttons to close, move up, move down, rename, delete and add.
// Every button acts on the image list at once and reports what it did, so the page can keep the
// list in category order and its rows and drop-down up to date while the editor is open.

#include "model/Datacore.h"

#include <QFrame>

class QListWidget;
class QPushButton;

namespace korvo {

class IMessageBoxes;

// What one button changed, for those who follow category numbers across the change.
struct CategoryEdit {
    enum class Kind { Swap, Rename, Remove, Add };
    Kind What = Kind::Rename;
    int First = 0; // Swap: the two categories exchanged; Remove: the category removed
    int Second = 0;

    // Where a category number points after the change (0 for the removed category).
    int Follow(int category) const;
};

class TCategoryEditor : public QFrame {
    Q_OBJECT

public:
    static constexpr int PanelLeft = 202;
    static constexpr int PanelHeight = 153;

    TCategoryEditor(TImageManager& images, IMessageBoxes& boxes, QWidget* parent);

    // Fills the list anew, clears the change flag and shows the panel.
    void Open();
    // Fills the list anew with no row selected (the image list was replaced while open).
    void Refill();
    bool CategoriesChanged() const { return m_changed; }
    // The selected row, or −1.
    int SelectedRow() const;
    void SelectRow(int row);

    void BCatCloseClick();
    void BCatUpClick();
    void BCatDownClick();
    void BCatRenameClick();
    void BCatRemoveClick();
    void BCatAddClick();

signals:
    // A button changed the categories; the list is not yet back in category order.
    void Edited(CategoryEdit edit);
    // The panel was hidden.
    void Closed();

private:
    void Changed(CategoryEdit edit, int selectRow);

    TImageManager& m_images;
    IMessageBoxes& m_boxes;
    bool m_changed = false;
    QListWidget* m_list = nullptr;
};

} // namespace korvo
