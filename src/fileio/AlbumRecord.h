#pragma once

// The album's record of its own files: a small hidden text file in the album folder that lists
// every file the album runs wrote there, with the size and modification time each had when it
// was written. Clearing the folder deletes only files that it lists and that are still exactly
// as listed; everything else in the folder is the user's. The format is described in
// docs/ALBUM-RECORD.md.

#include "fileio/FileStamp.h"
#include "fileio/Folder.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvo {

// The record's file name inside the album folder.
inline constexpr std::string_view AlbumRecordName = ".korvo2-album";
// Beside it while a run writes: the files written so far, one record line each, so that a run
// killed half-way still tells the next one which complete files are the album's.
inline constexpr std::string_view AlbumJournalName = ".korvo2-album-journal";

struct AlbumRecordFile {
    std::string Path; // relative to the album folder: "name" or "folder/name", "/" between
    FileStamp Stamp;

    bool operator==(const AlbumRecordFile&) const = default;
};

// One picture of the album as the run that made its preview image and thumbnail saw it: what
// was made from what, so that a later run can keep both when nothing that reaches them changed.
struct AlbumRecordPicture {
    std::string Preview; // the preview image's record path
    std::string Thumbnail; // the thumbnail's record path; empty when the mode makes none
    std::string Settings; // the hash of everything that reaches both files' bytes and names
    std::string Source; // the picture file, as the image list names it
    FileIdentity SourceIdentity; // the device is not recorded (it may change between mounts)
    int PreviewWidth = 0;
    int PreviewHeight = 0;
    int ThumbWidth = 0;
    int ThumbHeight = 0;

    bool operator==(const AlbumRecordPicture&) const = default;
};

struct AlbumRecord {
    std::vector<AlbumRecordFile> Files;
    std::vector<AlbumRecordPicture> Pictures {};
    // The record is exactly as a run wrote it (its check sum fits). The pictures of a record
    // that is not are never read: a damaged or hand-edited one only makes pictures anew.
    bool Verified = false;
    // A journal of a run that did not end was read into it: its files come after the record's
    // and replace their entries, and a picture with a file in it is no longer trusted.
    bool Journaled = false;
};

// Whether a path may stand in a record: a plain file name, or a plain folder name, "/" and a
// plain file name. A plain name is not empty, not "." or "..", and holds no "/" and no NUL.
bool IsAlbumRecordPath(std::string_view path);

// The record as text, files sorted by path.
std::string FormatAlbumRecord(const AlbumRecord& record);

// The record in the text; nullopt when the text is no record of a version this reader knows.
// A malformed line is skipped, and lines of unknown kinds and fields after the known ones are
// ignored, so that later versions can add to the format.
std::optional<AlbumRecord> ParseAlbumRecord(std::string_view text);

// The record in the album folder with the journal of an unfinished run, if any; nullopt when
// there is neither, each is no regular file (a link is not followed), too large, or no record.
std::optional<AlbumRecord> ReadAlbumRecord(const TFolder& album);

// Whether the file `path` of the record is still there exactly as recorded: a regular file of
// the recorded size and time, looked at never through a link (also for its folder).
bool IsAsRecorded(const TFolder& album, const AlbumRecordFile& file);

// The journal a run writes as it goes; removed once the run's record is in place.
class TAlbumJournal {
public:
    // Starts an empty journal in the album folder (never through a link); false when it cannot.
    bool Start(const TFolder& album);
    // Appends the file `path` (a record path) with its stamp. Never throws.
    void Add(std::string_view path, const FileStamp& stamp) noexcept;
    // Removes the journal.
    void Finish(const TFolder& album);

private:
    TFileDescriptor m_file;
};

// Replaces the record in the album folder (`albumDir` with or without a trailing "/") as a
// whole, through TReplacingFile.
bool WriteAlbumRecord(const std::string& albumDir, const AlbumRecord& record);

// The record after a run: every file the run wrote (`written`), and each file of the earlier
// record that the run did not write again and that is still there exactly as recorded (a
// regular file of the recorded size and time, looked at never through a link), so that a later
// clearing still knows it. The pictures are those of `written` alone.
AlbumRecord MergeAlbumRecord(const TFolder& album, const AlbumRecord& earlier, const AlbumRecord& written);

} // namespace korvo
