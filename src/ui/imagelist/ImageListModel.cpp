#include "ui/imagelist/ImageListModel.h"

#include "imaging/Acquire.h"
#include "ui/window/BitmapImage.h"

#include <memory>

namespace korvo {

namespace {

    QString Text(const std::string& text) { return QString::fromStdString(text); }

} // namespace

TImageListModel::TImageListModel(const TImageManager& images, QObject* parent)
    : QAbstractListModel(parent)
    , m_images(images)
    , m_pictures(PictureCacheSize)
{
}

int TImageListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

Qt::ItemFlags TImageListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

QVariant TImageListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int imageIndex = ImageAt(index.row());
    const TImageRecord* image = m_images.GetImage(imageIndex);
    if (image == nullptr)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case FileNameRole:
        // The file name also serves keyboard search and screen readers.
        return Text(image->FileName);
    case Qt::ToolTipRole:
    case SourceRole:
        return Text(image->Source);
    case PictureRole:
        return ListPicture(*image);
    case InfoTextRole:
        return Text(image->InfoText);
    case ActiveRole:
        return image->Active;
    case CaptionRole:
        return Text(image->Caption);
    case DateTextRole:
        return Text(image->DateText);
    case CategoryNameRole:
        return Text(m_images.GetCategoryName(image->Category));
    case RotationNameRole:
        return image->Rotate >= 0 && image->Rotate < static_cast<int>(RotationNames.size())
            ? QString::fromUtf8(RotationNames[static_cast<std::size_t>(image->Rotate)])
            : QString();
    case ImageIndexRole:
        return imageIndex;
    case MissingRole:
        return image->Missing;
    default:
        return {};
    }
}

QPixmap TImageListModel::ListPicture(const TImageRecord& image) const
{
    const TBitmap* bitmap = image.ShownListPicture();
    if (bitmap == nullptr)
        return {};
    if (const TCachedPicture* cached = m_pictures.object(bitmap);
        cached && cached->Source == image.Source && cached->Rotate == image.Rotate)
        return cached->Picture;
    // A turned entry shows its picture turned; without a known size only the unturned one can be
    // shown.
    BitmapPtr turned;
    if (image.Rotate != 0)
        turned = MakeTurnedListPicture(*bitmap, image.Width, image.Height, image.Rotate);
    auto converted = std::make_unique<TCachedPicture>(
        QPixmap::fromImage(ToQImage(turned ? *turned : *bitmap)), image.Source, image.Rotate);
    const QPixmap picture = converted->Picture;
    m_pictures.insert(bitmap, converted.release()); // QCache takes ownership
    return picture;
}

void TImageListModel::Reload()
{
    beginResetModel();
    m_rows = m_images.ViewRows();
    endResetModel();
}

void TImageListModel::RowsChanged()
{
    if (!m_rows.empty())
        emit dataChanged(index(0), index(static_cast<int>(m_rows.size()) - 1));
}

int TImageListModel::ImageAt(int row) const
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return -1;
    return m_rows[static_cast<std::size_t>(row)];
}

int TImageListModel::RowOf(int image) const
{
    for (int row = static_cast<int>(m_rows.size()) - 1; row >= 0; --row)
        if (m_rows[static_cast<std::size_t>(row)] == image)
            return row;
    return -1;
}

} // namespace korvo
