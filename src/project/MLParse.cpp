#include "project/MLParse.h"

#include "fileio/OpenFile.h"
#include "fileio/ReplacingFile.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <random>
#include <utility>

namespace korvo {

// ---------------------------------------------------------------------------------------------
// Escaping

void AppendEscaped(std::string& out, std::string_view text)
{
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char* entity = nullptr;
        switch (text[i]) {
        case '"':
            entity = "&quot;";
            break;
        case '&':
            entity = "&amp;";
            break;
        case '<':
            entity = "&lt;";
            break;
        case '>':
            entity = "&gt;";
            break;
        default:
            continue;
        }
        out.append(text, runStart, i - runStart);
        out += entity;
        runStart = i + 1;
    }
    out.append(text, runStart, text.size() - runStart);
}

std::string Escape(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    AppendEscaped(result, text);
    return result;
}

// Resolving the four entities in one left-to-right pass gives the same text as four replace-all
// passes in the order "&gt;", "&lt;", "&quot;", "&amp;": every entity starts at an "&" and holds
// no other "&", so matches never overlap, and the characters a pass puts in (">", "<", '"')
// cannot form an entity for a later pass. The "&" from "&amp;" is never looked at again, which
// is what makes "&amp;lt;" come out as "&lt;".
std::string Unescape(std::string_view text)
{
    std::size_t amp = text.find('&');
    if (amp == std::string_view::npos)
        return std::string(text);
    std::string result;
    result.reserve(text.size());
    std::size_t copied = 0;
    while (amp != std::string_view::npos) {
        const std::string_view rest = text.substr(amp + 1);
        char replacement = 0;
        std::size_t length = 0;
        if (rest.starts_with("gt;")) {
            replacement = '>';
            length = 4;
        } else if (rest.starts_with("lt;")) {
            replacement = '<';
            length = 4;
        } else if (rest.starts_with("quot;")) {
            replacement = '"';
            length = 6;
        } else if (rest.starts_with("amp;")) {
            replacement = '&';
            length = 5;
        }
        if (length == 0) {
            amp = text.find('&', amp + 1);
            continue;
        }
        result.append(text, copied, amp - copied);
        result += replacement;
        copied = amp + length;
        amp = text.find('&', copied);
    }
    result.append(text, copied, text.size() - copied);
    return result;
}

// ---------------------------------------------------------------------------------------------
// The tree

TMLTag::TMLTag(std::string name)
    : m_name(std::move(name))
{
}

std::unique_ptr<TMLTag> TMLTag::Create(std::string name) { return std::make_unique<TMLTag>(std::move(name)); }

// The default destructor would destroy a chain of children recursively, one stack frame per
// level, and a deep enough file would overflow the stack. Instead the subtree is taken apart
// from a list: each element is emptied of its children before it dies.
TMLTag::~TMLTag()
{
    if (m_children.empty())
        return;
    std::vector<std::unique_ptr<TMLTag>> pending = std::move(m_children);
    while (!pending.empty()) {
        std::unique_ptr<TMLTag> tag = std::move(pending.back());
        pending.pop_back();
        for (auto& child : tag->m_children)
            pending.push_back(std::move(child));
        tag->m_children.clear();
    }
}

void TMLTag::VisitSubtree(const std::function<void(TMLTag&)>& visit)
{
    std::vector<TMLTag*> pending { this };
    while (!pending.empty()) {
        TMLTag* tag = pending.back();
        pending.pop_back();
        visit(*tag);
        for (auto child = tag->m_children.rbegin(); child != tag->m_children.rend(); ++child)
            pending.push_back(child->get());
    }
}

void TMLTag::AddAttribute(std::string name, std::string value)
{
    m_attributes.push_back(TMLAttribute { std::move(name), std::move(value) });
}

const std::string& TMLTag::GetAttribute(std::string_view name) const
{
    static const std::string none;
    for (const TMLAttribute& attribute : m_attributes)
        if (attribute.Name == name)
            return attribute.Value;
    return none;
}

bool TMLTag::HasAttribute(std::string_view name) const
{
    return std::any_of(m_attributes.begin(), m_attributes.end(),
        [name](const TMLAttribute& attribute) { return attribute.Name == name; });
}

