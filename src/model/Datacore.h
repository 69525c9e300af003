#pragma once

// The image list: every picture the user added, with its category, rotation, description and
// active flag, in album order within each category, plus the category names.
//
// Invariant kept by the callers: the entries are sorted by category (stable, uncategorised
// entries first); every operation that changes categories or order ends with SortByCategory.

#include "model/Bitmap.h"
#include "model/Configuration.h"
#include "model/DateTime.h"
#include "model/EncodedPicture.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace korvo {

struct TImageRecord {
    // 106 × 80, drawn in the image list. Shared, not copied, by copies of the entry (the window's
    // undo history keeps earlier states of the list).
    std::shared_ptr<TBitmap> ListPicture;
    // Instead of ListPicture, a list picture that stays encoded until it is first drawn (one
    // taken from the acquisition cache); shared by copies of the entry the same way.
    std::shared_ptr<TEncodedPicture> EncodedListPicture;
    std::string FileName; // without its directory
    std::string Source; // the full path; identifies the entry
    std::string InfoText; // type, pixel size and camera model as shown in the list
    int Width = 0; // the file's pixel size, unturned; 0 when not known
    int Height = 0;
    bool Active = false;
    bool Marked = false; // selected in the image list control
    std::string Caption;
    TDateTime FileDate = 0;
    TDateTime ExifDate = 0;
    std::string DateText; // ExifDate as "dd.mm.yyyy hh:nn"
    int Rotate = 0; // 0 none, 1 90° clockwise, 2 180°, 3 90° counter-clockwise
    int Category = 0; // 0 none, k the k-th category
    int Number = 0; // 1-based position in the album, 0 when not in it
    int Prev = -1; // array index of the previous picture in album order
    int Next = -1; // array index of the next picture in album order
    int ThumbWidth = 0;
    int ThumbHeight = 0;
    // The file could not be read when the entry was loaded (moved, deleted, damaged): the entry
    // keeps the user's choices but has no list picture and no dates, and the album leaves it out.
    bool Missing = false;

    // The list picture to draw: ListPicture, else the encoded one, decoded now if it was not yet;
    // nullptr when the entry has none.
    const TBitmap* ShownListPicture() const
    {
        if (ListPicture)
            return ListPicture.get();
        return EncodedListPicture ? EncodedListPicture->Picture() : nullptr;
    }
};

// Display names of the four rotations, indexed by Rotate.
inline constexpr std::array<const char*, 4> RotationNames { "nicht drehen", "90° nach rechts", "180°",
    "90° nach links" };

// Sort keys: negative, 0 or positive for a before, equal to or after b.
using CompareFunction = int (*)(const TImageRecord& a, const TImageRecord& b);
// Full path byte by byte, the letters a to z counted as A to Z; a prefix comes first.
int CompareByName(const TImageRecord& a, const TImageRecord& b);
int CompareByFileDate(const TImageRecord& a, const TImageRecord& b);
int CompareByExifDate(const TImageRecord& a, const TImageRecord& b);

// The two-character row encoding of the image list control; indices 0 … 16383 survive it.
std::string EncodeIndex(int index);
int DecodeIndex(std::string_view text);

class TImageManager {
public:
    TImageManager() = default;
    TImageManager(const TImageManager&) = delete;
    TImageManager& operator=(const TImageManager&) = delete;
    TImageManager(TImageManager&&) = default;
    TImageManager& operator=(TImageManager&&) = default;
    // A copy of every entry (sharing their list pictures), the categories and the view: copies
    // are made only on purpose.
    TImageManager Clone() const { return TImageManager(*this, CloneTag {}); }

    // Entries. A pointer from GetImage is valid until entries are next added, removed or
    // reordered; nullptr for an index outside the list.
    int ImageCount() const { return static_cast<int>(m_images.size()); }
    TImageRecord* GetImage(int index);
    const TImageRecord* GetImage(int index) const;
    TImageRecord& AddImage();
    int FindBySource(std::string_view path) const;
    void ClearMarks();
    void MarkImage(int index);
    void DeleteMarked();

    void SortByCategory();
    void SortView(CompareFunction compare);
    void MoveMarkedUp();
    void MoveMarkedDown();
    // Takes the marked entries out, in their order, and puts them in front of entry `index`
    // (ImageCount(): at the end); the entries in between close up. Out of range: nothing.
    void MoveMarkedBefore(int index);

    // Numbers and chains the active pictures in album order; missing ones are left out as
    // inactive ones are.
    void BuildAlbumOrder(UncategorizedPlacement uncategorized);
    int FirstInAlbum() const { return m_firstInAlbum; }
    int AlbumCount() const { return m_albumCount; }
    // The missing pictures the last BuildAlbumOrder left out that would otherwise have had a place.
    int MissingLeftOut() const { return m_missingLeftOut; }
    // Entries whose file is missing.
    int MissingCount() const;

    // Categories, numbered from 1.
    int CategoryCount() const { return static_cast<int>(m_categories.size()); }
    // "(alle)" for −1, "(nicht zugeordnet)" for 0, the name for 1 … CategoryCount, else "".
    std::string GetCategoryName(int k) const;
    void SetCategoryName(int k, std::string_view name);
    void AddCategory(std::string_view name);
    bool SwapCategories(int a, int b);
    bool RemoveCategory(int k);
    // GetCategoryName(k) for k = first … CategoryCount.
    void ListCategories(int first, std::vector<std::string>& list) const;

    // View: the category the image list shows, −1 for all images.
    int ViewCategory() const { return m_viewCategory; }
    void SetViewCategory(int category) { m_viewCategory = category; }
    // The encoded rows of the view (at most 16384 entries are addressable this way).
    void FillView(std::vector<std::string>& list) const;
    // The same rows as plain array indices, for views of any length.
    std::vector<int> ViewRows() const;

private:
    struct CloneTag { };
    TImageManager(const TImageManager& other, CloneTag)
        : m_images(other.m_images)
        , m_categories(other.m_categories)
        , m_viewCategory(other.m_viewCategory)
        , m_firstInAlbum(other.m_firstInAlbum)
        , m_albumCount(other.m_albumCount)
        , m_missingLeftOut(other.m_missingLeftOut)
    {
    }
    bool InView(const TImageRecord& image) const;

    std::vector<TImageRecord> m_images;
    std::vector<std::string> m_categories;
    int m_viewCategory = -1;
    int m_firstInAlbum = -1;
    int m_albumCount = 0;
    int m_missingLeftOut = 0;
};

} // namespace korvo
