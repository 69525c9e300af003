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

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_emptyHint;
};

} // namespace korvo