TMLTag& TMLTag::NewChild(std::string name)
{
    m_children.push_back(std::make_unique<TMLTag>(std::move(name)));
    return *m_children.back();
}

void TMLTag::AddChild(std::unique_ptr<TMLTag> child)
{
    if (child)
        m_children.push_back(std::move(child));
}

TMLTag* TMLTag::FindChild(std::string_view name) { return const_cast<TMLTag*>(std::as_const(*this).FindChild(name)); }

const TMLTag* TMLTag::FindChild(std::string_view name) const
{
    for (const auto& child : m_children)
        if (child->m_name == name)
            return child.get();
    return nullptr;
}

TMLTag* TMLTag::Child(int index) { return const_cast<TMLTag*>(std::as_const(*this).Child(index)); }

const TMLTag* TMLTag::Child(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_children.size())
        return nullptr;
    return m_children[static_cast<std::size_t>(index)].get();
}

// ---------------------------------------------------------------------------------------------
// The writer

std::string TMLTag::ToText(int level) const
{
    std::string text;
    AppendText(text, level);
    return text;
}

void TMLTag::AppendText(std::string& out, int level) const
{
    const std::size_t baseIndent = level > 0 ? static_cast<std::size_t>(level) : 0;

    // Writes the start tag; true when the element has children and so needs an end tag.
    const auto writeStart = [&out](const TMLTag& tag, std::size_t indent) {
        out.append(indent, ' ');
        out += '<';
        out += tag.m_name;
        for (const TMLAttribute& attribute : tag.m_attributes) {
            out += ' ';
            out += attribute.Name;
            out += "=\"";
            AppendEscaped(out, attribute.Value);
            out += '"';
        }
        if (tag.m_children.empty()) {
            out += " />\r\n";
            return false;
        }
        out += ">\r\n";
        return true;
    };

    // The open elements from this one down, each with the index of its next child to write;
    // element i of the list is indented by baseIndent + i.
    struct OpenTag {
        const TMLTag* Tag;
        std::size_t NextChild;
    };
    std::vector<OpenTag> open;
    if (writeStart(*this, baseIndent))
        open.push_back({ this, 0 });
    while (!open.empty()) {
        OpenTag& top = open.back();
        if (top.NextChild < top.Tag->m_children.size()) {
            const TMLTag& child = *top.Tag->m_children[top.NextChild++];
            if (writeStart(child, baseIndent + open.size()))
                open.push_back({ &child, 0 });
            continue;
        }
        out.append(baseIndent + open.size() - 1, ' ');
        out += "</";
        out += top.Tag->m_name;
        out += ">\r\n";
        open.pop_back();
    }
}

// ---------------------------------------------------------------------------------------------
// The reader

namespace {

    bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

    // Polynomial hashing modulo the prime 2^61 - 1, so that no family of texts collides for
    // every base (as it would modulo 2^64).
    __extension__ using UInt128 = unsigned __int128;
    constexpr std::uint64_t HashModulus = (std::uint64_t { 1 } << 61) - 1;

    std::uint64_t HashStep(std::uint64_t hash, char c, std::uint64_t base)
    {
        const UInt128 product = static_cast<UInt128>(hash) * base;
        std::uint64_t value = (static_cast<std::uint64_t>(product) & HashModulus)
            + static_cast<std::uint64_t>(product >> 61) + static_cast<unsigned char>(c) + 1;
        while (value >= HashModulus)
            value -= HashModulus;
        return value;
    }

    // Folds a text's hash and length into the 32-bit key the index sorts by.
    std::uint32_t KeyOf(std::uint64_t hash, std::size_t length)
    {
        std::uint64_t x = hash ^ (static_cast<std::uint64_t>(length) * 0x9E3779B97F4A7C15u);
        x ^= x >> 31;
        x *= 0xBF58476D1CE4E5B9u;
        x ^= x >> 27;
        x *= 0x94D049BB133111EBu;
        x ^= x >> 31;
        return static_cast<std::uint32_t>(x);
    }

