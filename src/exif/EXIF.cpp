// EXIF reading: loading and recognising the block, entry and text reads, the two directory walks,
// the capture date and model scan, and the orientation.

#include "exif/EXIF.h"

#include "exif/TextPieces.h"
#include "fileio/OpenFile.h"
#include "model/TextRules.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <system_error>

namespace korvo {

namespace {

    // ---- Files ---------------------------------------------------------------------------------

    ExifReadError ReadError(const std::string& fileName, int error)
    {
        return ExifReadError(
            exiftext::Concat({ "Lesefehler in ", fileName, ": ", std::system_category().message(error) }));
    }

    // The byte order from the number 42 at T + 2 of a window whose TIFF header starts at T.
    bool RecogniseByteOrder(ExifBlock& block, std::size_t t)
    {
        const auto low = block.Read8(t + 2);
        const auto high = block.Read8(t + 3);
        if (!low || !high)
            return false;
        const unsigned magic = *low | (unsigned { *high } << 8);
        if (magic == 0x002A)
            block.ByteOrder = ExifByteOrder::LittleEndian;
        else if (magic == 0x2A00)
            block.ByteOrder = ExifByteOrder::BigEndian;
        else
            return false;
        block.TiffPosition = t;
        return true;
    }

    // Checks the markers, the "Exif" signature and the byte order; fills in A and T.
    bool Recognise(ExifBlock& block)
    {
        const auto byteAt = [&block](std::size_t position) { return block.Read8(position); };
        if (byteAt(0) != 0xFF || byteAt(1) != 0xD8)
            return false;
        std::size_t a = 2;
        if (byteAt(2) == 0xFF && byteAt(3) == 0xE0) {
            const auto high = byteAt(4);
            const auto low = byteAt(5);
            if (!high || !low)
                return false;
            // The APP0 length counts its own two bytes, which start at position 4.
            a = 4 + (std::size_t { *high } << 8) + *low;
        }
        if (byteAt(a) != 0xFF || byteAt(a + 1) != 0xE1)
            return false;
        static constexpr std::uint8_t Signature[] = { 'E', 'x', 'i', 'f', 0, 0 };
        if (!block.Contains(a + 4, sizeof Signature)
            || std::memcmp(block.Window.data() + a + 4, Signature, sizeof Signature) != 0)
            return false;
        block.SegmentPosition = a;
        return RecogniseByteOrder(block, a + 10);
    }

    // Bytes of one item of each type; 0 for types that are not interpreted, whose values are
    // then taken to sit in the value field.
    std::uint64_t ItemSize(std::uint16_t type)
    {
        switch (type) {
        case ExifTypes::Byte:
        case ExifTypes::Ascii:
        case ExifTypes::Undefined:
            return 1;
        case ExifTypes::Short:
            return 2;
        case ExifTypes::Long:
        case ExifTypes::SLong:
            return 4;
        case ExifTypes::Rational:
        case ExifTypes::SRational:
            return 8;
        default:
            return 0;
        }
    }

} // namespace

// ---- ExifSlotWalk ------------------------------------------------------------------------------

ExifSlotWalk::Iterator::Iterator(const ExifBlock& block, std::size_t first, std::size_t limit, bool stopAtZeroTag)
    : m_block(&block)
    , m_slot(first)
    , m_remaining(limit)
    , m_stopAtZeroTag(stopAtZeroTag)
{
    Settle();
}

ExifSlotWalk::Iterator& ExifSlotWalk::Iterator::operator++()
{
    if (!m_done) {
        --m_remaining;
        // The next slot lies past a slot inside the window, so this cannot overflow.
        m_slot += ExifBlock::SlotSize;
        Settle();
    }
    return *this;
}

void ExifSlotWalk::Iterator::Settle()
{
    // Only the Exif directory walk stops at a zero tag, and only it has the fixed slot limit.
    m_done = m_remaining == 0 || !m_block->Contains(m_slot, ExifBlock::SlotSize)
        || (m_stopAtZeroTag && (m_slot >= ExifBlock::ExifDirectorySlotLimit || m_block->Read16(m_slot) == 0));
}

// ---- ExifBlock ---------------------------------------------------------------------------------

bool ExifBlock::Contains(std::size_t position, std::uint64_t size) const
{
    const std::size_t length = std::min(Length, WindowSize);
    return position <= length && size <= length - position;
}

std::size_t ExifBlock::PositionOfOffset(std::uint32_t offset) const
{
    const std::uint64_t position = std::uint64_t { TiffPosition } + offset;
    return position > std::numeric_limits<std::size_t>::max() ? std::numeric_limits<std::size_t>::max()
                                                              : static_cast<std::size_t>(position);
}

std::optional<std::uint8_t> ExifBlock::Read8(std::size_t position) const
{
    if (!Contains(position, 1))
        return std::nullopt;
    return Window[position];
}

std::optional<std::uint16_t> ExifBlock::Read16(std::size_t position) const
{
    if (!Contains(position, 2))
        return std::nullopt;
    const unsigned first = Window[position];
    const unsigned second = Window[position + 1];
    return static_cast<std::uint16_t>(
        ByteOrder == ExifByteOrder::LittleEndian ? first | (second << 8) : (first << 8) | second);
}

std::optional<std::uint32_t> ExifBlock::Read32(std::size_t position) const
{
    if (!Contains(position, 4))
        return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t at = ByteOrder == ExifByteOrder::LittleEndian ? position + 3 - i : position + i;
        value = (value << 8) | Window[at];
    }
    return value;
}

