#include "ui/window/Preview.h"

#include "album/Core.h"
#include "imaging/AlbumPicture.h"
#include "imaging/Jpeg.h"
#include "imaging/OutputNames.h"
#include "ui/window/BitmapImage.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <utility>

namespace korvo {

std::optional<PreviewPicture> MakePreviewPicture(
    const TImageRecord& image, OutputImageKind kind, const Configuration& config, IClock& clock)
{
    const std::uint32_t start = clock.TickCount();
    // The album run's own work on the picture, so that the layout's way of making each size
    // holds here too; a thumbnail is made even where the album's mode makes none.
    TAlbumPictureJob job = AlbumPictureJob(image, BuildAlbumRunContext(config));
    job.MakeThumbnail = kind == OutputImageKind::ThumbnailImage;
    TPictureWorkspace workspace;
    const TAlbumPictureResult made = ProcessAlbumPicture(job, config, workspace);
    const TSizedPicture& file = job.MakeThumbnail ? made.Thumbnail : made.Preview;
    if (!made.Loaded || !file.Encoded)
        return std::nullopt;
    PreviewPicture picture;
    picture.Bitmap = DecodeJpegMemory(file.Jpeg.data(), file.Jpeg.size(), DctMethod::Float);
    picture.EncodedBytes = file.Jpeg.size();
    // Unsigned subtraction stays right across the counter's wrap-around.
    picture.Milliseconds = clock.TickCount() - start;
    if (!picture.Bitmap)
        return std::nullopt;
    return picture;
}

QString SecondsText(std::uint32_t milliseconds)
{
    std::uint64_t hundredths = milliseconds / 10;
    const std::uint32_t rest = milliseconds % 10;
    if (rest > 5 || (rest == 5 && hundredths % 2 == 1))
        ++hundredths;
    const std::uint64_t fraction = hundredths % 100;
    return QString::number(hundredths / 100) + u'.' + (fraction < 10 ? QStringLiteral("0") : QString())
        + QString::number(fraction);
}

QString PreviewCaption(
    const TImageRecord& image, OutputImageKind kind, const Configuration& config, const PreviewPicture& picture)
{
    const std::string& nameTemplate = kind == OutputImageKind::ThumbnailImage ? config.FileNames.Thumbnails.Template
                                                                              : config.FileNames.Preview.Template;
    const QString name = QString::fromStdString(BuildFileName(image.Number, nameTemplate, config.FileNames.Digits));
    return name + QStringLiteral(".jpg (") + QString::number(static_cast<qulonglong>(picture.EncodedBytes))
        + QStringLiteral(" Bytes, ") + QString::number(picture.Bitmap->Width()) + u'x'
        + QString::number(picture.Bitmap->Height()) + QStringLiteral(", ") + SecondsText(picture.Milliseconds)
        + QStringLiteral("s)");
}

QString PreviewHeading(int position, int count, const QString& fileName, qint64 bytes)
{
    const qint64 kilobytes = bytes > 0 ? std::max<qint64>(1, (bytes + 512) / 1024) : 0;
    return QStringLiteral("Bild %1 von %2 – %3, %4 KB – ").arg(position).arg(count).arg(fileName).arg(kilobytes);
}

// The drawing area PBX: the picture at its size, or stretched over the whole area by
// nearest-neighbour sampling.
class TPreviewForm::TPaintBox : public QWidget {
public:
    TPaintBox(const TPreviewForm& form, QWidget* parent)
        : QWidget(parent)
        , m_form(form)
    {
        setObjectName(QStringLiteral("PBX"));
        setCursor(Qt::ArrowCursor);
        setAttribute(Qt::WA_OpaquePaintEvent, false);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        const QImage& picture = m_form.Picture();
        if (picture.isNull())
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.setClipRect(event->rect());
        if (m_form.Zoom() == 0)
            painter.drawImage(0, 0, picture);
        else
            painter.drawImage(rect(), picture);
    }

private:
    const TPreviewForm& m_form;
};

TPreviewForm::TPreviewForm(QWidget* parent)
    : QWidget(parent,
        Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
            | Qt::WindowMaximizeButtonHint)
{
    setObjectName(QStringLiteral("PreviewForm"));
    setWindowTitle(QStringLiteral("Vorschau"));
    // Closing the main window ends the program, whether or not a preview is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFocusPolicy(Qt::StrongFocus);

    m_scroller = new QScrollArea(this);
    m_scroller->setObjectName(QStringLiteral("PreviewScroller"));
    m_scroller->setFrameShape(QFrame::NoFrame);
    m_scroller->setWidgetResizable(false);
    m_scroller->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pbx = new TPaintBox(*this, m_scroller);
    m_scroller->setWidget(m_pbx);
    m_pbx->hide();
    // Typed characters and the wheel reach the window before any of its controls.
    for (QWidget* child : std::initializer_list<QWidget*> { m_scroller, m_scroller->viewport(), m_pbx })
        child->installEventFilter(this);
    move(723, 107);
}

TPreviewForm::~TPreviewForm() = default;

QWidget* TPreviewForm::DrawingArea() const { return m_pbx; }

void TPreviewForm::ShowBitmap(const TBitmap& picture, const QString& text)
{
    QImage copy = ToQImage(picture);
    if (copy.isNull())
        return; // an earlier picture stays as it was
    m_picture = std::move(copy);
    SetZoom(0);
    m_pbx->show();
    // The client area is the picture's size: the scroller has no frame, so it is all viewport.
    const QSize client = m_picture.size();
    resize(client);
    FitToMonitor();
    m_scroller->setGeometry(rect());
    m_baseCaption = text;
    UpdateCaption();
    if (isVisible()) {
        update();
    } else {
        show();
        // Only a shown window knows its frame; fit once more with it.
        FitToMonitor();
    }
    activateWindow();
    m_scroller->setFocus(Qt::OtherFocusReason);
}

void TPreviewForm::SetHeading(const QString& heading)
{
    m_heading = heading;
    UpdateCaption();
}

void TPreviewForm::FitToMonitor()
{
    // The monitor the window is on: where its middle lies, else the one Qt placed it on.
    QScreen* monitor = QGuiApplication::screenAt(frameGeometry().center());
    if (monitor == nullptr)
        monitor = screen();
    if (monitor == nullptr)
        monitor = QGuiApplication::primaryScreen();
    if (monitor == nullptr)
        return;
    const QRect bounds = monitor->availableGeometry();
    // The frame is known only once the window has been shown; before that it counts as none.
    const QRect frame = frameGeometry();
    const int frameWidth = frame.width() - width();
    const int frameHeight = frame.height() - height();
    int left = frame.left();
    int top = frame.top();
    int outerWidth = width() + frameWidth;
    int outerHeight = height() + frameHeight;
    // Only ever moved left or up, and shrunk only when the window does not fit at all.
    if (left + outerWidth > bounds.left() + bounds.width()) {
        left = bounds.left() + bounds.width() - outerWidth;
        if (left < bounds.left()) {
            left = bounds.left();
            outerWidth = bounds.width();
        }
    }
    if (top + outerHeight > bounds.top() + bounds.height()) {
        top = bounds.top() + bounds.height() - outerHeight;
        if (top < bounds.top()) {
            top = bounds.top();
            outerHeight = bounds.height();
        }
    }
    move(left, top);
    resize(outerWidth - frameWidth, outerHeight - frameHeight);
}

void TPreviewForm::SetZoom(int zoom)
{
    m_zoom = std::clamp(zoom, MinZoom, MaxZoom);
    const int width = m_picture.width();
    const int height = m_picture.height();
    const QSize shown = m_zoom < 0 ? QSize(width / (1 - m_zoom), height / (1 - m_zoom))
                                   : QSize(width * (m_zoom + 1), height * (m_zoom + 1));
    m_pbx->resize(shown);
    m_pbx->update();
    UpdateCaption();
}

void TPreviewForm::UpdateCaption()
{
    const QString marker = m_zoom < 0 ? QStringLiteral(" [1:") + QString::number(1 - m_zoom) + u']'
                                      : QStringLiteral(" [") + QString::number(m_zoom + 1) + QStringLiteral(":1]");
    setWindowTitle(m_heading + m_baseCaption + marker);
}

bool TPreviewForm::FormKeyPress(const QKeyEvent& key)
{
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier) {
        switch (key.key()) {
        case Qt::Key_Escape:
            close();
            return true;
        case Qt::Key_Left:
        case Qt::Key_PageUp:
            emit StepRequested(-1);
            return true;
        case Qt::Key_Right:
        case Qt::Key_PageDown:
            emit StepRequested(1);
            return true;
        default:
            break;
        }
    }
    if (key.key() == Qt::Key_W && modifiers == Qt::ControlModifier) {
        close();
        return true;
    }
    const QString text = key.text();
    if (text == u"+")
        SetZoom(m_zoom + 1);
    else if (text == u"-")
        SetZoom(m_zoom - 1);
    else
        return false;
    return true;
}

