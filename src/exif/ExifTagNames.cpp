// The names of EXIF tags, the row labels of the details page.

#include "exif/ExifTagNames.h"

#include "exif/TextPieces.h"

#include <algorithm>
#include <iterator>

namespace korvo {

using namespace exiftext;

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

} // namespace korvo
