#include "ui/pages/LogPage.h"

#include "model/MessageKinds.h"
#include "model/RunLog.h"
#include "ui/window/Artwork.h"

#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace korvo {

namespace {

    QString Shown(const std::string& line)
    {
        const std::string_view shown = ShownText(line);
        return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
    }

} // namespace

TLogBox::TLogBox(const std::vector<std::string>& lines, QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_lines(lines)
{
    setObjectName(QStringLiteral("LogBox"));
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setSingleStep(RowHeight);
    horizontalScrollBar()->setSingleStep(20);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    for (const std::string& line : m_lines)
        m_widest = std::max(m_widest, fontMetrics().horizontalAdvance(Shown(line)) + 4);
    m_measured = m_lines.size();
    m_current = static_cast<int>(m_lines.size()) - 1;
    UpdateScrollBars();
}

void TLogBox::LineAppended()
{
    for (; m_measured < m_lines.size(); ++m_measured)
        m_widest = std::max(m_widest, fontMetrics().horizontalAdvance(Shown(m_lines[m_measured])) + 4);
    UpdateScrollBars();
    MakeCurrent(static_cast<int>(m_lines.size()) - 1);
    if (isVisible())
        viewport()->repaint();
}

int TLogBox::FirstVisibleLine() const { return verticalScrollBar()->value() / RowHeight; }

void TLogBox::DrawItem(QPainter& painter, int index, const QRect& rect) const
{
    // No separate look for the current line: every line is drawn alike.
    painter.fillRect(rect, palette().color(QPalette::Base));
    if (index < 0 || index >= static_cast<int>(m_lines.size()))
        return;
    const std::string& line = m_lines[static_cast<std::size_t>(index)];
    if (line.empty())
        return;
    const MessageKind& kind = KindOfMessage(line.front());
    if (kind.Colour == MessageColour::WindowText)
        painter.setPen(palette().color(QPalette::Text));
    else
        painter.setPen(QColor(kind.Window.Red, kind.Window.Green, kind.Window.Blue));
    const QRect textRect = rect.adjusted(2, 0, 0, 0);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, Shown(line));
}

void TLogBox::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const int width = std::max(viewport()->width(), m_widest);
    const int x = -horizontalScrollBar()->value();
    const int offset = verticalScrollBar()->value();
    const int first = offset / RowHeight;
    const int count = static_cast<int>(m_lines.size());
    for (int index = first; index < count; ++index) {
        const int top = index * RowHeight - offset;
        if (top >= viewport()->height())
            break;
        DrawItem(painter, index, QRect(x, top, width, RowHeight));
    }
    const int drawnBottom = (count - first) * RowHeight - (offset - first * RowHeight);
    if (drawnBottom < viewport()->height())
        painter.fillRect(QRect(0, std::max(0, drawnBottom), viewport()->width(), viewport()->height()),
            palette().color(QPalette::Base));
}

void TLogBox::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void TLogBox::UpdateScrollBars()
{
    const int total = static_cast<int>(m_lines.size()) * RowHeight;
    QScrollBar* vertical = verticalScrollBar();
    vertical->setPageStep(std::max(RowHeight, viewport()->height() / RowHeight * RowHeight));
    vertical->setRange(0, std::max(0, total - viewport()->height()));
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setPageStep(viewport()->width());
    horizontal->setRange(0, std::max(0, m_widest - viewport()->width()));
}

void TLogBox::MakeCurrent(int line)
{
    if (m_lines.empty())
        return;
    m_current = std::clamp(line, 0, static_cast<int>(m_lines.size()) - 1);
    const int top = m_current * RowHeight;
    QScrollBar* vertical = verticalScrollBar();
    if (top < vertical->value())
        vertical->setValue(top);
    else if (top + RowHeight > vertical->value() + viewport()->height())
        vertical->setValue(top + RowHeight - viewport()->height());
}

void TLogBox::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        QGuiApplication::clipboard()->setText(CopyText(false));
        return;
    }
    const int page = std::max(1, viewport()->height() / RowHeight);
    switch (event->key()) {
    case Qt::Key_Up:
        MakeCurrent(m_current - 1);
        break;
    case Qt::Key_Down:
        MakeCurrent(m_current + 1);
        break;
    case Qt::Key_PageUp:
        MakeCurrent(m_current - page);
        break;
    case Qt::Key_PageDown:
        MakeCurrent(m_current + page);
        break;
    case Qt::Key_Home:
        MakeCurrent(0);
        break;
    case Qt::Key_End:
        MakeCurrent(static_cast<int>(m_lines.size()) - 1);
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    viewport()->update();
}