bool TPreviewForm::FormMouseWheel(QWheelEvent* event)
{
    const int angle = event->angleDelta().y();
    if (angle == 0)
        return false;
    // A notch is 120; finer wheels and touchpads report parts of one, which add up.
    m_wheelRest += angle;
    const int notches = m_wheelRest / QWheelEvent::DefaultDeltasPerStep;
    m_wheelRest -= notches * QWheelEvent::DefaultDeltasPerStep;
    if (notches != 0)
        SetZoom(m_zoom + notches);
    return true;
}

bool TPreviewForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && FormKeyPress(*static_cast<QKeyEvent*>(event)))
        return true;
    if (event->type() == QEvent::Wheel && watched != m_scroller && FormMouseWheel(static_cast<QWheelEvent*>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

void TPreviewForm::keyPressEvent(QKeyEvent* event)
{
    if (!FormKeyPress(*event))
        QWidget::keyPressEvent(event);
}

void TPreviewForm::wheelEvent(QWheelEvent* event)
{
    if (!FormMouseWheel(event))
        QWidget::wheelEvent(event);
}

void TPreviewForm::closeEvent(QCloseEvent* event)
{
    // Hidden, not destroyed; the next preview brings a new picture.
    m_picture = QImage();
    m_pbx->hide();
    m_wheelRest = 0;
    event->accept();
}

void TPreviewForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // No layout: it would give the window a smallest size of its own, larger than a tiny
    // thumbnail.
    m_scroller->setGeometry(rect());
}

} // namespace korvo
