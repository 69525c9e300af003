#pragma once

// The log page "Logbuch": the owner-drawn log list, the "-v" check box, the progress bar of the
// running operation, the abort button and, once a run has written an index page, "Album ansehen".

#include "model/Configuration.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <string>
#include <vector>

class QCheckBox;
class QProgressBar;
class QPushButton;

namespace korvo {

// `LogBox`: draws the lines of a run log, 13 pixels per line, each in the colour of its kind.
// Lines are only appended; the newest line is the current one and kept in view.
class TLogBox : public QAbstractScrollArea {
public:
    static constexpr int RowHeight = 13;

    TLogBox(const std::vector<std::string>& lines, QWidget* parent);

    // Lines were appended to the store: make the last the current line, scroll to it and, while
    // the list is visible, repaint at once (the operation holds the event loop meanwhile).
    void LineAppended();
    int CurrentLine() const { return m_current; }
    int FirstVisibleLine() const;

    // LogBoxDrawItem: one line into its rectangle.
    void DrawItem(QPainter& painter, int index, const QRect& rect) const;

    // The text of the current line, or of the whole log, as the list shows it (Ctrl+C and the
    // context menu put it on the clipboard).
    QString CopyText(bool wholeLog) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void UpdateScrollBars();
    void MakeCurrent(int line);

    const std::vector<std::string>& m_lines;
    int m_current = -1;
    int m_widest = 0; // the widest line drawn so far, in pixels, for the horizontal scroll bar
    std::size_t m_measured = 0; // the lines whose width m_widest holds
};

class TLogPage : public QWidget {
public:
    TLogPage(Configuration& config, const std::vector<std::string>& lines, QWidget* parent);

    TLogBox* LogBox() const { return m_logBox; }
    QPushButton* AbortButton() const { return m_abort; }
    QPushButton* ShowAlbumButton() const { return m_showAlbum; }
    QCheckBox* VerboseBox() const { return m_verbose; }

    void LineAppended(const std::string& line);
    void SetBusy(bool busy);
    // Offers "Album ansehen" from now on (hidden until the first index page is written; disabled
    // while an operation runs).
    void OfferAlbum();
    // Shows the "-v" state of the configuration.
    void Refresh();

private:
    Configuration& m_config;
    TLogBox* m_logBox;
    QCheckBox* m_verbose;
    QProgressBar* m_progress;
    QPushButton* m_abort;
    QPushButton* m_showAlbum;
    bool m_busy = false;
    // While an operation runs its lines come faster than anyone reads them: the list shows them
    // at most every ShowInterval, and the timer shows the last ones.
    static constexpr int ShowInterval = 25; // milliseconds
    void ShowLines();
    bool m_linesWaiting = false;
    QElapsedTimer m_shown;
    QTimer m_showTimer;
};

} // namespace korvo
