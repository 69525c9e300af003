#include "ui/ImageListView.h"

#include "ui/ImageRowDelegate.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace korvo {

TImageListView::TImageListView(QWidget* parent)
    : QListView(parent)
{
    setObjectName(QStringLiteral("CImages"));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
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
    if (m_emptyHint.isEmpty() || model() == nullptr || model()->rowCount() > 0)
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    painter.drawText(viewport()->rect().adjusted(24, 24, -24, -24), Qt::AlignCenter | Qt::TextWordWrap, m_emptyHint);
}

void TImageListView::mousePressEvent(QMouseEvent* event)
{
    const QPoint position = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
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
    if (event->button() == Qt::LeftButton)
        QListView::mouseReleaseEvent(event);
}

void TImageListView::mouseMoveEvent(QMouseEvent* event)
{
    // Dragging with the left button extends the selection; other buttons do nothing.
    if (event->buttons() & Qt::LeftButton)
        QListView::mouseMoveEvent(event);
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
