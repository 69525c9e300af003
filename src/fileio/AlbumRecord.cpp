#include "fileio/AlbumRecord.h"

#include "fileio/ContentHash.h"
#include "fileio/OpenFile.h"
#include "fileio/ReplacingFile.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include <fcntl.h>
#include <unistd.h>

namespace korvo {

namespace {

    constexpr std::string_view Signature = "korvo2-album-record";
    constexpr std::string_view Version = "1";
    constexpr std::string_view FileKind = "file";
    constexpr std::string_view PictureKind = "picture";
    // JPEG's largest side.
    constexpr int MaxSide = 65535;
    // Far beyond any album (some 60 bytes a file): a larger file is no record of ours.
    constexpr std::size_t MaxRecordSize = 256u << 20;

    bool IsPlainName(std::string_view name)
    {
        return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos
            && name.find('\0') == std::string_view::npos;
    }

    // Control characters, and "%" itself, go as "%" and two hex digits, so that a path never
    // breaks a line or a field.
    void AppendEncoded(std::string& text, std::string_view path)
    {
        static constexpr char Hex[] = "0123456789ABCDEF";
        for (const char c : path) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x20 || byte == 0x7F || c == '%') {
                text += '%';
                text += Hex[byte >> 4];
                text += Hex[byte & 0xF];
            } else {
                text += c;
            }
        }
    }

    int HexValue(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    }

    std::optional<std::string> Decoded(std::string_view field)
    {
        std::string path;
        path.reserve(field.size());
        for (std::size_t i = 0; i < field.size(); ++i) {
            const auto byte = static_cast<unsigned char>(field[i]);
            if (byte < 0x20 || byte == 0x7F)
                return std::nullopt; // the writer encodes these: the line was changed or cut
            if (field[i] != '%') {
                path += field[i];
                continue;
            }
            const int high = i + 2 < field.size() ? HexValue(field[i + 1]) : -1;
            const int low = i + 2 < field.size() ? HexValue(field[i + 2]) : -1;
            if (high < 0 || low < 0)
                return std::nullopt;
            path += static_cast<char>(high * 16 + low);
            i += 2;
        }
        return path;
    }

    // Digits only, as the writer writes them: no sign, no blanks, no overflow.
    template <typename Number> std::optional<Number> Digits(std::string_view text)
    {
        Number value {};
        if (text.empty() || text.front() < '0' || text.front() > '9')
            return std::nullopt;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size())
            return std::nullopt;
        return value;
    }

    std::optional<FileStamp> ParseStamp(std::string_view size, std::string_view time)
    {
        const std::optional<std::uint64_t> bytes = Digits<std::uint64_t>(size);
        // A file's size is a signed 64-bit number: anything larger can be no real file's.
        if (!bytes || *bytes > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return std::nullopt;
        const std::size_t point = time.find('.');
        if (point == std::string_view::npos || time.size() - point - 1 != 9)
            return std::nullopt;
        const bool negative = time.starts_with('-');
        const std::optional<std::int64_t> seconds = Digits<std::int64_t>(time.substr(negative, point - negative));
        const std::optional<std::uint32_t> nanoseconds = Digits<std::uint32_t>(time.substr(point + 1));
        if (!seconds || !nanoseconds || *nanoseconds > 999'999'999u)
            return std::nullopt;
        return FileStamp { *bytes, negative ? -*seconds : *seconds, *nanoseconds };
    }

    std::vector<std::string_view> Fields(std::string_view line)
    {
        std::vector<std::string_view> fields;
        for (;;) {
            const std::size_t tab = line.find('\t');
            fields.push_back(line.substr(0, tab));
            if (tab == std::string_view::npos)
                return fields;
            line.remove_prefix(tab + 1);
        }
    }

    std::string DecimalText(std::int64_t value)
    {
        char buffer[24];
        return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
    }

    // Size, tab, time with nine digits of nanoseconds, tab.
    void AppendStamp(std::string& text, const FileStamp& stamp)
    {
        const std::string nanoseconds = DecimalText(stamp.Nanoseconds);
        text.append(DecimalText(static_cast<std::int64_t>(stamp.Size))).append("\t");
        text.append(DecimalText(stamp.Seconds)).append(".");
        text.append(9 - nanoseconds.size(), '0').append(nanoseconds).append("\t");
    }

    void AppendFileLine(std::string& text, std::string_view path, const FileStamp& stamp)
    {
        text.append(FileKind).append("\t");
        AppendStamp(text, stamp);
        AppendEncoded(text, path);
        text += '\n';
    }

    bool IsHashText(std::string_view text)
    {
        return text.size() == 16 && std::all_of(text.begin(), text.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
        });
    }

    // A picture line, every field exactly as the writer writes it; nullopt otherwise.
    std::optional<AlbumRecordPicture> ParsePicture(const std::vector<std::string_view>& fields)
    {
        if (fields.size() < 12 || fields[0] != PictureKind || !IsHashText(fields[1]))
            return std::nullopt;
        AlbumRecordPicture picture;
        picture.Settings = fields[1];
        const std::optional<FileStamp> stamp = ParseStamp(fields[2], fields[3]);
        const std::optional<std::uint64_t> inode = Digits<std::uint64_t>(fields[4]);
        if (!stamp || !inode)
            return std::nullopt;
        picture.SourceIdentity = { *stamp, 0, *inode };
        int* sides[] = { &picture.PreviewWidth, &picture.PreviewHeight, &picture.ThumbWidth, &picture.ThumbHeight };
        for (std::size_t i = 0; i < 4; ++i) {
            const std::optional<int> side = Digits<int>(fields[5 + i]);
            if (!side || *side > MaxSide)
                return std::nullopt;
            *sides[i] = *side;
        }
        std::optional<std::string> preview = Decoded(fields[9]);
        std::optional<std::string> thumbnail = Decoded(fields[10]);
        std::optional<std::string> source = Decoded(fields[11]);
        if (!preview || !IsAlbumRecordPath(*preview) || !thumbnail
            || (!thumbnail->empty() && !IsAlbumRecordPath(*thumbnail)) || !source || source->empty()
            || source->find('\0') != std::string::npos)
            return std::nullopt;
        picture.Preview = std::move(*preview);
        picture.Thumbnail = std::move(*thumbnail);
        picture.Source = std::move(*source);
        return picture;
    }

} // namespace

