#include "model/Datacore.h"

#include "model/TextRules.h"

#include <algorithm>
#include <utility>

namespace korvo {

namespace {

    unsigned char FoldAsciiCase(char c)
    {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
    }

    int CompareDates(TDateTime a, TDateTime b) { return a < b ? -1 : a > b ? 1 : 0; }

} // namespace

int CompareByName(const TImageRecord& a, const TImageRecord& b)
{
    const std::string& x = a.Source;
    const std::string& y = b.Source;
    const std::size_t common = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < common; ++i) {
        const int difference = FoldAsciiCase(x[i]) - FoldAsciiCase(y[i]);
        if (difference != 0)
            return difference;
    }
    return x.size() < y.size() ? -1 : x.size() > y.size() ? 1 : 0;
}

int CompareByFileDate(const TImageRecord& a, const TImageRecord& b) { return CompareDates(a.FileDate, b.FileDate); }

int CompareByExifDate(const TImageRecord& a, const TImageRecord& b) { return CompareDates(a.ExifDate, b.ExifDate); }

std::string EncodeIndex(int index)
{
    std::string text(2, '\0');
    text[0] = static_cast<char>(index % 128 + 128);
    text[1] = static_cast<char>(index / 128 % 128 + 128);
    return text;
}

int DecodeIndex(std::string_view text)
{
    if (text.size() < 2)
        return -1;
    return static_cast<unsigned char>(text[0]) % 128 + 128 * (static_cast<unsigned char>(text[1]) % 128);
}

TImageRecord* TImageManager::GetImage(int index)
{
    if (index < 0 || index >= ImageCount())
        return nullptr;
    return &m_images[static_cast<std::size_t>(index)];
}

const TImageRecord* TImageManager::GetImage(int index) const
{
    if (index < 0 || index >= ImageCount())
        return nullptr;
    return &m_images[static_cast<std::size_t>(index)];
}

TImageRecord& TImageManager::AddImage() { return m_images.emplace_back(); }

int TImageManager::FindBySource(std::string_view path) const
{
    for (int i = 0; i < ImageCount(); ++i)
        if (m_images[static_cast<std::size_t>(i)].Source == path)
            return i;
    return -1;
}

void TImageManager::ClearMarks()
{
    for (TImageRecord& image : m_images)
        image.Marked = false;
}

void TImageManager::MarkImage(int index)
{
    if (TImageRecord* image = GetImage(index))
        image->Marked = true;
}

void TImageManager::DeleteMarked()
{
    std::erase_if(m_images, [](const TImageRecord& image) { return image.Marked; });
}

void TImageManager::SortByCategory()
{
    // A stable sort gives the same order as exchanging neighbours whose categories are in
    // strictly wrong order, and does so in n log n.
    std::stable_sort(m_images.begin(), m_images.end(),
        [](const TImageRecord& a, const TImageRecord& b) { return a.Category < b.Category; });
}

void TImageManager::SortView(CompareFunction compare)
{
    int first = 0;
    int last = ImageCount() - 1;
    if (m_viewCategory >= 0) {
        int firstFound = -1;
        int lastFound = -1;
        for (int i = 0; i < ImageCount(); ++i) {
            if (m_images[static_cast<std::size_t>(i)].Category == m_viewCategory) {
                if (firstFound < 0)
                    firstFound = i;
                lastFound = i;
            }
        }
        first = firstFound >= 0 ? firstFound : 0;
        last = lastFound >= 0 ? lastFound : ImageCount() - 1;
    }
    if (last <= first)
        return;
    // The exchange order decides where equal keys end up, so it is kept exactly; it runs on a
    // table of positions, so an exchange moves two numbers instead of two records. Sorting by
    // name compares each path folded once to upper case, which orders exactly as
    // CompareByName does (std::string compares bytes as unsigned, as CompareByName does).
    const std::size_t count = static_cast<std::size_t>(last - first + 1);
    std::vector<int> order(count);
    for (std::size_t k = 0; k < count; ++k)
        order[k] = first + static_cast<int>(k);
    std::vector<std::string> folded;
    if (compare == CompareByName) {
        folded.resize(m_images.size());
        for (int k = first; k <= last; ++k)
            folded[static_cast<std::size_t>(k)] = ToUpperAscii(m_images[static_cast<std::size_t>(k)].Source);
    }
    auto after = [&](int a, int b) {
        if (!folded.empty())
            return folded[static_cast<std::size_t>(a)].compare(folded[static_cast<std::size_t>(b)]) > 0;
        return compare(m_images[static_cast<std::size_t>(a)], m_images[static_cast<std::size_t>(b)]) > 0;
    };
    for (std::size_t i = 0; i + 1 < count; ++i)
        for (std::size_t j = i + 1; j < count; ++j)
            if (after(order[i], order[j]))
                std::swap(order[i], order[j]);

    std::vector<TImageRecord> sorted;
    sorted.reserve(count);
    for (int index : order)
        sorted.push_back(std::move(m_images[static_cast<std::size_t>(index)]));
    std::move(sorted.begin(), sorted.end(), m_images.begin() + first);
}

