#pragma once

// The image list control CImages: a list of 80-pixel rows with extended selection (click,
// Ctrl-click, Shift-click) and one focus row, the current index, that may differ from the
// selection. It behaves like the list control the page was drawn for, where Qt's list differs:
// a left click selects at the press (Qt waits for the release when the row was selected), and
// the other buttons leave the selection alone. Clicks, double-clicks and the page's keys are
// passed on as requests; the page decides what they do.

#include <QListView>

namespace korvo {

class TImageListView : public QListView {
    Q_OBJECT

public:
    explicit TImageListView(QWidget* parent = nullptr);

    // The text shown in the middle of the list while it has no rows; empty: none.
    void SetEmptyHint(const QString& hint);
    const QString& EmptyHint() const { return m_emptyHint; }

signals:
    // Any mouse button went down at a point of the viewport, after the list's own selection
    // handling.
    void MouseDown(Qt::MouseButton button, QPoint position);
    // A left double-click on a row.
    void RowDoubleClicked();
    void DeletePressed();
    // Ctrl+Up (−1) or Ctrl+Down (+1).
    void MovePressed(int step);
    // Selected rows were dragged and dropped in front of `row` (the row count: behind the last).
    void RowsDropped(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

public:
    // The format of a drag of rows inside the list.
    static constexpr const char* RowsMimeType = "application/x-korvo2-rows";
    // Rows are dragged by their list picture, the left 106 pixels.
    static constexpr int DragHandleWidth = 106;
    // The row a drop at a point of the viewport goes in front of: the nearer edge of the row
    // under it.
    int DropRow(QPoint position) const;

private:
    QString m_emptyHint;
    QPoint m_pressPosition; // where a left press on a selected row began a possible drag
    bool m_mayDrag = false;
    int m_dropRow = -1; // where the drop indicator stands; −1: none
};

} // namespace korvo
