#pragma once

// What the album run may delete when it clears its destination: only files that the album's
// record lists and that are still exactly as recorded (a regular file of the recorded size and
// modification time), with one of the album's extensions, directly in the album folder or in
// one of its own folders. Everything is looked up and removed through open folders, never
// through a link (neither a link of a file's name nor an own folder that is a link), so a link
// swapped in on the way cannot lead a deletion elsewhere. Folders, devices and pipes are never
// removed, and neither is the record itself.

#include "fileio/AlbumRecord.h"
#include "fileio/Folder.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvo {

// One folder the clearing step looks into.
struct ClearingFolder {
    std::string Name; // empty for the album folder itself, else an own folder directly inside it
    std::vector<std::string_view> Extensions; // with the dot, lower case; matched in any case
};

struct ClearingCount {
    int Deleted = 0; // recorded files removed (or, without deleting, that would be)
    // Files and links with one of the extensions that are not the recorded file of their name:
    // never listed, replaced by the user since, or a link. They stay.
    int Foreign = 0;
};

// Clears the folders of `album` by the record (none: nothing is the album's). With
// `deleteFiles` false nothing is removed and the count says what would be.
ClearingCount ClearRecordedFiles(const TFolder& album, const std::optional<AlbumRecord>& record,
    const std::vector<ClearingFolder>& folders, bool deleteFiles);

// The files of the earlier record that a run did not write again (`written`), removed by the
// same rules: still exactly as recorded, with one of the album's extensions, directly in the
// album folder or in a folder the earlier record names, never through a link. The number
// removed.
int RemoveUnwrittenFiles(const TFolder& album, const AlbumRecord& earlier, const AlbumRecord& written);

// Removes what a writer killed half-way left behind in the album folder and the folders
// directly inside it (never through a link): hidden files named as TReplacingFile names them
// whose process is gone. Only regular files; to be called only while the album folder's lock
// is held. The number removed.
int RemoveWriterLeftovers(const TFolder& album);

} // namespace korvo