void TImageManager::MoveMarkedUp()
{
    int start = 1;
    if (m_viewCategory >= 0) {
        for (int i = 0; i < ImageCount(); ++i) {
            if (m_images[static_cast<std::size_t>(i)].Category == m_viewCategory) {
                start = i + 1;
                break;
            }
        }
    }
    for (int i = start; i < ImageCount(); ++i) {
        auto& current = m_images[static_cast<std::size_t>(i)];
        auto& previous = m_images[static_cast<std::size_t>(i - 1)];
        if (current.Marked && !previous.Marked)
            std::swap(current, previous);
    }
}

void TImageManager::MoveMarkedBefore(int index)
{
    if (index < 0 || index > ImageCount())
        return;
    const auto place = m_images.begin() + index;
    // In front of the place the marked entries gather at its end, behind it at its start.
    std::stable_partition(m_images.begin(), place, [](const TImageRecord& image) { return !image.Marked; });
    std::stable_partition(place, m_images.end(), [](const TImageRecord& image) { return image.Marked; });
}

void TImageManager::MoveMarkedDown()
{
    int end = ImageCount() - 2;
    if (m_viewCategory >= 0) {
        for (int i = ImageCount() - 1; i >= 1; --i) {
            if (m_images[static_cast<std::size_t>(i)].Category == m_viewCategory) {
                end = i - 1;
                break;
            }
        }
    }
    for (int i = end; i >= 0; --i) {
        auto& current = m_images[static_cast<std::size_t>(i)];
        auto& following = m_images[static_cast<std::size_t>(i + 1)];
        if (current.Marked && !following.Marked)
            std::swap(current, following);
    }
}

void TImageManager::BuildAlbumOrder(UncategorizedPlacement uncategorized)
{
    for (TImageRecord& image : m_images) {
        image.Number = 0;
        image.Prev = -1;
        image.Next = -1;
        image.ThumbWidth = 0;
        image.ThumbHeight = 0;
    }
    m_firstInAlbum = -1;

    const int count = ImageCount();
    int start = 0;
    if (uncategorized != UncategorizedPlacement::AtStart) {
        start = count;
        for (int i = 0; i < count; ++i) {
            if (m_images[static_cast<std::size_t>(i)].Category >= 1) {
                start = i;
                break;
            }
        }
    }

    int n = 0;
    int previous = -1;
    m_missingLeftOut = 0;
    auto append = [&](int index) {
        TImageRecord& image = m_images[static_cast<std::size_t>(index)];
        if (!image.Active)
            return;
        if (image.Missing) {
            ++m_missingLeftOut;
            return;
        }
        image.Number = ++n;
        if (previous < 0)
            m_firstInAlbum = index;
        else
            m_images[static_cast<std::size_t>(previous)].Next = index;
        image.Prev = previous;
        previous = index;
    };
    for (int i = start; i < count; ++i)
        append(i);
    if (uncategorized == UncategorizedPlacement::AtEnd)
        for (int i = 0; i < start; ++i)
            append(i);
    m_albumCount = n;
}

int TImageManager::MissingCount() const
{
    return static_cast<int>(
        std::count_if(m_images.begin(), m_images.end(), [](const TImageRecord& image) { return image.Missing; }));
}

std::string TImageManager::GetCategoryName(int k) const
{
    if (k == -1)
        return "(alle)";
    if (k == 0)
        return "(nicht zugeordnet)";
    if (k >= 1 && k <= CategoryCount())
        return m_categories[static_cast<std::size_t>(k - 1)];
    return "";
}

void TImageManager::SetCategoryName(int k, std::string_view name)
{
    if (k >= 1 && k <= CategoryCount())
        m_categories[static_cast<std::size_t>(k - 1)] = name;
}

void TImageManager::AddCategory(std::string_view name) { m_categories.emplace_back(name); }

bool TImageManager::SwapCategories(int a, int b)
{
    if (a < 1 || a > CategoryCount() || b < 1 || b > CategoryCount() || a == b)
        return false;
    std::swap(m_categories[static_cast<std::size_t>(a - 1)], m_categories[static_cast<std::size_t>(b - 1)]);
    for (TImageRecord& image : m_images) {
        if (image.Category == a)
            image.Category = b;
        else if (image.Category == b)
            image.Category = a;
    }
    return true;
}

bool TImageManager::RemoveCategory(int k)
{
    if (k < 1 || k > CategoryCount())
        return false;
    m_categories.erase(m_categories.begin() + (k - 1));
    for (TImageRecord& image : m_images) {
        if (image.Category == k)
            image.Category = 0;
        else if (image.Category > k)
            --image.Category;
    }
    return true;
}

void TImageManager::ListCategories(int first, std::vector<std::string>& list) const
{
    list.clear();
    for (int k = first; k <= CategoryCount(); ++k)
        list.push_back(GetCategoryName(k));
}

bool TImageManager::InView(const TImageRecord& image) const
{
    return m_viewCategory < 0 || image.Category == m_viewCategory;
}

void TImageManager::FillView(std::vector<std::string>& list) const
{
    list.clear();
    for (int i = 0; i < ImageCount(); ++i)
        if (InView(m_images[static_cast<std::size_t>(i)]))
            list.push_back(EncodeIndex(i));
}

std::vector<int> TImageManager::ViewRows() const
{
    std::vector<int> rows;
    for (int i = 0; i < ImageCount(); ++i)
        if (InView(m_images[static_cast<std::size_t>(i)]))
            rows.push_back(i);
    return rows;
}

} // namespace korvo
