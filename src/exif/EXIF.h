#pragma once

// The EXIF block at the start of a JPEG file and what the program reads from it directly. The
// tag names are in ExifTagNames.h, the value texts of the details page in ExifValueText.h.
//
// The reader is deliberately small: it looks only at the first 4096 bytes of a file, expects the
// Exif segment right after the start-of-image marker or after one APP0 segment, takes the first
// image directory (IFD0) to start right behind the TIFF header and reads fixed slots instead of the
// directories' entry counts. Whatever a file holds, no read ever leaves the window: data that would
// lie outside it count as absent.
//
// Every text handed out is UTF-8. Bytes from the file are kept when they form valid UTF-8 and are
// otherwise read as Latin-1, so no caller ever sees invalid UTF-8.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace korvo {

// A file could be opened but reading it failed (a disk or network error, not a short file).
class ExifReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class ExifByteOrder { LittleEndian, BigEndian };

// Entry types that carry a meaning here; all other type numbers are not interpreted.
namespace ExifTypes {
    inline constexpr std::uint16_t Byte = 1;
    inline constexpr std::uint16_t Ascii = 2;
    inline constexpr std::uint16_t Short = 3;
    inline constexpr std::uint16_t Long = 4;
    inline constexpr std::uint16_t Rational = 5;
    inline constexpr std::uint16_t Undefined = 7;
    inline constexpr std::uint16_t SLong = 9;
    inline constexpr std::uint16_t SRational = 10;
} // namespace ExifTypes

// Tags the reader itself acts on.
namespace ExifTags {
    inline constexpr std::uint16_t Model = 0x0110;
    inline constexpr std::uint16_t Orientation = 0x0112;
    inline constexpr std::uint16_t DateTime = 0x0132;
    inline constexpr std::uint16_t ExifOffset = 0x8769;
    inline constexpr std::uint16_t ExifVersion = 0x9000;
    inline constexpr std::uint16_t DateTimeOriginal = 0x9003;
    inline constexpr std::uint16_t DateTimeDigitized = 0x9004;
} // namespace ExifTags

// One 12-byte directory entry with what follows from it.
struct ExifEntry {
    std::uint16_t Tag = 0;
    std::uint16_t Type = 0;
    std::uint32_t Count = 0;
    // The 4-byte value field as one unsigned number in the file's byte order.
    std::uint32_t RawValue = 0;
    // The first item of the value field by type (BYTE and UNDEFINED one byte, SHORT two bytes, LONG
    // unsigned, SLONG signed); the raw value for every other type. Taken from the value field even
    // when that holds an offset; ExifValueText looks behind the offset instead.
    std::int64_t Number = 0;
    // Window position of the value: the value field itself when count × item size is at most four
    // bytes (types that are not interpreted always count as fitting), else T + offset. May lie
    // outside the window; such data count as absent.
    std::size_t DataPosition = 0;
    // Window position of the entry's slot.
    std::size_t SlotPosition = 0;
    // True when the value lies in the value field itself.
    bool InValueField = true;
};

struct ExifBlock;

// The slot positions of one directory walk, for use in a range-for. The IFD0 walk yields the
// eleven slots T + 10 + 12 k; the Exif directory walk yields the slots from two bytes after the
// directory position while they start before window position 4084 and their tag is not 0. Both end
// at the first slot that does not lie wholly inside the window.
class ExifSlotWalk {
public:
    struct End { };

    class Iterator {
    public:
        std::size_t operator*() const { return m_slot; }
        Iterator& operator++();
        bool operator==(End) const { return m_done; }

    private:
        friend class ExifSlotWalk;
        Iterator(const ExifBlock& block, std::size_t first, std::size_t limit, bool stopAtZeroTag);
        void Settle();

        const ExifBlock* m_block;
        std::size_t m_slot;
        std::size_t m_remaining;
        bool m_stopAtZeroTag;
        bool m_done = false;
    };

    Iterator begin() const { return Iterator(*m_block, m_first, m_limit, m_stopAtZeroTag); }
    End end() const { return {}; }

private:
    friend struct ExifBlock;
    ExifSlotWalk(const ExifBlock& block, std::size_t first, std::size_t limit, bool stopAtZeroTag)
        : m_block(&block)
        , m_first(first)
        , m_limit(limit)
        , m_stopAtZeroTag(stopAtZeroTag)
    {
    }

