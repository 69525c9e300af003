#pragma once

// What acquisition learns about a picture file, kept between runs so that a file read once
// need not be decoded again while it stays the same. Acquisition only sees this interface; the
// store behind it (a database in the user's cache folder) lives in a layer above.
//
// Workers look pictures up (Find, from any thread); the thread that appends to the image list
// reports, item by item in list order, which ones it used (Used) and what it read anew (Store),
// and writes both at the end of the operation (Flush). A cache that fails in any way only ever
// means reading the file as without it.

#include "fileio/FileStamp.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvo {

struct TCachedPicture {
    // The type word of the info text ("JPEG ", "BMP ", …), kept as text so that a new type
    // needs no new way of storing it.
    std::string TypeWord;
    int Width = 0;
    int Height = 0;
    std::string ExifDateText; // as the EXIF data hold it, empty when there is none
    std::string Model;
    int ExifOrientation = 0;
    std::vector<std::uint8_t> ListPicture; // the list picture as a JPEG file; empty when not read
};

class IAcquireCache {
public:
    virtual ~IAcquireCache() = default;

    // The picture stored for `path` while its file still has `identity`; with `needListPicture`
    // only one stored with its list picture. Any thread.
    virtual bool Find(
        const std::string& path, const FileIdentity& identity, bool needListPicture, TCachedPicture& picture)
        = 0;
    // The thread that appends only. A picture found was used; a picture read anew is kept.
    virtual void Used(const std::string& path) = 0;
    virtual void Store(const std::string& path, const FileIdentity& identity, TCachedPicture picture) = 0;
    // Writes what Used and Store reported (they may write earlier, too).
    virtual void Flush() = 0;
    // What the log should say about the cache, once per operation: why it is not used, or that
    // it was damaged and built anew. Empty while all is well.
    virtual std::string Notice() const = 0;
};

} // namespace korvo
