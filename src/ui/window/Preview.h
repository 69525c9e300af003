#pragma once

// The preview window: a separate tool window that shows one picture exactly as the album will
// hold it (processed, scaled and JPEG-compressed with the album's settings, then decoded
// again), captioned with the output file name, the compressed size, the pixel size and the time
// the processing took. The picture can be zoomed in whole steps from 1:32 to 32:1, always
// without smoothing, so single pixels and compression artefacts stay visible.
//
// Created hidden at start-up and kept for the whole run; closing it hides it and drops the
// picture.

#include "imaging/Process.h"
#include "model/Bitmap.h"
#include "model/Configuration.h"
#include "model/Datacore.h"
#include "model/RunLog.h"

#include <QImage>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <optional>

class QScrollArea;

namespace korvo {

// A picture as the album will hold it, with what the caption tells about it.
struct PreviewPicture {
    BitmapPtr Bitmap;
    std::size_t EncodedBytes = 0;
    std::uint32_t Milliseconds = 0; // from before loading to after decoding
};

// The picture of the kind as the album run makes it for the current settings and layout
// (ProcessAlbumPicture), its file decoded again, timed with the clock. Nothing when any step
// fails.
std::optional<PreviewPicture> MakePreviewPicture(
    const TImageRecord& image, OutputImageKind kind, const Configuration& config, IClock& clock);

// Milliseconds as seconds with two decimals and a point: 1234 gives "1.23". A thousandth of
// exactly 5 goes to the even hundredth.
QString SecondsText(std::uint32_t milliseconds);

// "image007.jpg (51234 Bytes, 640x427, 0.35s)": the output name from the entry's album number
// and the kind's template, the encoded size, the decoded size and the time.
QString PreviewCaption(
    const TImageRecord& image, OutputImageKind kind, const Configuration& config, const PreviewPicture& picture);

// "Bild 3 von 30 – IMG_0003.jpg, 812 KB – ": where the picture stands among the rows of the
// list, its file and the file's size in kilobytes (rounded, at least 1 for a file that is not
// empty), ahead of the caption in the window's title.
QString PreviewHeading(int position, int count, const QString& fileName, qint64 bytes);

class TPreviewForm : public QWidget {
    Q_OBJECT

public:
    static constexpr int MinZoom = -31;
    static constexpr int MaxZoom = 31;

    explicit TPreviewForm(QWidget* parent = nullptr);
    ~TPreviewForm() override;

    // Shows a copy of the picture at 1:1 with the caption text, sized to the picture and fitted
    // to the monitor, and takes the keyboard focus.
    void ShowBitmap(const TBitmap& picture, const QString& text);
    // The text the title starts with, ahead of the caption (PreviewHeading); empty: none.
    void SetHeading(const QString& heading);
    // z ≥ 0 enlarges by z + 1, z < 0 reduces by 1 − z; clamped to −31 … 31.
    void SetZoom(int zoom);
    int Zoom() const { return m_zoom; }
    const QString& BaseCaption() const { return m_baseCaption; }
    bool HoldsPicture() const { return !m_picture.isNull(); }
    const QImage& Picture() const { return m_picture; }
    QWidget* DrawingArea() const;

signals:
    // ← / Bild↑ (−1) and → / Bild↓ (+1): the previous or next picture of the list.
    void StepRequested(int step);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class TPaintBox;

    void UpdateCaption();
    void FitToMonitor();
    // "+" and "-" zoom, Escape and Ctrl+W close, the arrows and page keys step through the list;
    // true when the key was one of them.
    bool FormKeyPress(const QKeyEvent& key);
    // One zoom step per notch; true when the wheel was used.
    bool FormMouseWheel(QWheelEvent* event);

    QScrollArea* m_scroller = nullptr;
    TPaintBox* m_pbx = nullptr;
    QImage m_picture; // the held picture; null when none
    int m_zoom = 0;
    int m_wheelRest = 0; // angle turned but not yet a whole notch
    QString m_baseCaption;
    QString m_heading;
};

} // namespace korvo
