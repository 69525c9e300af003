#include "ui/imagelist/CategoryEditor.h"

#include "ui/platform/Platform.h"
#include "ui/window/Artwork.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvo {

namespace {

    QString Text(const std::string& text) { return QString::fromStdString(text); }

} // namespace

int CategoryEdit::Follow(int category) const
{
    switch (What) {
    case Kind::Swap:
        return category == First ? Second : category == Second ? First : category;
    case Kind::Remove:
        return category == First ? 0 : category > First ? category - 1 : category;
    case Kind::Rename:
    case Kind::Add:
        break;
    }
    return category;
}

TCategoryEditor::TCategoryEditor(TImageManager& images, IMessageBoxes& boxes, QWidget* parent)
    : QFrame(parent)
    , m_images(images)
    , m_boxes(boxes)
{
    setObjectName(QStringLiteral("PCatEdit"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
    setAutoFillBackground(true);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("CatList"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setFixedHeight(141);

    const struct {
        const char* Caption;
        const char* Name;
        ButtonIcon Icon;
        void (TCategoryEditor::*Click)();
    } buttons[] = {
        { "Schließen", "BCatClose", ButtonIcon::Close, &TCategoryEditor::BCatCloseClick },
        { "Oben", "BCatUp", ButtonIcon::Up, &TCategoryEditor::BCatUpClick },
        { "Unten", "BCatDown", ButtonIcon::Down, &TCategoryEditor::BCatDownClick },
        { "Ändern", "BCatRename", ButtonIcon::Rename, &TCategoryEditor::BCatRenameClick },
        { "Löschen", "BCatRemove", ButtonIcon::Remove, &TCategoryEditor::BCatRemoveClick },
        { "Neu", "BCatAdd", ButtonIcon::Add, &TCategoryEditor::BCatAddClick },
    };
    auto* column = new QVBoxLayout;
    column->setSpacing(3);
    column->setContentsMargins(0, 0, 0, 0);
    QWidget* previous = m_list;
    for (const auto& entry : buttons) {
        auto* button = new QPushButton(MakeButtonIcon(entry.Icon), QString::fromUtf8(entry.Caption), this);
        button->setObjectName(QString::fromLatin1(entry.Name));
        // Six buttons share the list's height.
        button->setFixedSize(92, 21);
        button->setIconSize(QSize(16, 16));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, entry.Click);
        column->addWidget(button);
        setTabOrder(previous, button);
        previous = button;
    }
    column->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->setSpacing(5);
    layout->addWidget(m_list, 1, Qt::AlignTop);
    layout->addLayout(column);
    hide();
}

void TCategoryEditor::Refill()
{
    std::vector<std::string> names;
    m_images.ListCategories(1, names);
    m_list->clear();
    for (const std::string& name : names)
        m_list->addItem(Text(name));
    m_list->setCurrentRow(-1);
    m_list->clearSelection();
}

void TCategoryEditor::Open()
{
    Refill();
    m_changed = false;
    show();
    raise();
    m_list->setFocus();
}

int TCategoryEditor::SelectedRow() const
{
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    return selected.isEmpty() ? -1 : m_list->row(selected.constFirst());
}

void TCategoryEditor::SelectRow(int row)
{
    if (row >= 0 && row < m_list->count())
        m_list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void TCategoryEditor::Changed(CategoryEdit edit, int selectRow)
{
    m_changed = true;
    Refill();
    SelectRow(selectRow);
    emit Edited(edit);
}

void TCategoryEditor::BCatUpClick()
{
    const int i = SelectedRow();
    if (i < 0 || !m_images.SwapCategories(i + 1, i))
        return;
    Changed({ CategoryEdit::Kind::Swap, i + 1, i }, i - 1);
}

void TCategoryEditor::BCatDownClick()
{
    const int i = SelectedRow();
    if (i < 0 || !m_images.SwapCategories(i + 1, i + 2))
        return;
    Changed({ CategoryEdit::Kind::Swap, i + 1, i + 2 }, i + 1);
}

void TCategoryEditor::BCatRenameClick()
{
    const int i = SelectedRow();
    if (i < 0)
        return;
    const QString name = Text(m_images.GetCategoryName(i + 1));
    // Cancel gives back the preset: the name stays, but it still counts as a change.
    const QString answer = m_boxes.InputText(QStringLiteral("Kategorienname ändern"),
        QStringLiteral("Neuer Name für die Kategorie »") + name + QStringLiteral("«:"), name);
    m_images.SetCategoryName(i + 1, answer.toStdString());
    Changed({ CategoryEdit::Kind::Rename, i + 1, 0 }, i);
}

void TCategoryEditor::BCatRemoveClick()
{
    const int i = SelectedRow();
    if (i < 0)
        return;
    const QString name = Text(m_images.GetCategoryName(i + 1));
    const QString question = QStringLiteral("Kategorie »") + name + QStringLiteral("« wirklich löschen?\r\r")
        + QStringLiteral("Bilder, die dieser Kategorie angehören,\r")
        + QStringLiteral("werden als nicht zugewiesen markiert!");
    if (!m_boxes.Confirm(question) || !m_images.RemoveCategory(i + 1))
        return;
    Changed({ CategoryEdit::Kind::Remove, i + 1, 0 }, i);
}

void TCategoryEditor::BCatAddClick()
{
    const QString answer = m_boxes.InputText(
        QStringLiteral("Kategorie hinzufügen"), QStringLiteral("Name für die neue Kategorie:"), QString());
    if (answer.isEmpty())
        return;
    m_images.AddCategory(answer.toStdString());
    Changed({ CategoryEdit::Kind::Add, m_images.CategoryCount(), 0 }, m_images.CategoryCount() - 1);
}

void TCategoryEditor::BCatCloseClick()
{
    hide();
    emit Closed();
}

} // namespace korvo