bool IsAlbumRecordPath(std::string_view path)
{
    const std::size_t slash = path.find('/');
    if (slash == std::string_view::npos)
        return IsPlainName(path);
    return IsPlainName(path.substr(0, slash)) && IsPlainName(path.substr(slash + 1));
}

std::string FormatAlbumRecord(const AlbumRecord& record)
{
    std::vector<const AlbumRecordFile*> files;
    files.reserve(record.Files.size());
    for (const AlbumRecordFile& file : record.Files)
        files.push_back(&file);
    std::sort(files.begin(), files.end(), [](const auto* a, const auto* b) { return a->Path < b->Path; });
    std::vector<const AlbumRecordPicture*> pictures;
    pictures.reserve(record.Pictures.size());
    for (const AlbumRecordPicture& picture : record.Pictures)
        pictures.push_back(&picture);
    std::sort(pictures.begin(), pictures.end(), [](const auto* a, const auto* b) { return a->Preview < b->Preview; });

    std::string body;
    for (const AlbumRecordFile* file : files)
        AppendFileLine(body, file->Path, file->Stamp);
    for (const AlbumRecordPicture* picture : pictures) {
        body.append(PictureKind).append("\t").append(picture->Settings).append("\t");
        AppendStamp(body, picture->SourceIdentity.Stamp);
        body.append(DecimalText(static_cast<std::int64_t>(picture->SourceIdentity.Inode))).append("\t");
        for (const int number :
            { picture->PreviewWidth, picture->PreviewHeight, picture->ThumbWidth, picture->ThumbHeight })
            body.append(DecimalText(number)).append("\t");
        AppendEncoded(body, picture->Preview);
        body += '\t';
        AppendEncoded(body, picture->Thumbnail);
        body += '\t';
        AppendEncoded(body, picture->Source);
        body += '\n';
    }
    // The check sum of everything below the first line: readers of the first version ignore it.
    std::string text;
    text.append(Signature).append("\t").append(Version).append("\t").append(HashText(HashBytes(body))).append("\n");
    return text + body;
}

std::optional<AlbumRecord> ParseAlbumRecord(std::string_view text)
{
    const std::size_t firstEnd = text.find('\n');
    if (firstEnd == std::string_view::npos)
        return std::nullopt;
    const std::vector<std::string_view> header = Fields(text.substr(0, firstEnd));
    if (header.size() < 2 || header[0] != Signature || header[1] != Version)
        return std::nullopt;
    text.remove_prefix(firstEnd + 1);

    AlbumRecord record;
    record.Verified = header.size() >= 3 && header[2] == HashText(HashBytes(text));
    // Only complete lines count: a last line without its line end may have been cut short.
    for (std::size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
        const std::vector<std::string_view> fields = Fields(text.substr(0, end));
        text.remove_prefix(end + 1);
        if (record.Verified && fields[0] == PictureKind) {
            if (std::optional<AlbumRecordPicture> picture = ParsePicture(fields))
                record.Pictures.push_back(std::move(*picture));
            continue;
        }
        if (fields.size() < 4 || fields[0] != FileKind)
            continue;
        const std::optional<FileStamp> stamp = ParseStamp(fields[1], fields[2]);
        std::optional<std::string> path = Decoded(fields[3]);
        if (stamp && path && IsAlbumRecordPath(*path))
            record.Files.push_back({ std::move(*path), *stamp });
    }
    return record;
}

