// EXIF reading: loading and recognising the block, entry and text reads, the two directory walks,
// the capture date and model scan, tag names, and the value texts of the details page.

#include "exif/EXIF.h"

#include "fileio/OpenFile.h"
#include "model/TextRules.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

namespace korvo {

namespace {

    // ---- Texts and numbers -------------------------------------------------------------------

    std::string Hex8(std::uint32_t value)
    {
        static constexpr char Digits[] = "0123456789ABCDEF";
        std::string text(8, '0');
        for (int i = 7; i >= 0; --i, value >>= 4)
            text[static_cast<std::size_t>(i)] = Digits[value & 0xF];
        return text;
    }

    // Joins pieces into one text. GCC 12 warns wrongly (-Wrestrict) about "literal" + std::string,
    // so texts are put together here instead.
    std::string Concat(std::initializer_list<std::string_view> pieces)
    {
        std::string text;
        for (const std::string_view piece : pieces)
            text += piece;
        return text;
    }

    std::string FallbackText(std::uint32_t rawValue) { return Concat({ "Unknown (0x", Hex8(rawValue), ")" }); }

    // printf's "%.Nf" without the locale: to_chars rounds the exact binary value just as glibc
    // does (halves to even), so the digits agree. Only called with finite values.
    std::string Fixed(double value, int decimals)
    {
        // A double below 2^1024 has at most 309 integer digits.
        char buffer[400];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
        return std::string(buffer, result.ptr);
    }

    // ---- Files ---------------------------------------------------------------------------------