    // A base unknown to whoever wrote the file, so that nobody can craft texts whose keys
    // collide. Collisions could only cost time: every hit is compared byte by byte.
    std::uint64_t RandomHashBase()
    {
        std::uint64_t base = 0x5DEECE66Du;
        try {
            std::random_device device;
            base = (static_cast<std::uint64_t>(device()) << 32) ^ device();
        } catch (const std::exception&) {
        }
        return base % (HashModulus - 256) + 256;
    }

    // A name is never empty and never starts with a blank, "!", "/" or "?".
    bool CanStartName(char c) { return !IsBlank(c) && c != '!' && c != '/' && c != '?'; }

    // Where the text holds "</" + name + ">" for any name, found once for the whole text.
    //
    // Every "</" at position s can only end an element whose name is exactly the text from s + 2
    // up to the first ">" after it, because names never contain ">". So each "</" is filed under
    // a key made from the hash of that text. Several "</" before the same ">" have nested texts;
    // hashing from the ">" backwards gives all of them in one go, so building takes time linear
    // in the text. Entries sit in buckets by key, ordered by key and position inside each
    // bucket, and a lookup is a binary search there.
    template <typename Position> class TEndTagIndex {
    public:
        explicit TEndTagIndex(std::string_view text)
            : m_text(text)
            , m_base(RandomHashBase())
        {
            // The runs of "</" that end at the same ">": where the first "</" stands and where
            // the ">" does. memchr keeps this quick, also in the sanitizer builds, which check
            // only the bytes it actually passes.
            std::vector<Run> runs;
            std::size_t bound = 0; // "</" pairs, at least as many as entries
            const char* data = text.data();
            for (std::size_t s = 0; s + 1 < text.size(); ++s) {
                const void* lt = std::memchr(data + s, '<', text.size() - 1 - s);
                if (lt == nullptr)
                    break;
                s = static_cast<std::size_t>(static_cast<const char*>(lt) - data);
                if (text[s + 1] != '/')
                    continue;
                ++bound;
                if (!runs.empty() && runs.back().End >= s + 2)
                    continue; // ends at the same ">" as the run before
                const void* gt = std::memchr(data + s + 2, '>', text.size() - s - 2);
                if (gt == nullptr)
                    break; // no ">" after this point: nothing later can be an end tag
                runs.push_back(
                    { static_cast<Position>(s), static_cast<Position>(static_cast<const char*>(gt) - data) });
            }
            // About 64 entries to a bucket: few enough buckets that filing entries into them stays
            // within the processor's caches even for a flood of "</".
            const std::size_t buckets = std::bit_ceil(std::max<std::size_t>(bound / 64, 1));
            m_mask = buckets - 1;

            // A counting sort in two passes over the entries, without a list of them in between:
            // the first counts per bucket, the second files each entry. Filled from its end with
            // entries that come from the end of the text, a bucket is already in text order; most
            // need no sorting by key after that.
            m_bucketStart.assign(buckets + 1, 0);
            ForEachEndTagBackwards(runs, [this](std::uint32_t key, std::size_t) { ++m_bucketStart[key & m_mask]; });
            Position sum = 0;
            for (std::size_t b = 0; b < buckets; ++b) {
                sum += m_bucketStart[b];
                m_bucketStart[b] = sum; // for now: where bucket b ends
            }
            m_bucketStart[buckets] = sum;
            m_entries.resize(sum);
            ForEachEndTagBackwards(runs, [this](std::uint32_t key, std::size_t at) {
                m_entries[--m_bucketStart[key & m_mask]] = Entry { key, static_cast<Position>(at) };
            });
            const auto byKeyAndPosition
                = [](const Entry& x, const Entry& y) { return x.Key < y.Key || (x.Key == y.Key && x.At < y.At); };
            for (std::size_t b = 0; b < buckets; ++b) {
                const auto first = m_entries.begin() + static_cast<std::ptrdiff_t>(m_bucketStart[b]);
                const auto last = m_entries.begin() + static_cast<std::ptrdiff_t>(m_bucketStart[b + 1]);
                if (!std::is_sorted(first, last, byKeyAndPosition))
                    std::sort(first, last, byKeyAndPosition);
            }
        }

        // The first position at or after `from` where "</" + name + ">" lies wholly before
        // `end`, or npos.
        std::size_t Find(std::string_view name, std::size_t from, std::size_t end) const
        {
            if (end < from || end - from < name.size() + 3)
                return std::string_view::npos;
            std::uint64_t hash = 0;
            for (std::size_t i = name.size(); i-- > 0;)
                hash = HashStep(hash, name[i], m_base);
            const std::uint32_t key = KeyOf(hash, name.size());
            const std::size_t bucket = key & m_mask;
            const auto bucketBegin = m_entries.begin() + static_cast<std::ptrdiff_t>(m_bucketStart[bucket]);
            const auto bucketEnd = m_entries.begin() + static_cast<std::ptrdiff_t>(m_bucketStart[bucket + 1]);
            const auto [first, last] = std::equal_range(bucketBegin, bucketEnd, key, ByKey {});
            auto it
                = std::lower_bound(first, last, from, [](const Entry& entry, std::size_t at) { return entry.At < at; });
            for (; it != last; ++it) {
                const std::size_t at = it->At;
                if (at + name.size() + 3 > end)
                    return std::string_view::npos; // later ones lie further out
                // Another text with the same key is possible, if unlikely: compare the bytes.
                if (m_text.compare(at + 2, name.size(), name) == 0 && m_text[at + 2 + name.size()] == '>')
                    return at;
            }
            return std::string_view::npos;
        }

    private:
        struct Entry {
            std::uint32_t Key;
            Position At;
        };
        struct ByKey {
            bool operator()(const Entry& entry, std::uint32_t key) const { return entry.Key < key; }
            bool operator()(std::uint32_t key, const Entry& entry) const { return key < entry.Key; }
        };

        struct Run {
            Position First; // the first "</"
            Position End; // the ">" that every name from a "</" of this run runs up to
        };

        // Calls file(key, position) for every "</" that could end an element, from the end of the
        // text to its start.
        template <typename File> void ForEachEndTagBackwards(const std::vector<Run>& runs, File&& file) const
        {
            for (std::size_t r = runs.size(); r-- > 0;) {
                const std::size_t first = runs[r].First;
                const std::size_t end = runs[r].End;
                std::uint64_t hash = 0;
                for (std::size_t i = end; i-- > first + 2;) {
                    hash = HashStep(hash, m_text[i], m_base);
                    if (m_text[i - 2] == '<' && m_text[i - 1] == '/' && CanStartName(m_text[i]))
                        file(KeyOf(hash, end - i), i - 2);
                }
            }
        }

        std::string_view m_text;
        std::uint64_t m_base;
        std::vector<Entry> m_entries;
        std::vector<Position> m_bucketStart;
        std::size_t m_mask = 0;
    };

