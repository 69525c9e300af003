#pragma once

// The rows of the image list control as a Qt list model: one row per picture of the shown
// category, in list order, each standing for one entry of the image list by its plain array
// index (so lists of any length work). The model hands out everything a row shows through
// roles; the row delegate draws from those alone.
//
// The rows are rebuilt from the image list only by Reload, after every change of order or
// membership; in between they stay as they are, and data() answers nothing for an index that
// no longer exists.

#include "model/Datacore.h"

#include <QAbstractListModel>
#include <QCache>
#include <QPixmap>

#include <string>
#include <vector>

namespace korvo {

class TImageListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        PictureRole = Qt::UserRole + 1, // QPixmap, the 106 × 80 list picture turned as the entry's
                                        // rotation says (null when none)
        FileNameRole,
        SourceRole,
        InfoTextRole,
        ActiveRole, // bool
        CaptionRole,
        DateTextRole,
        CategoryNameRole,
        RotationNameRole,
        ImageIndexRole, // int, the entry's array index
        MissingRole, // bool: the picture's file could not be read; the row is shown greyed
    };

    // Converted list pictures kept at most; each is about 34 KB. Far more than a screen shows,
    // so scrolling back and forth converts nothing again.
    static constexpr int PictureCacheSize = 1024;

    explicit TImageListModel(const TImageManager& images, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Rebuilds the rows from the image list's view (its ViewCategory); views lose their
    // selection and focus row.
    void Reload();
    // The rows' contents changed in place (flags, rotations, descriptions, category names).
    void RowsChanged();
    // Entries may have been replaced (files added, a project loaded, the list emptied): the
    // converted pictures are dropped, since a new bitmap may sit where an old one was.
    void ForgetPictures() { m_pictures.clear(); }

    // The array index a row stands for, or −1 for a row outside the list.
    int ImageAt(int row) const;
    // The last row showing the entry, or −1.
    int RowOf(int image) const;
    const std::vector<int>& Rows() const { return m_rows; }

private:
    struct TCachedPicture {
        QPixmap Picture;
        std::string Source; // a second check that the bitmap still belongs to the same entry
        int Rotate = 0; // the turn it shows
    };

    QPixmap ListPicture(const TImageRecord& image) const;

    const TImageManager& m_images;
    std::vector<int> m_rows;
    mutable QCache<const TBitmap*, TCachedPicture> m_pictures;
};

} // namespace korvo