    ExifReadError ReadError(const std::string& fileName, int error)
    {
        return ExifReadError(Concat({ "Lesefehler in ", fileName, ": ", std::system_category().message(error) }));
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

    // ---- Value texts ---------------------------------------------------------------------------

    struct ValueName {
        std::uint16_t Tag;
        std::int64_t Number;
        std::string_view Text;
    };

    constexpr std::uint16_t FlashTag = 0x9209;

    constexpr ValueName ValueNames[] = {
        { 0x0103, 1, "Uncompressed" },
        { 0x0103, 6, "JPEG" },
        { 0x0106, 2, "RGB" },
        { 0x0106, 6, "YCbCr" },
        { 0x0112, 1, "Landscape" },
        { 0x0112, 2, "Landscape, mirrored" },
        { 0x0112, 3, "Landscape, rotated" },
        { 0x0112, 4, "Landscape, flipped" },
        { 0x0112, 5, "Portrait, mirrored" },
        { 0x0112, 6, "Portrait" },
        { 0x0112, 7, "Portrait, flipped" },
        { 0x0112, 8, "Portrait, rotated" },
        { 0x011C, 1, "Chunky" },
        { 0x011C, 2, "Planar" },
        { 0x0128, 2, "in" },
        { 0x0128, 3, "cm" },
        { 0x0213, 1, "Centered" },
        { 0x0213, 2, "Co-Sited" },
        { 0x8822, 0, "Not defined" },
        { 0x8822, 1, "Manual" },
        { 0x8822, 2, "Normal program" },
        { 0x8822, 3, "Aperture priority" },
        { 0x8822, 4, "Shutter priority" },
        { 0x8822, 5, "Creative program (biased toward depth of field)" },
        { 0x8822, 6, "Action program (biased toward fast shutter speed)" },
        { 0x8822, 7, "Portrait mode (for closeup photos with the background out of focus)" },
        { 0x8822, 8, "Landscape mode (for landscape photos with the background in focus)" },
        { 0x9207, 1, "Average" },
        { 0x9207, 2, "CenterWeightedAverage" },
        { 0x9207, 3, "Spot" },
        { 0x9207, 4, "MultiSpot" },
        { 0x9207, 5, "Pattern" },
        { 0x9207, 6, "Partial" },
        { 0x9208, 1, "Daylight" },
        { 0x9208, 2, "Fluorescent" },
        { 0x9208, 3, "Tungsten" },
        { 0x9208, 17, "Standard light A" },
        { 0x9208, 18, "Standard light B" },
        { 0x9208, 19, "Standard light C" },
        { 0x9208, 20, "D55" },
        { 0x9208, 21, "D65" },
        { 0x9208, 22, "D75" },
        { FlashTag, 0, "no" },
        { FlashTag, 1, "fired" },
        { FlashTag, 5, "fired, no return sensed" },
        { FlashTag, 7, "fired, return sensed" },
        { FlashTag, 9, "fill fired" },
        { FlashTag, 13, "fill fired, no return sensed" },
        { FlashTag, 15, "fill fired, return sensed" },
        { FlashTag, 16, "off" },
        { FlashTag, 24, "auto off" },
        { FlashTag, 25, "auto fired" },
        { FlashTag, 29, "auto fired, no return sensed" },
        { FlashTag, 31, "auto fired, return sensed" },
        { 0x9210, 1, "in" },
        { 0x9210, 2, "m" },
        { 0x9210, 3, "cm" },
        { 0x9210, 4, "mm" },
        { 0x9210, 5, "µm" },
        { 0xA217, 1, "Not defined" },
        { 0xA217, 2, "One-chip color area sensor" },
        { 0xA217, 3, "Two-chip color area sensor" },
        { 0xA217, 4, "Three-chip color area sensor" },
        { 0xA217, 5, "Color sequential area sensor" },
        { 0xA217, 7, "Trilinear sensor" },
        { 0xA217, 8, "Color sequential linear sensor" },
        { 0xA300, 3, "Digital Still Camera" },
        { 0xA301, 1, "Directly Photographed Scene" },
    };

    bool HasValueNames(std::uint16_t tag)
    {
        return std::any_of(
            std::begin(ValueNames), std::end(ValueNames), [tag](const ValueName& name) { return name.Tag == tag; });
    }

    // The first item of an integral value. Where the value does not fit the value field, the field
    // holds an offset, and the first item is read there rather than taking the offset for the value.
    std::optional<std::int64_t> FirstItem(const ExifBlock& block, const ExifEntry& entry)
    {
        if (entry.InValueField)
            return entry.Number;
        const std::size_t at = entry.DataPosition;
        switch (entry.Type) {
        case ExifTypes::Byte:
        case ExifTypes::Undefined:
            return block.Read8(at);
        case ExifTypes::Short:
            return block.Read16(at);
        case ExifTypes::Long:
            return block.Read32(at);
        case ExifTypes::SLong:
            if (const auto value = block.Read32(at))
                return static_cast<std::int32_t>(*value);
            return std::nullopt;
        default:
            return entry.Number;
        }
    }

    std::optional<std::string> AsciiValueText(const ExifBlock& block, const ExifEntry& entry)
    {
        const auto text = block.RawTextAt(entry.DataPosition);
        // The NUL byte must lie among the first count + 1 bytes.
        if (!text || text->size() > std::uint64_t { entry.Count })
            return std::nullopt;
        return FileBytesToUtf8(*text);
    }

    // "1/%.0f s" of 1 / x, or "%.1f s" of x from one second on.
    std::optional<std::string> SecondsText(double seconds)
    {
        if (seconds >= 1)
            return std::isfinite(seconds) ? std::optional(Concat({ Fixed(seconds, 1), " s" })) : std::nullopt;
        const double reciprocal = 1 / seconds;
        if (seconds == 0 || !std::isfinite(reciprocal))
            return std::nullopt;
        return Concat({ "1/", Fixed(reciprocal, 0), " s" });
    }

    std::optional<std::string> RationalValueText(const ExifBlock& block, const ExifEntry& entry)
    {
        if (!block.Contains(entry.DataPosition, 8))
            return std::nullopt;
        const std::uint32_t rawNumerator = *block.Read32(entry.DataPosition);
        const std::uint32_t rawDenominator = *block.Read32(entry.DataPosition + 4);
        const bool isSigned = entry.Type == ExifTypes::SRational;
        const std::int64_t numerator
            = isSigned ? std::int64_t { static_cast<std::int32_t>(rawNumerator) } : std::int64_t { rawNumerator };
        const std::int64_t denominator
            = isSigned ? std::int64_t { static_cast<std::int32_t>(rawDenominator) } : std::int64_t { rawDenominator };
        const std::string fraction = Concat({ "(", IntToText(numerator), "/", IntToText(denominator), ")" });
        // A value that has no number (n/0, an exposure time of 0, a shutter speed beyond the range
        // of double) still gets a row, with the stored fraction.
        const std::string noValue = Concat({ "unknown ", fraction });
        if (denominator == 0)
            return noValue;
        const double x = static_cast<double>(numerator) / static_cast<double>(denominator);
        switch (entry.Tag) {
        case 0x829A: // ExposureTime
            return SecondsText(x).value_or(noValue);
        case 0x829D: // FNumber
            return Concat({ "F", Fixed(x, 1) });
        case 0x9201: // ShutterSpeedValue, an APEX value: the exposure time is 2^-x seconds
            return SecondsText(std::pow(0.5, x)).value_or(noValue);
        case 0x920A: // FocalLength
            return Concat({ Fixed(x, 1), " mm" });
        default:
            return Concat({ Fixed(x, 2), " ", fraction });
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

// ---- Tag names ---------------------------------------------------------------------------------

namespace {

    struct TagName {
        std::uint16_t Tag;
        std::string_view Name;
    };

    // Sorted by tag. The names become row labels on the details page, spelled as listed.
    constexpr TagName Names[] = {
        { 0x00FE, "NewSubFileType" },
        { 0x0100, "ImageWidth" },
        { 0x0101, "ImageLength" },
        { 0x0102, "BitsPerSample" },
        { 0x0103, "Compression" },
        { 0x0106, "PhotometricInterpretation" },
        { 0x010A, "FillOrder" },
        { 0x010D, "DocumentName" },
        { 0x010E, "ImageDescription" },
        { 0x010F, "Make" },
        { 0x0110, "Model" },
        { 0x0111, "StripOffsets" },
        { 0x0112, "Orientation" },
        { 0x0115, "SamplesPerPixel" },
        { 0x0116, "RowsPerStrip" },
        { 0x0117, "StripByteCounts" },
        { 0x011A, "XResolution" },
        { 0x011B, "YResolution" },
        { 0x011C, "PlanarConfiguration" },
        { 0x0128, "ResolutionUnit" },
        { 0x012D, "TransferFunction" },
        { 0x0131, "Software" },
        { 0x0132, "DateTime" },
        { 0x013B, "Artist" },
        { 0x013E, "WhitePoint" },
        { 0x013F, "PrimaryChromaticities" },
        { 0x0142, "TileWidth" },
        { 0x0143, "TileLength" },
        { 0x0144, "TileOffsets" },
        { 0x0145, "TileByteCounts" },
        { 0x014A, "SubIFDs" },
        { 0x0156, "TransferRange" },
        { 0x015B, "JPEGTables" },
        { 0x0201, "JPEGInterchangeFormat" },
        { 0x0202, "JPEGInterchangeFormatLength" },
        { 0x0211, "YCbCrCoefficients" },
        { 0x0212, "YCbCrSubSampling" },
        { 0x0213, "YCbCrPositioning" },
        { 0x0214, "ReferenceBlackWhite" },
        { 0x828D, "CFARepeatPatternDim" },
        { 0x828E, "CFAPattern" },
        { 0x828F, "BatteryLevel" },
        { 0x8298, "Copyright" },
        { 0x829A, "ExposureTime" },
        { 0x829D, "FNumber" },
        { 0x83BB, "IPTC_NAA" },
        { 0x8769, "ExifOffset" },
        { 0x8773, "InterColorProfile" },
        { 0x8822, "ExposureProgram" },
        { 0x8824, "SpectralSensitivity" },
        { 0x8825, "GPSInfo" },
        { 0x8827, "ISOSpeedRatings" },
        { 0x8828, "OECF" },
        { 0x8829, "Interlace" },
        { 0x882A, "TimeZoneOffset" },
        { 0x882B, "SelfTimerMode" },
        { 0x9000, "ExifVersion" },
        { 0x9003, "DateTimeOriginal" },
        { 0x9004, "DateTimeDigitized" },
        { 0x9101, "ComponentsConfiguration" },
        { 0x9102, "CompressedBitsPerPixel" },
        { 0x9201, "ShutterSpeedValue" },
        { 0x9202, "ApertureValue" },
        { 0x9203, "BrightnessValue" },
        { 0x9204, "ExposureBiasValue" },
        { 0x9205, "MaxApertureValue" },
        { 0x9206, "SubjectDistance" },
        { 0x9207, "MeteringMode" },
        { 0x9208, "LightSource" },
        { 0x9209, "Flash" },
        { 0x920A, "FocalLength" },
        { 0x920D, "Noise" },
        { 0x9211, "ImageNumber" },
        { 0x9212, "SecurityClassification" },
        { 0x9213, "ImageHistory" },
        { 0x9216, "TIFF_EPStandardID" },
        { 0x927C, "MakerNote" },
        { 0xA001, "ColorSpace" },
        { 0xA002, "ExifImageWidth" },
        { 0xA003, "ExifImageHeight" },
        { 0xA005, "Interoperability_IFD_Pointer" },
        { 0xA20B, "FlashEnergy" },
        { 0xA20C, "SpatialFrequencyResponse" },
        { 0xA20E, "FocalPlaneXResolution" },
        { 0xA20F, "FocalPlaneYResolution" },
        { 0xA210, "FocalPlaneResolutionUnit" },
        { 0xA214, "SubjectLocation" },
        { 0xA215, "ExposureIndex" },
        { 0xA217, "SensingMethod" },
        { 0xA300, "FileSource" },
        { 0xA301, "SceneType" },
    };
    static_assert(std::size(Names) == 91);

    const TagName* FindTagName(std::uint16_t tag)
    {
        const auto* found = std::lower_bound(std::begin(Names), std::end(Names), tag,
            [](const TagName& entry, std::uint16_t wanted) { return entry.Tag < wanted; });
        return found != std::end(Names) && found->Tag == tag ? found : nullptr;
    }

} // namespace

bool ExifTagHasName(std::uint16_t tag) { return FindTagName(tag) != nullptr; }

std::string ExifTagName(std::uint16_t tag)
{
    if (const TagName* found = FindTagName(tag))
        return std::string(found->Name);
    return Concat({ "Tag0x", std::string_view(Hex8(tag)).substr(4) });
}

// ---- Enumeration and value texts ---------------------------------------------------------------

std::optional<std::string> ExifValueText(const ExifBlock& block, const ExifEntry& entry)
{
    if (HasValueNames(entry.Tag)) {
        auto number = FirstItem(block, entry);
        if (!number)
            return std::nullopt;
        if (entry.Tag == FlashTag)
            *number &= 0x1F; // the bits above say red-eye reduction, mode details and so on
        for (const ValueName& name : ValueNames)
            if (name.Tag == entry.Tag && name.Number == *number)
                return std::string(name.Text);
        return FallbackText(entry.RawValue);
    }
    if (entry.Tag == ExifTags::ExifVersion) {
        // The value field's bytes in stored order, recovered from the raw value.
        char field[4];
        for (int i = 0; i < 4; ++i) {
            const int shift = block.ByteOrder == ExifByteOrder::LittleEndian ? 8 * i : 24 - 8 * i;
            field[i] = static_cast<char>((entry.RawValue >> shift) & 0xFF);
        }
        return FileBytesToUtf8(std::string_view(field, 4));
    }
    switch (entry.Type) {
    case ExifTypes::Byte:
    case ExifTypes::Short:
    case ExifTypes::Long:
    case ExifTypes::SLong:
        if (const auto number = FirstItem(block, entry))
            return IntToText(*number);
        return std::nullopt;
    case ExifTypes::Ascii:
        return AsciiValueText(block, entry);
    case ExifTypes::Rational:
    case ExifTypes::SRational:
        return RationalValueText(block, entry);
    case ExifTypes::Undefined:
        return Concat({ "0x", Hex8(entry.RawValue) });
    default:
        return FallbackText(entry.RawValue);
    }
}

void EnumerateExif(ExifBlock& block, const ExifCallback& callback)
{
    block.ExifDirectory.reset();
    const auto report = [&](const ExifEntry& entry) {
        if (const auto text = ExifValueText(block, entry))
            callback(entry.Tag, entry.RawValue, ExifTagName(entry.Tag), *text);
    };
    for (const std::size_t slot : block.Ifd0Slots()) {
        const ExifEntry entry = *block.EntryAt(slot);
        if (entry.Tag == ExifTags::ExifOffset) {
            block.ExifDirectory = block.PositionOfOffset(entry.RawValue);
            break;
        }
        report(entry);
    }
    if (!block.ExifDirectory)
        return;
    // A further pointer inside the Exif directory is not followed: the walk goes straight on, so
    // no pointer, however it points, can make it loop.
    for (const std::size_t slot : block.ExifDirectorySlots()) {
        const ExifEntry entry = *block.EntryAt(slot);
        if (entry.Tag != ExifTags::ExifOffset)
            report(entry);
    }
}

bool EnumerateExif(const std::string& fileName, const ExifCallback& callback)
{
    auto block = LoadExifBlock(fileName);
    if (!block)
        return false;
    EnumerateExif(*block, callback);
    return true;
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