    const ExifBlock* m_block;
    std::size_t m_first;
    std::size_t m_limit;
    bool m_stopAtZeroTag;
};

// The first bytes of a JPEG file with a recognised Exif segment. Positions are byte positions in
// the window, counted from 0.
struct ExifBlock {
    static constexpr std::size_t WindowSize = 4096;
    static constexpr std::size_t SlotSize = 12;
    static constexpr std::size_t Ifd0SlotCount = 11;
    // The Exif directory walk takes no slot that starts here or later, although a slot starting
    // at 4084 would still end inside a full window.
    static constexpr std::size_t ExifDirectorySlotLimit = 4084;

    // First member, so that the window ends on the block's aligned end (the fuzz test poisons the
    // bytes behind Length to catch any read past it).
    std::array<std::uint8_t, WindowSize> Window {};
    // Bytes of the window that came from the file; never more than WindowSize.
    std::size_t Length = 0;
    // A: the Exif (APP1) segment, right after the start-of-image marker or one APP0 segment.
    std::size_t SegmentPosition = 0;
    // T = A + 10: the TIFF header; offsets in the directories count from here.
    std::size_t TiffPosition = 0;
    ExifByteOrder ByteOrder = ExifByteOrder::LittleEndian;
    // Set by the walks when they meet the ExifOffset entry: T + its value.
    std::optional<std::size_t> ExifDirectory;

    // True when `size` bytes from `position` lie inside the window.
    bool Contains(std::size_t position, std::uint64_t size) const;
    // T + offset, saturated so that no offset can wrap around into the window.
    std::size_t PositionOfOffset(std::uint32_t offset) const;

    std::optional<std::uint8_t> Read8(std::size_t position) const;
    std::optional<std::uint16_t> Read16(std::size_t position) const;
    std::optional<std::uint32_t> Read32(std::size_t position) const;

    // The entry whose slot starts at `slot`; none when the slot does not lie wholly in the window.
    std::optional<ExifEntry> EntryAt(std::size_t slot) const;

    // The bytes from `position` up to the first NUL byte, as stored; none when the start lies
    // outside the window or no NUL byte follows inside it.
    std::optional<std::string_view> RawTextAt(std::size_t position) const;
    // The same text in UTF-8.
    std::optional<std::string> TextAt(std::size_t position) const;

    ExifSlotWalk Ifd0Slots() const;
    // Empty while ExifDirectory is not set.
    ExifSlotWalk ExifDirectorySlots() const;
};

// The block of a file; none when the file cannot be opened (or is no regular file) or has no
// recognised EXIF header. Throws ExifReadError when reading fails after the file was opened.
std::optional<ExifBlock> LoadExifBlock(const std::string& fileName);

// The block from the first `size` bytes of a file already in memory (only the first 4096 count).
std::optional<ExifBlock> ExifBlockFromBytes(const std::uint8_t* data, std::size_t size);

// The block of EXIF data kept outside a JPEG segment (a HEIF item, a PNG or WebP chunk): the
// window holds the first 4096 bytes of the TIFF data, which start at window position 0 (T = 0;
// an "Exif", 00, 00 in front of them is skipped). None when they do not start with a TIFF header.
std::optional<ExifBlock> ExifBlockFromTiff(const std::uint8_t* data, std::size_t size);

// The capture date text (from IFD0 DateTime, else DateTimeOriginal, else DateTimeDigitized) and
// the camera model, each without leading and trailing bytes of code 32 or less. Both are cleared
// first. False when the file has no EXIF block (see LoadExifBlock, including its exception).
bool ReadExifDate(const std::string& fileName, std::string& dateString, std::string& model);
// The same on a loaded block; sets the block's ExifDirectory on the way.
void ReadExifDate(ExifBlock& block, std::string& dateString, std::string& model);

// The Orientation tag of IFD0 (1 … 8 as the camera wrote it; 2, 4, 5 and 7 are mirrored), or 0
// when the block has none. Unlike the date, this follows the header's IFD0 offset and the
// directory's entry count, so the tag is found wherever a camera puts IFD0 and however many
// entries come before it; entries outside the window count as absent.
int ReadExifOrientation(const ExifBlock& block);

// Bytes as read from a file, as UTF-8: kept when they are valid UTF-8, else each byte taken as the
// Latin-1 character of the same code.
std::string FileBytesToUtf8(std::string_view bytes);

} // namespace korvo
