#pragma once

// What an incremental album run keeps: a picture whose preview image and thumbnail the album's
// record says were made from the same file with the same settings under the same names, and
// are still there as written, is not made again. Anything in doubt means making it anew.

#include "fileio/AlbumRecord.h"
#include "model/Configuration.h"
#include "model/Datacore.h"

#include <optional>
#include <string>
#include <unordered_map>

namespace korvo {

// The hash of everything that reaches the bytes of one picture's preview image and thumbnail
// or their names: the program version, preprocessing, the turn, both image groups, whether a
// thumbnail is made, both record paths and whether their HiDPI twins are made.
std::string PictureSettingsHash(const Configuration& config, const TImageRecord& image, const std::string& previewPath,
    const std::string& thumbnailPath, bool doubled = false);

// The earlier record, looked up by picture and by file.
class TEarlierPictures {
public:
    // Empty without a record or when it is not verified. Both must outlive this.
    TEarlierPictures(const TFolder& album, const AlbumRecord* earlier);

    // The earlier picture when `wanted` (paths, settings, source and its identity filled in) may
    // be kept: everything equal, the sizes known, and both files (with `doubled` also their
    // HiDPI twins) still there as recorded.
    std::optional<AlbumRecordPicture> Kept(const AlbumRecordPicture& wanted, bool doubled = false) const;
    // The recorded stamp of a file the record lists.
    FileStamp StampOf(const std::string& path) const;

private:
    bool Intact(const std::string& path) const;

    const TFolder& m_album;
    std::unordered_map<std::string, const AlbumRecordPicture*> m_pictures;
    std::unordered_map<std::string, FileStamp> m_files;
};

} // namespace korvo