    // Makes the element a start tag describes and appends it to `parent`. `text` is the tag's
    // text between "<" and ">" without the "/" of an empty element; it neither starts nor ends
    // with a blank and is not empty.
    TMLTag& ReadStartTag(std::string_view text, TMLTag& parent)
    {
        TMLTag* tag = nullptr;
        std::size_t start = 0;
        while (start < text.size()) {
            // A token ends at the first blank outside double quotes.
            bool quoted = false;
            std::size_t end = start;
            while (end < text.size() && (quoted || !IsBlank(text[end]))) {
                if (text[end] == '"')
                    quoted = !quoted;
                ++end;
            }
            const std::string_view token = text.substr(start, end - start);
            start = end + 1;
            while (start < text.size() && IsBlank(text[start]))
                ++start;

            if (tag == nullptr) {
                tag = &parent.NewChild(std::string(token));
                continue;
            }
            const std::size_t equals = token.find('=');
            if (equals == std::string_view::npos) {
                tag->AddAttribute(std::string(token), std::string(token));
                continue;
            }
            if (equals + 1 == token.size())
                continue; // "w=" adds nothing
            std::string_view value = token.substr(equals + 1);
            if (value.front() == '"' && token.back() == '"')
                value = value.size() >= 2 ? value.substr(1, value.size() - 2) : std::string_view {};
            tag->AddAttribute(std::string(token.substr(0, equals)), Unescape(value));
        }
        return *tag;
    }

