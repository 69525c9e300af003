// The readable values of EXIF entries and the walk that hands each reportable entry, with its
// name and value text, to the details page.

#include "exif/ExifValueText.h"

#include "exif/ExifTagNames.h"
#include "exif/TextPieces.h"
#include "model/TextRules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>

namespace korvo {

using namespace exiftext;

namespace {

    constexpr std::string_view FallbackPrefix = "Unknown (0x";

    std::string FallbackText(std::uint32_t rawValue) { return Concat({ FallbackPrefix, Hex8(rawValue), ")" }); }

    // printf's "%.Nf" without the locale: to_chars rounds the exact binary value just as glibc
    // does (halves to even), so the digits agree. Only called with finite values.
    std::string Fixed(double value, int decimals)
    {
        // A double below 2^1024 has at most 309 integer digits.
        char buffer[400];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
        return std::string(buffer, result.ptr);
    }

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

bool ExifValueHasText(std::string_view valueText) { return !valueText.starts_with(FallbackPrefix); }

} // namespace korvo