void TLogBox::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    const int line = (event->position().toPoint().y() + verticalScrollBar()->value()) / RowHeight;
    if (line < static_cast<int>(m_lines.size()))
        m_current = line;
}

QString TLogBox::CopyText(bool wholeLog) const
{
    if (!wholeLog)
        return m_current >= 0 && m_current < static_cast<int>(m_lines.size())
            ? Shown(m_lines[static_cast<std::size_t>(m_current)])
            : QString();
    QStringList shown;
    for (const std::string& line : m_lines)
        shown << Shown(line);
    return shown.join(u'\n');
}

void TLogBox::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    QAction* line = menu.addAction(QStringLiteral("Zeile kopieren"));
    line->setEnabled(m_current >= 0);
    QAction* all = menu.addAction(QStringLiteral("Logbuch kopieren"));
    QAction* chosen = menu.exec(event->globalPos());
    if (chosen == line || chosen == all)
        QGuiApplication::clipboard()->setText(CopyText(chosen == all));
}

TLogPage::TLogPage(Configuration& config, const std::vector<std::string>& lines, QWidget* parent)
    : QWidget(parent)
    , m_config(config)
{
    setObjectName(QStringLiteral("PLog"));
    m_logBox = new TLogBox(lines, this);
    m_verbose = new QCheckBox(QStringLiteral("-v"), this);
    m_verbose->setObjectName(QStringLiteral("CVerbose"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("POperationProgress"));
    m_showTimer.setSingleShot(true);
    connect(&m_showTimer, &QTimer::timeout, this, &TLogPage::ShowLines);
    m_progress->setTextVisible(false);
    m_progress->setFixedSize(140, 8);
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_progress->hide();
    m_abort = new QPushButton(MakeButtonIcon(ButtonIcon::Abort), QStringLiteral("Vorgang abbrechen"), this);
    m_abort->setObjectName(QStringLiteral("BAbortOp"));
    m_abort->setEnabled(false);
    m_showAlbum = new QPushButton(MakeButtonIcon(ButtonIcon::Browse), QStringLiteral("Album ansehen"), this);
    m_showAlbum->setObjectName(QStringLiteral("BShowAlbum"));
    m_showAlbum->hide();

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(8);
    bottom->addWidget(m_verbose);
    bottom->addStretch(1);
    bottom->addWidget(m_progress);
    bottom->addWidget(m_showAlbum);
    bottom->addWidget(m_abort);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(52, 6, 6, 6);
    layout->setSpacing(6);
    layout->addWidget(m_logBox, 1);
    layout->addLayout(bottom);

    connect(m_verbose, &QCheckBox::toggled, this, [this](bool checked) { m_config.Verbose = checked; });
    Refresh();
}

void TLogPage::LineAppended(const std::string& line)
{
    // The bar repaints itself, at once, whenever what it shows changes.
    if (const auto position = ParseItemPosition(line); position && m_busy) {
        m_progress->setRange(0, position->Count);
        m_progress->setValue(position->Index);
    }
    m_linesWaiting = true;
    const qint64 since = m_shown.isValid() ? m_shown.elapsed() : ShowInterval;
    if (!m_busy || since >= ShowInterval)
        ShowLines();
    else if (!m_showTimer.isActive())
        m_showTimer.start(static_cast<int>(ShowInterval - since));
}

void TLogPage::ShowLines()
{
    m_showTimer.stop();
    if (!m_linesWaiting)
        return;
    m_linesWaiting = false;
    m_logBox->LineAppended();
    m_shown.start();
}

void TLogPage::SetBusy(bool busy)
{
    ShowLines();
    m_shown.invalidate();
    m_busy = busy;
    m_abort->setEnabled(busy);
    m_showAlbum->setEnabled(!busy);
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_progress->setVisible(busy);
}

void TLogPage::OfferAlbum()
{
    m_showAlbum->setEnabled(!m_busy);
    m_showAlbum->show();
}

void TLogPage::Refresh()
{
    if (m_verbose->isChecked() != m_config.Verbose)
        m_verbose->setChecked(m_config.Verbose);
}

} // namespace korvo