    // The reader works on positions into the one text instead of copying what is left after
    // every element, and finds each element's end tag through the index instead of searching
    // the rest of the text again. The open elements are kept in a list, not on the call stack.
    //
    // A frame is the part of the text that one element's content (or the whole text) spans; the
    // reading inside a frame never looks beyond its end.
    template <typename Position> void ReadElements(TMLTag& root, std::string_view text)
    {
        const TEndTagIndex<Position> endTags(text);
        struct Frame {
            TMLTag* Parent;
            std::size_t Pos;
            std::size_t End;
        };
        std::vector<Frame> frames { Frame { &root, 0, text.size() } };
        const char* data = text.data();

        while (!frames.empty()) {
            Frame& frame = frames.back();
            const std::size_t length = frame.End - frame.Pos;
            const void* lt = std::memchr(data + frame.Pos, '<', length);
            const void* gt = std::memchr(data + frame.Pos, '>', length);
            // Without a "<", without a ">", or with a ">" first, this frame is read to its end.
            if (lt == nullptr || gt == nullptr || gt < lt) {
                frames.pop_back();
                continue;
            }
            const std::size_t p = static_cast<std::size_t>(static_cast<const char*>(lt) - data);
            const std::size_t q = static_cast<std::size_t>(static_cast<const char*>(gt) - data);

            std::size_t tagStart = p + 1;
            std::size_t tagEnd = q;
            while (tagStart < tagEnd && IsBlank(text[tagStart]))
                ++tagStart;
            while (tagEnd > tagStart && IsBlank(text[tagEnd - 1]))
                --tagEnd;
            // Comments, declarations, processing instructions and end tags nobody waits for.
            if (tagStart == tagEnd || text[tagStart] == '!' || text[tagStart] == '/' || text[tagStart] == '?') {
                frame.Pos = q + 1;
                continue;
            }
            const bool selfClosing = text[tagEnd - 1] == '/';
            if (selfClosing) {
                --tagEnd;
                while (tagEnd > tagStart && IsBlank(text[tagEnd - 1]))
                    --tagEnd;
            }

            TMLTag& tag = ReadStartTag(text.substr(tagStart, tagEnd - tagStart), *frame.Parent);
            if (selfClosing) {
                frame.Pos = q + 1;
                continue;
            }
            const std::string& name = tag.Name();
            const std::size_t close = endTags.Find(name, p, frame.End);
            if (close == std::string_view::npos) {
                frame.Pos = q + 1; // what follows becomes its siblings
                continue;
            }
            // An end tag may even end at this very ">" ("<x </x>"): then the content is empty.
            frame.Pos = close + name.size() + 3;
            if (q + 1 < close)
                frames.push_back(Frame { &tag, q + 1, close });
        }
    }

} // namespace

void TMLTag::ParseChildren(std::string_view text)
{
    if (text.empty())
        return; // an empty view may have no buffer at all to search
    if (text.size() <= UINT32_MAX)
        ReadElements<std::uint32_t>(*this, text);
    else
        ReadElements<std::uint64_t>(*this, text);
}

// ---------------------------------------------------------------------------------------------
// Files

bool TMLTag::LoadFromFile(const std::string& path, TFailure* failure)
{
    try {
        std::string text;
        if (!ReadWholeFile(path, MaxFileSize, text, failure))
            return false;
        // Read into a separate node first, so that a failure appends nothing.
        TMLTag document;
        document.ParseChildren(text);
        m_children.reserve(m_children.size() + document.m_children.size());
        for (auto& child : document.m_children)
            m_children.push_back(std::move(child));
        document.m_children.clear();
        return true;
    } catch (const std::exception&) {
        if (failure)
            *failure = { FailureReason::OutOfMemory, {} };
        return false;
    }
}

bool TMLTag::SaveToFile(const std::string& path) const
{
    try {
        // A save replaces the file a link points to, not the link, and is on the disk once it
        // reports success.
        return ReplaceFileContents(path, ToText(0), { .FollowLink = true, .Durable = true });
    } catch (const std::exception&) {
        return false; // out of memory
    }
}

} // namespace korvo