std::optional<AlbumRecord> ReadAlbumRecord(const TFolder& album)
{
    std::string text;
    std::optional<AlbumRecord> record;
    if (album.Valid() && ReadWholeEntry(album.Descriptor(), std::string(AlbumRecordName), MaxRecordSize, text))
        record = ParseAlbumRecord(text);
    std::string journalText;
    if (!album.Valid()
        || !ReadWholeEntry(album.Descriptor(), std::string(AlbumJournalName), MaxRecordSize, journalText))
        return record;
    const std::optional<AlbumRecord> journal = ParseAlbumRecord(journalText);
    if (!journal)
        return record;
    if (!record)
        record.emplace();
    record->Journaled = true;
    std::unordered_set<std::string_view> touched;
    for (const AlbumRecordFile& file : journal->Files)
        touched.insert(file.Path);
    std::erase_if(record->Files, [&](const AlbumRecordFile& file) { return touched.contains(file.Path); });
    std::erase_if(record->Pictures, [&](const AlbumRecordPicture& picture) {
        return touched.contains(picture.Preview) || touched.contains(picture.Thumbnail);
    });
    // The journal's last line for a path is the latest.
    std::unordered_map<std::string_view, std::size_t> latest;
    for (std::size_t i = 0; i < journal->Files.size(); ++i)
        latest[journal->Files[i].Path] = i;
    for (std::size_t i = 0; i < journal->Files.size(); ++i)
        if (latest[journal->Files[i].Path] == i)
            record->Files.push_back(journal->Files[i]);
    return record;
}

bool TAlbumJournal::Start(const TFolder& album)
{
    if (!album.Valid())
        return false;
    m_file = TFileDescriptor(::openat(album.Descriptor(), std::string(AlbumJournalName).c_str(),
        O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!m_file.Valid())
        return false;
    const std::string header = std::string(Signature) + "\t" + std::string(Version) + "\n";
    return ::write(m_file.Get(), header.data(), header.size()) == static_cast<ssize_t>(header.size());
}

void TAlbumJournal::Add(std::string_view path, const FileStamp& stamp) noexcept
{
    if (!m_file.Valid())
        return;
    try {
        std::string line;
        AppendFileLine(line, path, stamp);
        // One write per line: a line is in the journal whole or, cut by a full disk, skipped
        // by the reader.
        (void)!::write(m_file.Get(), line.data(), line.size());
    } catch (...) {
        // Out of memory: the file is not named, and a later run keeps it as the user's.
    }
}

void TAlbumJournal::Finish(const TFolder& album)
{
    if (!m_file.Valid())
        return;
    m_file.Close();
    (void)::unlinkat(album.Descriptor(), std::string(AlbumJournalName).c_str(), 0);
}

bool WriteAlbumRecord(const std::string& albumDir, const AlbumRecord& record)
{
    const std::string folder = albumDir.empty() || albumDir.back() == '/' ? albumDir : albumDir + "/";
    return ReplaceFileContents(folder + std::string(AlbumRecordName), FormatAlbumRecord(record));
}

bool IsAsRecorded(const TFolder& album, const AlbumRecordFile& file)
{
    if (!IsAlbumRecordPath(file.Path))
        return false;
    const std::size_t slash = file.Path.find('/');
    const std::optional<struct stat> status = slash == std::string::npos
        ? album.Entry(file.Path)
        : album.Child(file.Path.substr(0, slash)).Entry(file.Path.substr(slash + 1));
    return status && S_ISREG(status->st_mode) && StampOf(*status) == file.Stamp;
}

AlbumRecord MergeAlbumRecord(const TFolder& album, const AlbumRecord& earlier, const AlbumRecord& written)
{
    AlbumRecord merged = written;
    std::unordered_set<std::string_view> paths;
    for (const AlbumRecordFile& file : written.Files)
        paths.insert(file.Path);
    // Each own folder is opened once, never through a link.
    std::unordered_map<std::string, TFolder> folders;
    for (const AlbumRecordFile& file : earlier.Files) {
        if (!paths.insert(file.Path).second || !IsAlbumRecordPath(file.Path))
            continue;
        const std::size_t slash = file.Path.find('/');
        std::optional<struct stat> status;
        if (slash == std::string::npos) {
            status = album.Entry(file.Path);
        } else {
            const std::string name = file.Path.substr(0, slash);
            auto found = folders.find(name);
            if (found == folders.end())
                found = folders.emplace(name, album.Child(name)).first;
            status = found->second.Entry(file.Path.substr(slash + 1));
        }
        if (status && S_ISREG(status->st_mode) && StampOf(*status) == file.Stamp)
            merged.Files.push_back(file);
    }
    return merged;
}

} // namespace korvo
