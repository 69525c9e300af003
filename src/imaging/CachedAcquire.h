#pragma once

// Acquisition through the cache of what earlier reads learnt (IAcquireCache): a file whose
// identity (size, modification time, device, inode) is unchanged is taken from the cache, any
// other file is read as without it and kept for next time. The entry, the log and the list come
// out as when every file is read anew; only the list picture has been through a JPEG encoding,
// which keeps it within a few levels of the freshly made one.

#include "imaging/Acquire.h"
#include "model/RunLog.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvo {

// ReadImageFile(path, options.Mode) through options.Cache, when there is one. Worker threads.
// A file that is not there, or not a regular file, is never taken from the cache.
TAcquiredImage ReadThroughCache(const std::string& path, const TAcquireOptions& options) noexcept;

// Reports to the cache, on the thread that appends and in list order, what ReadThroughCache
// gave for `path`: a picture taken from it, or one read anew to be kept.
void KeepInCache(const TAcquireOptions& options, const std::string& path, const TAcquiredImage& acquired);

// The list picture as the cache keeps it (a JPEG of high quality without chroma subsampling),
// and back; empty or nullptr on failure, and for anything but a 106 × 80 picture.
std::vector<std::uint8_t> EncodeListPicture(TBitmap& picture);
BitmapPtr DecodeListPicture(const std::vector<std::uint8_t>& bytes);

// The cache's part of a long operation: logs its notice (IAcquireCache::Notice) as a detail
// line at most once, at the start or when one arises by the end (Finish, which also writes
// what the operation reported).
class TCacheReport {
public:
    TCacheReport(const TAcquireOptions& options, IOperationHost& host);
    void Finish();

private:
    void LogNotice();

    IAcquireCache* m_cache;
    IOperationHost& m_host;
    bool m_logged = false;
};

} // namespace korvo
