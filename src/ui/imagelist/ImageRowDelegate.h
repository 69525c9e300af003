#pragma once

// Draws one row of the image list: the list picture on the left, a grey header band with the
// active check box, file name and date, then the path, the picture's info, the category and
// rotation with their menu arrows, and the description; a missing picture's row greyed.
// Everything comes from the model's roles; the delegate knows nothing of the image list itself.

#include "ui/window/Artwork.h"

#include <QStyledItemDelegate>

namespace korvo {

class TImageRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int RowHeight = 80;
    static constexpr QColor HeaderBand { 224, 224, 224 };
    // A missing picture's row: the field where its list picture would be, and its file name.
    static constexpr QColor MissingField { 240, 240, 240 };
    static constexpr QColor MissingName { 128, 128, 128 };
    // A picture left out of the album (inactive) is drawn this opaque over the row's background,
    // its texts in the colour of disabled text.
    static constexpr double InactiveOpacity = 0.4;

    TImageRowDelegate(const TArtwork& artwork, QObject* parent = nullptr);

    // The font for the rows: the given one, made smaller where needed (down to 8 pixels) so the
    // date and the longest rotation name fit into the room the row gives them at its right.
    static QFont FittingFont(QFont font);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const TArtwork& m_artwork;
};

} // namespace korvo