std::optional<ExifEntry> ExifBlock::EntryAt(std::size_t slot) const
{
    if (!Contains(slot, SlotSize))
        return std::nullopt;
    ExifEntry entry;
    entry.SlotPosition = slot;
    entry.Tag = *Read16(slot);
    entry.Type = *Read16(slot + 2);
    entry.Count = *Read32(slot + 4);
    entry.RawValue = *Read32(slot + 8);
    const std::size_t field = slot + 8;
    switch (entry.Type) {
    case ExifTypes::Byte:
    case ExifTypes::Undefined:
        entry.Number = Window[field];
        break;
    case ExifTypes::Short:
        entry.Number = *Read16(field);
        break;
    case ExifTypes::SLong:
        entry.Number = static_cast<std::int32_t>(entry.RawValue);
        break;
    default:
        entry.Number = entry.RawValue;
        break;
    }
    // At most 2^32 × 8, so the product cannot overflow 64 bits.
    entry.InValueField = ItemSize(entry.Type) * entry.Count <= 4;
    entry.DataPosition = entry.InValueField ? field : PositionOfOffset(entry.RawValue);
    return entry;
}

std::optional<std::string_view> ExifBlock::RawTextAt(std::size_t position) const
{
    if (!Contains(position, 1))
        return std::nullopt;
    const std::size_t length = std::min(Length, WindowSize);
    const auto* start = Window.data() + position;
    const void* nul = std::memchr(start, 0, length - position);
    if (!nul)
        return std::nullopt;
    return std::string_view(
        reinterpret_cast<const char*>(start), static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - start));
}

std::optional<std::string> ExifBlock::TextAt(std::size_t position) const
{
    const auto raw = RawTextAt(position);
    if (!raw)
        return std::nullopt;
    return FileBytesToUtf8(*raw);
}

ExifSlotWalk ExifBlock::Ifd0Slots() const
{
    // IFD0 is taken to sit right behind the 8-byte header; its entry count is skipped.
    return ExifSlotWalk(*this, TiffPosition + 10, Ifd0SlotCount, false);
}

ExifSlotWalk ExifBlock::ExifDirectorySlots() const
{
    if (!ExifDirectory)
        return ExifSlotWalk(*this, 0, 0, true);
    const std::size_t first = *ExifDirectory > std::numeric_limits<std::size_t>::max() - 2
        ? std::numeric_limits<std::size_t>::max()
        : *ExifDirectory + 2;
    return ExifSlotWalk(*this, first, std::numeric_limits<std::size_t>::max(), true);
}

// ---- Loading -----------------------------------------------------------------------------------

std::optional<ExifBlock> LoadExifBlock(const std::string& fileName)
{
    // A folder or device cannot be a picture; treat it like a file that does not open.
    const TFileDescriptor file = OpenRegularDescriptor(fileName);
    if (!file.Valid())
        return std::nullopt;

    std::optional<ExifBlock> block(std::in_place);
    const std::optional<std::size_t> length = ReadUpTo(file.Get(), block->Window.data(), ExifBlock::WindowSize);
    if (!length)
        throw ReadError(fileName, errno);
    block->Length = *length;
    if (!Recognise(*block))
        return std::nullopt;
    return block;
}

