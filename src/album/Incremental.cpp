#include "album/Incremental.h"

#include "fileio/ContentHash.h"
#include "imaging/OutputNames.h"
#include "model/Version.h"

namespace korvo {

std::string PictureSettingsHash(const Configuration& config, const TImageRecord& image, const std::string& previewPath,
    const std::string& thumbnailPath, bool doubled)
{
    using F = ConfigField;
    std::string text = std::string(ProgramVersion) + "\n";
    for (const ConfigField field :
        { F::MedianFilter, F::Equalize, F::EqualizeStrength, F::EqualizeMode, F::PreviewWidth, F::PreviewHeight,
            F::PreviewAspect, F::PreviewQuality, F::PreviewProgressive, F::ThumbnailWidth, F::ThumbnailHeight,
            F::ThumbnailAspect, F::ThumbnailQuality, F::ThumbnailProgressive, F::ThumbnailFrameSize })
        text.append(ConfigFieldName(field)).append("=").append(FieldText(config, field)).append("\n");
    text.append("Rotate=").append(IntToText(image.Rotate)).append("\n");
    // Paths may hold any byte but NUL: NUL ends each one.
    text.append(previewPath).append(1, '\0').append(thumbnailPath).append(1, '\0');
    if (doubled)
        text.append("@2x\n");
    return HashText(HashBytes(text));
}

TEarlierPictures::TEarlierPictures(const TFolder& album, const AlbumRecord* earlier)
    : m_album(album)
{
    if (!earlier || !earlier->Verified)
        return;
    for (const AlbumRecordFile& file : earlier->Files)
        m_files.emplace(file.Path, file.Stamp);
    for (const AlbumRecordPicture& picture : earlier->Pictures)
        m_pictures.emplace(picture.Preview, &picture);
}

std::optional<AlbumRecordPicture> TEarlierPictures::Kept(const AlbumRecordPicture& wanted, bool doubled) const
{
    const auto found = m_pictures.find(wanted.Preview);
    if (found == m_pictures.end())
        return std::nullopt;
    const AlbumRecordPicture& earlier = *found->second;
    const bool thumbnailKnown
        = wanted.Thumbnail.empty() || (earlier.ThumbWidth > 0 && earlier.ThumbHeight > 0 && Intact(wanted.Thumbnail));
    if (earlier.Thumbnail != wanted.Thumbnail || earlier.Settings != wanted.Settings || earlier.Source != wanted.Source
        || earlier.SourceIdentity.Stamp != wanted.SourceIdentity.Stamp
        || earlier.SourceIdentity.Inode != wanted.SourceIdentity.Inode || earlier.PreviewWidth <= 0
        || earlier.PreviewHeight <= 0 || !thumbnailKnown || !Intact(wanted.Preview))
        return std::nullopt;
    if (doubled
        && (!Intact(DoubledFileName(wanted.Preview))
            || (!wanted.Thumbnail.empty() && !Intact(DoubledFileName(wanted.Thumbnail)))))
        return std::nullopt;
    return earlier;
}

FileStamp TEarlierPictures::StampOf(const std::string& path) const
{
    const auto found = m_files.find(path);
    return found == m_files.end() ? FileStamp() : found->second;
}

bool TEarlierPictures::Intact(const std::string& path) const
{
    const auto found = m_files.find(path);
    return found != m_files.end() && IsAsRecorded(m_album, { path, found->second });
}

} // namespace korvo
