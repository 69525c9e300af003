#include "ui/imagelist/ImageListView.h"

#include "ui/imagelist/ImageRowDelegate.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace korvo {

TImageListView::TImageListView(QWidget* parent)
    : QListView(parent)
{
    setObjectName(QStringLiteral("CImages"));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Dragging rows is done here, not by Qt's model-based dragging.
    setDragEnabled(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Menus open only where the page opens them, never as the list's own context menu.
    setContextMenuPolicy(Qt::PreventContextMenu);
    setMouseTracking(false);
}

void TImageListView::SetEmptyHint(const QString& hint)
{
    if (hint == m_emptyHint)
        return;
    m_emptyHint = hint;
    viewport()->update();
}

void TImageListView::paintEvent(QPaintEvent* event)
{
    QListView::paintEvent(event);
    if (m_dropRow >= 0 && model() != nullptr) {
        // The drop indicator: a line between two rows.
        const int rows = model()->rowCount();
        const QRect row = visualRect(model()->index(std::min(m_dropRow, rows - 1), 0));
        const int y = m_dropRow < rows ? row.top() : row.bottom() + 1;
        QPainter painter(viewport());
        painter.fillRect(QRect(0, y - 1, viewport()->width(), 3), palette().color(QPalette::Highlight));
    }
    if (m_emptyHint.isEmpty() || model() == nullptr || model()->rowCount() > 0)
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    painter.drawText(viewport()->rect().adjusted(24, 24, -24, -24), Qt::AlignCenter | Qt::TextWordWrap, m_emptyHint);
}

void TImageListView::mousePressEvent(QMouseEvent* event)
{
    const QPoint position = event->position().toPoint();
    m_mayDrag = false;
    if (event->button() == Qt::LeftButton) {
        // A press on the list picture of a row that is selected already may begin dragging the
        // selection (the rest of the row holds the click zones, which act on the selection at once).
        const QModelIndex pressed = indexAt(position);
        m_mayDrag = event->modifiers() == Qt::NoModifier && pressed.isValid() && selectionModel() != nullptr
            && selectionModel()->isSelected(pressed) && position.x() - visualRect(pressed).left() < DragHandleWidth;
        m_pressPosition = position;
        if (m_mayDrag) {
            selectionModel()->setCurrentIndex(pressed, QItemSelectionModel::NoUpdate);
            emit MouseDown(event->button(), position);
            return;
        }
        QListView::mousePressEvent(event);
        const QModelIndex index = indexAt(position);
        // A plain click on a row that is already selected leaves Qt's list waiting for the
        // release before it drops the other rows; the click zones must see the new selection now.
        if (index.isValid() && event->modifiers() == Qt::NoModifier && selectionModel() != nullptr
            && selectionModel()->selectedRows().size() != 1)
            selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    emit MouseDown(event->button(), position);
}

void TImageListView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_mayDrag) {
        // A plain click on a selected row that was no drag selects that row alone.
        m_mayDrag = false;
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid())
            selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        return;
    }
    if (event->button() == Qt::LeftButton)
        QListView::mouseReleaseEvent(event);
}

void TImageListView::mouseMoveEvent(QMouseEvent* event)
{
    // Dragging from a selected row moves the selection; from elsewhere it extends the selection.
    if (m_mayDrag && (event->buttons() & Qt::LeftButton)) {
        if ((event->position().toPoint() - m_pressPosition).manhattanLength() < QApplication::startDragDistance())
            return;
        m_mayDrag = false;
        auto* drag = new QDrag(this); // deleted by Qt when the drag ends
        auto* mime = new QMimeData; // owned by the drag
        mime->setData(QString::fromLatin1(RowsMimeType), QByteArray());
        drag->setMimeData(mime);
        drag->exec(Qt::MoveAction);
        return;
    }
    if (event->buttons() & Qt::LeftButton)
        QListView::mouseMoveEvent(event);
}

int TImageListView::DropRow(QPoint position) const
{
    if (model() == nullptr)
        return -1;
    const QModelIndex index = indexAt(position);
    if (!index.isValid())
        return model()->rowCount();
    const QRect row = visualRect(index);
    return index.row() + (position.y() >= row.center().y() ? 1 : 0);
}

void TImageListView::dragEnterEvent(QDragEnterEvent* event)
{
    // Files from the file manager are the window's; they pass on to it.
    if (!event->mimeData()->hasFormat(QString::fromLatin1(RowsMimeType))) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void TImageListView::dragMoveEvent(QDragMoveEvent* event)
{
    if (!event->mimeData()->hasFormat(QString::fromLatin1(RowsMimeType))) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    m_dropRow = DropRow(event->position().toPoint());
    viewport()->update();
}

void TImageListView::dragLeaveEvent(QDragLeaveEvent* event)
{
    m_dropRow = -1;
    viewport()->update();
    event->accept();
}

void TImageListView::dropEvent(QDropEvent* event)
{
    m_dropRow = -1;
    viewport()->update();
    if (!event->mimeData()->hasFormat(QString::fromLatin1(RowsMimeType))) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit RowsDropped(DropRow(event->position().toPoint()));
}

void TImageListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double-click has already arrived as a press of its own; only the
    // double-click itself is left to report.
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        emit RowDoubleClicked();
}

void TImageListView::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    if (event->key() == Qt::Key_Delete && modifiers == Qt::NoModifier) {
        emit DeletePressed();
        return;
    }
    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && modifiers == Qt::ControlModifier) {
        // Consumed, so the list does not also move its focus row.
        emit MovePressed(event->key() == Qt::Key_Up ? -1 : 1);
        return;
    }
    QListView::keyPressEvent(event);
}

} // namespace korvo