std::optional<ExifBlock> ExifBlockFromBytes(const std::uint8_t* data, std::size_t size)
{
    std::optional<ExifBlock> block(std::in_place);
    block->Length = data ? std::min(size, ExifBlock::WindowSize) : 0;
    if (block->Length > 0)
        std::memcpy(block->Window.data(), data, block->Length);
    if (!Recognise(*block))
        return std::nullopt;
    return block;
}

std::optional<ExifBlock> ExifBlockFromTiff(const std::uint8_t* data, std::size_t size)
{
    // Some writers keep the JPEG segment's "Exif\0\0" in front of the TIFF header.
    static constexpr std::uint8_t Signature[] = { 'E', 'x', 'i', 'f', 0, 0 };
    if (data && size >= sizeof Signature && std::memcmp(data, Signature, sizeof Signature) == 0) {
        data += sizeof Signature;
        size -= sizeof Signature;
    }
    std::optional<ExifBlock> block(std::in_place);
    block->Length = data ? std::min(size, ExifBlock::WindowSize) : 0;
    if (block->Length > 0)
        std::memcpy(block->Window.data(), data, block->Length);
    if (!RecogniseByteOrder(*block, 0))
        return std::nullopt;
    return block;
}

// ---- Date and model ----------------------------------------------------------------------------

void ReadExifDate(ExifBlock& block, std::string& dateString, std::string& model)
{
    dateString.clear();
    model.clear();
    block.ExifDirectory.reset();
    // Trimming looks at the stored bytes; only the result is turned into UTF-8.
    const auto trimmedText = [&block](const ExifEntry& entry) -> std::optional<std::string> {
        const auto raw = block.RawTextAt(entry.DataPosition);
        if (!raw)
            return std::nullopt;
        return FileBytesToUtf8(TrimControls(*raw));
    };

    for (const std::size_t slot : block.Ifd0Slots()) {
        const ExifEntry entry = *block.EntryAt(slot);
        if (entry.Tag == ExifTags::ExifOffset) {
            block.ExifDirectory = block.PositionOfOffset(entry.RawValue);
            break;
        }
        if (entry.Type != ExifTypes::Ascii)
            continue;
        if (entry.Tag == ExifTags::Model) {
            if (auto text = trimmedText(entry))
                model = std::move(*text);
        } else if (entry.Tag == ExifTags::DateTime) {
            if (auto text = trimmedText(entry))
                dateString = std::move(*text);
        }
    }

    if (!block.ExifDirectory || !dateString.empty())
        return;
    for (const std::size_t slot : block.ExifDirectorySlots()) {
        const ExifEntry entry = *block.EntryAt(slot);
        if (entry.Type != ExifTypes::Ascii)
            continue;
        if (entry.Tag == ExifTags::DateTimeOriginal) {
            // An empty original date must not wipe a digitized date met earlier.
            auto text = trimmedText(entry);
            if (text && !text->empty()) {
                dateString = std::move(*text);
                break;
            }
        } else if (entry.Tag == ExifTags::DateTimeDigitized && dateString.empty()) {
            if (auto text = trimmedText(entry))
                dateString = std::move(*text);
        }
    }
}

bool ReadExifDate(const std::string& fileName, std::string& dateString, std::string& model)
{
    dateString.clear();
    model.clear();
    auto block = LoadExifBlock(fileName);
    if (!block)
        return false;
    ReadExifDate(*block, dateString, model);
    return true;
}

// ---- Orientation -------------------------------------------------------------------------------

int ReadExifOrientation(const ExifBlock& block)
{
    const auto ifd0 = block.Read32(block.TiffPosition + 4);
    if (!ifd0)
        return 0;
    const std::size_t directory = block.PositionOfOffset(*ifd0);
    const auto count = block.Read16(directory);
    if (!count)
        return 0;
    // The directory lies inside the window, so no slot position can overflow.
    for (std::size_t k = 0; k < *count; ++k) {
        const auto entry = block.EntryAt(directory + 2 + k * ExifBlock::SlotSize);
        if (!entry)
            break;
        if (entry->Tag == ExifTags::Orientation)
            return entry->Type == ExifTypes::Short && entry->Count >= 1 ? static_cast<int>(entry->Number) : 0;
    }
    return 0;
}

// ---- UTF-8 -------------------------------------------------------------------------------------

std::string FileBytesToUtf8(std::string_view bytes)
{
    if (IsValidUtf8(bytes))
        return std::string(bytes);
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (code >> 6));
            text += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return text;
}

} // namespace korvo
