#include "ui/imagelist/ImageRowDelegate.h"

#include "model/Datacore.h"
#include "ui/imagelist/ImageListModel.h"

#include <QPainter>

namespace korvo {

namespace {

    // Texts are placed by their top-left corner. One that would run into the next item of its
    // line is cut short with an ellipsis at `right` (exclusive).
    void DrawText(QPainter& painter, const QFontMetrics& metrics, int x, int y, int right, const QString& text)
    {
        if (text.isEmpty() || right <= x)
            return;
        const int width = right - x;
        const QString shown
            = metrics.horizontalAdvance(text) > width ? metrics.elidedText(text, Qt::ElideRight, width) : text;
        painter.drawText(
            QRect(x, y, width, metrics.height()), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shown);
    }

} // namespace

TImageRowDelegate::TImageRowDelegate(const TArtwork& artwork, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_artwork(artwork)
{
}

QFont TImageRowDelegate::FittingFont(QFont font)
{
    auto fits = [](const QFont& candidate) {
        const QFontMetrics metrics(candidate);
        // The rotation name runs from R − 80, the date from R − 89; both keep 2 pixels free.
        for (const char* name : RotationNames)
            if (metrics.horizontalAdvance(QString::fromUtf8(name)) > 78)
                return false;
        return metrics.horizontalAdvance(QStringLiteral("00.00.0000 00:00")) <= 87;
    };
    if (font.pixelSize() <= 0)
        font.setPixelSize(QFontInfo(font).pixelSize());
    while (!fits(font) && font.pixelSize() > 8)
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

QSize TImageRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    // No width of its own: a row is as wide as the list.
    return { 0, RowHeight };
}

void TImageRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QRect& rect = option.rect;
    const int L = rect.left();
    const int T = rect.top();
    const int R = rect.left() + rect.width(); // exclusive, like the positions measured from it
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QPalette::ColorGroup group = !option.state.testFlag(QStyle::State_Enabled) ? QPalette::Disabled
        : option.state.testFlag(QStyle::State_Active)                                ? QPalette::Active
                                                                                     : QPalette::Inactive;

    painter->save();
    painter->setClipRect(rect);
    painter->setFont(option.font);
    const QFontMetrics metrics(option.font);

    // A missing picture's row is greyed: its texts in the colour of disabled text, a grey field
    // where the list picture would be, and a grey file name.
    const bool missing = index.data(TImageListModel::MissingRole).toBool();
    const bool dimmed = missing || !index.data(TImageListModel::ActiveRole).toBool();

    // 1. The background, and the text colour that goes with it.
    painter->fillRect(rect, option.palette.brush(group, selected ? QPalette::Highlight : QPalette::Base));
    painter->setPen(selected ? option.palette.color(group, QPalette::HighlightedText)
            : dimmed         ? option.palette.color(QPalette::Disabled, QPalette::Text)
                             : option.palette.color(group, QPalette::Text));

    // 2. The list picture.
    const QPixmap picture = index.data(TImageListModel::PictureRole).value<QPixmap>();
    if (!picture.isNull()) {
        painter->setOpacity(dimmed ? InactiveOpacity : 1.0);
        painter->drawPixmap(L, T, picture);
        painter->setOpacity(1.0);
    } else if (missing)
        painter->fillRect(QRect(L, T, 106, 80), MissingField);

    // 3. Path and picture info.
    DrawText(*painter, metrics, L + 109, T + 17, R, index.data(TImageListModel::SourceRole).toString());
    DrawText(*painter, metrics, L + 109, T + 33, R, index.data(TImageListModel::InfoTextRole).toString());

    // 4. and 5. Category and rotation, each behind the arrow that opens its menu.
    const QPixmap& arrow = selected ? m_artwork.ArrowWhite : m_artwork.ArrowBlack;
    painter->drawPixmap(L + 109, T + 54, arrow);
    DrawText(*painter, metrics, L + 118, T + 49, R - 91, index.data(TImageListModel::CategoryNameRole).toString());
    painter->drawPixmap(R - 89, T + 54, arrow);
    DrawText(*painter, metrics, R - 80, T + 49, R, index.data(TImageListModel::RotationNameRole).toString());

    // 6. The description.
    DrawText(*painter, metrics, L + 109, T + 65, R, index.data(TImageListModel::CaptionRole).toString());

    // 7. to 9. The header band with the check box, the file name and the date in black.
    painter->fillRect(QRect(L + 106, T, R - (L + 106), 16), HeaderBand);
    const bool active = index.data(TImageListModel::ActiveRole).toBool();
    painter->drawPixmap(L + 108, T + 1, active ? m_artwork.LcbChecked : m_artwork.LcbUnchecked);
    painter->setPen(missing ? MissingName : QColor(Qt::black));
    DrawText(*painter, metrics, L + 124, T + 1, R - 91, index.data(TImageListModel::FileNameRole).toString());
    DrawText(*painter, metrics, R - 89, T + 1, R, index.data(TImageListModel::DateTextRole).toString());

    if (option.state.testFlag(QStyle::State_HasFocus)) {
        // A dotted frame just inside the row, seen on the picture, the band and the colours of
        // a selected row alike.
        const QRectF frame = QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
        painter->setBrush(Qt::NoBrush);
        painter->setPen(QPen(Qt::white, 1));
        painter->drawRect(frame);
        QPen dots(Qt::black, 1, Qt::CustomDashLine);
        dots.setDashPattern({ 1, 1 });
        painter->setPen(dots);
        painter->drawRect(frame);
    }
    painter->restore();
}

} // namespace korvo
