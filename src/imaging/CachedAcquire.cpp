#include "imaging/CachedAcquire.h"

#include "fileio/CacheFiles.h"
#include "imaging/Jpeg.h"

#include <filesystem>

namespace korvo {

namespace {

    // High enough that a list picture from the cache stays within a few levels of a fresh one,
    // low enough for about 5 KB a picture.
    constexpr int ListPictureQuality = 92;

    bool ListPictureSize(const std::vector<std::uint8_t>& bytes, int& width, int& height)
    {
        return !bytes.empty() && ReadJpegSizeMemory(bytes.data(), bytes.size(), width, height)
            && width == ListPictureWidth && height == ListPictureHeight;
    }

    // The entry a cached picture gives, as ReadImageFile would have filled it; the file date
    // follows from the identity (the time zone may have changed since it was stored).
    bool FromCache(
        TCachedPicture& cached, const FileIdentity& identity, const TAcquireOptions& options, TAcquiredImage& out)
    {
        if (options.Mode == AcquireMode::ListPicture) {
            // Unshown or deferred, the list picture is only checked to be one, which tells that
            // the file was once read in full; deferred, the window decodes it when it draws it.
            int width = 0;
            int height = 0;
            if (options.ShowListPicture && !options.DeferListPicture) {
                if (!(out.ListPicture = DecodeListPicture(cached.ListPicture)))
                    return false;
            } else if (!ListPictureSize(cached.ListPicture, width, height)) {
                return false;
            } else if (options.ShowListPicture) {
                out.EncodedListPicture
                    = std::make_shared<TEncodedPicture>(std::move(cached.ListPicture), &DecodeListPicture);
            }
        }
        out.TypeWord = std::move(cached.TypeWord);
        out.Width = cached.Width;
        out.Height = cached.Height;
        out.ExifDateText = std::move(cached.ExifDateText);
        out.Model = std::move(cached.Model);
        out.ExifOrientation = cached.ExifOrientation;
        FileDateFromSeconds(identity.Stamp.Seconds, out.FileDate);
        FinishAcquiredImage(out);
        out.Read = true;
        out.FromCache = true;
        return true;
    }

    // A project may list relative paths; the cache knows every file by its absolute one.
    std::string CacheKeyPath(const std::string& path)
    {
        if (path.starts_with('/'))
            return path;
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(path, error);
        return error ? std::string() : absolute.string();
    }

} // namespace

std::vector<std::uint8_t> EncodeListPicture(TBitmap& picture)
{
    std::vector<std::uint8_t> bytes;
    if (picture.Width() != ListPictureWidth || picture.Height() != ListPictureHeight
        || !EncodeJpegMemory(picture, ListPictureQuality, false, bytes, true))
        bytes.clear();
    return bytes;
}

BitmapPtr DecodeListPicture(const std::vector<std::uint8_t>& bytes)
{
    // The size is checked before decoding: a blob from a hostile database may claim any size.
    int width = 0;
    int height = 0;
    if (!ListPictureSize(bytes, width, height))
        return nullptr;
    BitmapPtr picture = DecodeJpegMemory(bytes.data(), bytes.size(), DctMethod::Float);
    if (!picture || picture->Width() != ListPictureWidth || picture->Height() != ListPictureHeight)
        return nullptr;
    return picture;
}

TAcquiredImage ReadThroughCache(const std::string& path, const TAcquireOptions& options) noexcept
{
    if (!options.Cache || FileTypeOf(path) == ImageFileType::Unknown)
        return ReadImageFile(path, options.Mode);
    // The identity is taken before the file is read: a file changed while it is read is kept
    // under its old identity, so the next look finds it changed and reads it again.
    std::optional<FileIdentity> identity;
    try {
        const std::string key = CacheKeyPath(path);
        if (!key.empty())
            identity = RegularFileIdentity(path);
        if (identity) {
            TCachedPicture cached;
            TAcquiredImage out;
            if (options.Cache->Find(key, *identity, options.Mode == AcquireMode::ListPicture, cached)
                && FromCache(cached, *identity, options, out))
                return out;
        }
    } catch (...) {
        // Memory ran out on the way: read the file as without the cache.
        identity.reset();
    }
    TAcquiredImage out = ReadImageFile(path, options.Mode);
    // A damaged picture is not kept: read anew each time, it reports its damage each time, with
    // the cache as without it.
    if (out.Read && identity && out.Damage == FailureReason::None) {
        try {
            if (out.ListPicture)
                out.CacheListPicture = EncodeListPicture(*out.ListPicture);
            if (out.ListPicture == nullptr || !out.CacheListPicture.empty())
                out.CacheIdentity = identity;
        } catch (...) {
            out.CacheListPicture.clear();
        }
    }
    return out;
}

void KeepInCache(const TAcquireOptions& options, const std::string& path, const TAcquiredImage& acquired)
{
    if (!options.Cache || !acquired.Read)
        return;
    const std::string key = CacheKeyPath(path);
    if (key.empty())
        return;
    if (acquired.FromCache) {
        options.Cache->Used(key);
    } else if (acquired.CacheIdentity) {
        TCachedPicture picture { acquired.TypeWord, acquired.Width, acquired.Height, acquired.ExifDateText,
            acquired.Model, acquired.ExifOrientation, acquired.CacheListPicture };
        options.Cache->Store(key, *acquired.CacheIdentity, std::move(picture));
    }
}

TCacheReport::TCacheReport(const TAcquireOptions& options, IOperationHost& host)
    : m_cache(options.Cache)
    , m_host(host)
{
    LogNotice();
}

void TCacheReport::Finish()
{
    if (!m_cache)
        return;
    m_cache->Flush();
    LogNotice();
}

void TCacheReport::LogNotice()
{
    if (!m_cache || m_logged)
        return;
    const std::string notice = m_cache->Notice();
    if (notice.empty())
        return;
    m_host.Log("_" + notice);
    m_logged = true;
}

} // namespace korvo
