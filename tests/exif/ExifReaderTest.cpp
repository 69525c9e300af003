#include "exif/ExifTagNames.h"
#include "exif/ExifValueText.h"
#include "support/ExifBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace korvo;
using namespace korvo::testing;

namespace {

constexpr ExifByteOrder BothOrders[] = { ExifByteOrder::LittleEndian, ExifByteOrder::BigEndian };

// A file in the temporary folder that is removed again at the end of the test.
class TTempFile {
public:
    TTempFile(const std::string& name, const Bytes& bytes)
        : m_path(std::filesystem::temp_directory_path() / ("korvo-exif-" + std::to_string(::getpid()) + "-" + name))
    {
        std::ofstream out(m_path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    ~TTempFile() { std::filesystem::remove(m_path); }
    std::string Path() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

struct DateAndModel {
    std::string Date;
    std::string Model;
};

DateAndModel DateOf(const Bytes& bytes)
{
    auto block = BlockOf(bytes);
    EXPECT_TRUE(block);
    DateAndModel result { "untouched", "untouched" };
    if (block)
        ReadExifDate(*block, result.Date, result.Model);
    return result;
}

} // namespace

TEST(ExifReader, FindsTheSegmentWithAndWithoutApp0InBothByteOrders)
{
    for (const ExifByteOrder order : BothOrders) {
        for (const bool app0 : { true, false }) {
            TExifFile file(order, app0);
            file.Ifd0(0x0112, ExifTypes::Short, 1, file.Short(6));
            Bytes bytes = file.Build();
            bytes.resize(1000); // room for all eleven slots
            const auto block = BlockOf(bytes);
            ASSERT_TRUE(block);
            EXPECT_EQ(block->ByteOrder, order);
            EXPECT_EQ(block->SegmentPosition, app0 ? 20u : 2u);
            EXPECT_EQ(block->TiffPosition, app0 ? 30u : 12u);
            std::vector<std::size_t> slots;
            for (const std::size_t slot : block->Ifd0Slots())
                slots.push_back(slot);
            ASSERT_EQ(slots.size(), 11u);
            EXPECT_EQ(slots.front(), app0 ? 40u : 22u);
            EXPECT_EQ(slots.back(), app0 ? 160u : 142u);
            const auto entry = block->EntryAt(slots.front());
            ASSERT_TRUE(entry);
            EXPECT_EQ(entry->Tag, 0x0112);
            EXPECT_EQ(entry->Type, ExifTypes::Short);
            EXPECT_EQ(entry->Count, 1u);
            EXPECT_EQ(entry->Number, 6);
            EXPECT_EQ(entry->DataPosition, slots.front() + 8);
            EXPECT_FALSE(block->ExifDirectorySlots().begin() != block->ExifDirectorySlots().end());
        }
    }
}

TEST(ExifReader, RefusesFilesWithoutTheExpectedHeader)
{
    const Bytes good = TExifFile(ExifByteOrder::LittleEndian).Build();
    ASSERT_TRUE(BlockOf(good));
    const auto changed = [&good](std::size_t position, std::uint8_t value) {
        Bytes bytes = good;
        bytes[position] = value;
        return bytes;
    };
    EXPECT_FALSE(BlockOf(changed(1, 0xD9))) << "not a JPEG";
    EXPECT_FALSE(BlockOf(changed(3, 0xE2))) << "APP2 first";
    EXPECT_FALSE(BlockOf(changed(7, 'X'))) << "APP1 that is not Exif";
    EXPECT_FALSE(BlockOf(changed(11, 1))) << "Exif signature without its second NUL";
    EXPECT_FALSE(BlockOf(changed(14, 0x2B))) << "another number than 42";
    EXPECT_FALSE(BlockOf(Bytes(good.begin(), good.begin() + 15))) << "cut off inside the number 42";
    EXPECT_FALSE(BlockOf({}));
    EXPECT_FALSE(ExifBlockFromBytes(nullptr, 100));
    // The APP0 length decides where the Exif segment must be; a length past the window finds none.
    Bytes app0 = TExifFile(ExifByteOrder::BigEndian, true).Build();
    ASSERT_TRUE(BlockOf(app0));
    app0[4] = 0xFF;
    EXPECT_FALSE(BlockOf(app0));
}

TEST(ExifReader, LoadsOnlyTheFirst4096BytesOfAFile)
{
    TExifFile file(ExifByteOrder::LittleEndian);
    file.Ifd0Ascii(ExifTags::Model, "Camera").Ifd0Ascii(ExifTags::DateTime, "2003:07:14 18:05:09");
    Bytes bytes = file.Build();
    bytes.resize(10000, 0x41);
    const TTempFile jpeg("big.jpg", bytes);
    const auto block = LoadExifBlock(jpeg.Path());
    ASSERT_TRUE(block);
    EXPECT_EQ(block->Length, 4096u);
    std::string date, model;
    EXPECT_TRUE(ReadExifDate(jpeg.Path(), date, model));
    EXPECT_EQ(date, "2003:07:14 18:05:09");
    EXPECT_EQ(model, "Camera");

    // A text that runs to the end of the window has no NUL byte in reach: absent.
    bytes.resize(4096);
    const std::string tail = "Camera";
    std::copy(tail.begin(), tail.end(), bytes.end() - static_cast<long>(tail.size()));
    const std::size_t valueField = file.TiffPosition() + 10 + 8;
    const std::uint32_t offset = static_cast<std::uint32_t>(4096 - tail.size() - file.TiffPosition());
    for (int i = 0; i < 4; ++i)
        bytes[valueField + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(offset >> (8 * i));
    EXPECT_EQ(DateOf(bytes).Model, "");
}

TEST(ExifReader, FilesThatDoNotOpenHaveNoExifAndReadErrorsRaise)
{
    std::string date = "x", model = "y";
    EXPECT_FALSE(ReadExifDate("/nonexistent/korvo/photo.jpg", date, model));
    EXPECT_EQ(date, "");
    EXPECT_EQ(model, "");
    EXPECT_FALSE(LoadExifBlock(std::filesystem::temp_directory_path().string())) << "a folder";
    int calls = 0;
    EXPECT_FALSE(EnumerateExif("/nonexistent/korvo/photo.jpg", [&](auto...) { ++calls; }));
    const TTempFile bmp("plain.bmp", { 'B', 'M', 0, 0 });
    EXPECT_FALSE(EnumerateExif(bmp.Path(), [&](auto...) { ++calls; }));
    EXPECT_EQ(calls, 0);
    // Opens as a regular file, but reading its first bytes fails.
    EXPECT_THROW(LoadExifBlock("/proc/self/mem"), ExifReadError);
    EXPECT_THROW(ReadExifDate("/proc/self/mem", date, model), ExifReadError);
}

TEST(ExifReader, DatePrefersIfd0ThenOriginalThenDigitized)
{
    for (const ExifByteOrder order : BothOrders) {
        TExifFile all(order);
        all.Ifd0Ascii(ExifTags::DateTime, "2001:01:01 00:00:00")
            .ExifPointer()
            .ExifAscii(ExifTags::DateTimeOriginal, "2002:02:02 00:00:00");
        EXPECT_EQ(DateOf(all.Build()).Date, "2001:01:01 00:00:00");

        TExifFile blankIfd0(order);
        blankIfd0.Ifd0Ascii(ExifTags::DateTime, "  ")
            .ExifPointer()
            .ExifAscii(ExifTags::DateTimeDigitized, "2003:03:03 00:00:00")
            .ExifAscii(ExifTags::DateTimeOriginal, "2002:02:02 00:00:00");
        EXPECT_EQ(DateOf(blankIfd0.Build()).Date, "2002:02:02 00:00:00");

        TExifFile digitized(order);
        digitized.ExifPointer().ExifAscii(ExifTags::DateTimeDigitized, "2003:03:03 00:00:00");
        EXPECT_EQ(DateOf(digitized.Build()).Date, "2003:03:03 00:00:00");

        // An empty original date must not wipe the digitized one found before it.
        TExifFile emptyOriginal(order);
        emptyOriginal.ExifPointer()
            .ExifAscii(ExifTags::DateTimeDigitized, "2003:03:03 00:00:00")
            .ExifAscii(ExifTags::DateTimeOriginal, " ");
        EXPECT_EQ(DateOf(emptyOriginal.Build()).Date, "2003:03:03 00:00:00");

        // Only ASCII entries count.
        TExifFile wrongType(order);
        wrongType.Ifd0(ExifTags::DateTime, ExifTypes::Undefined, 4, { '2', '0', '0', '1' });
        EXPECT_EQ(DateOf(wrongType.Build()).Date, "");
    }
}

TEST(ExifReader, ModelIsTrimmedOfBlanksAndControlsOnly)
{
    TExifFile file(ExifByteOrder::BigEndian, true);
    file.Ifd0Ascii(ExifTags::Model, "\t  Canon EOS 300D \r\n");
    EXPECT_EQ(DateOf(file.Build()).Model, "Canon EOS 300D");
    // A Latin-1 byte becomes its UTF-8 character.
    TExifFile latin(ExifByteOrder::LittleEndian);
    latin.Ifd0Ascii(ExifTags::Model,
        "Kamera Gr\xF6\xDF"
        "e ");
    EXPECT_EQ(DateOf(latin.Build()).Model, "Kamera Größe");
    TExifFile utf8(ExifByteOrder::LittleEndian);
    utf8.Ifd0Ascii(ExifTags::Model, " Größe");
    EXPECT_EQ(DateOf(utf8.Build()).Model, "Größe");
}

TEST(ExifReader, PointerBeyondTheEleventhSlotIsNeverFollowed)
{
    TExifFile file(ExifByteOrder::LittleEndian);
    for (std::uint16_t k = 0; k < 11; ++k)
        file.Ifd0(static_cast<std::uint16_t>(0x0200 + k), ExifTypes::Short, 1, file.Short(k));
    file.ExifPointer().ExifAscii(ExifTags::DateTimeOriginal, "2002:02:02 00:00:00");
    auto block = BlockOf(file.Build());
    ASSERT_TRUE(block);
    std::string date, model;
    ReadExifDate(*block, date, model);
    EXPECT_EQ(date, "");
    EXPECT_FALSE(block->ExifDirectory);
    std::vector<std::uint16_t> tags;
    EnumerateExif(*block, [&](std::uint16_t tag, auto...) { tags.push_back(tag); });
    EXPECT_EQ(tags.size(), 11u);
    EXPECT_EQ(tags.back(), 0x020A);
}

TEST(ExifReader, ExifDirectoryWalkTakesNoSlotStartingAt4084)
{
    // IFD0 holds only the pointer, so the Exif directory's slots start at window position 40 and
    // slot 337 starts at 4084: it would still end inside the window, but is not taken.
    for (const ExifByteOrder order : BothOrders) {
        TExifFile file(order);
        file.ExifPointer();
        for (std::uint16_t k = 0; k < 338; ++k)
            file.Exif(static_cast<std::uint16_t>(0x1000 + k), ExifTypes::Short, 1, file.Short(k));
        auto block = BlockOf(file.Build());
        ASSERT_TRUE(block);
        std::vector<std::uint16_t> tags;
        EnumerateExif(*block, [&](std::uint16_t tag, auto...) { tags.push_back(tag); });
        ASSERT_EQ(tags.size(), 337u); // the pointer itself is no row
        EXPECT_EQ(tags.back(), 0x1000 + 336) << "the slot at 4072 is the last one taken";
        ASSERT_TRUE(block->ExifDirectory);
        EXPECT_EQ(*block->ExifDirectory + 2 + 12 * 337, ExifBlock::ExifDirectorySlotLimit);
    }
}

TEST(ExifReader, OrientationIsFoundAnywhereInIfd0AndOnlyAsAShort)
{
    for (const ExifByteOrder order : BothOrders) {
        // Twelve entries first: past the eleven slots the date reader looks at.
        TExifFile file(order);
        for (std::uint16_t k = 0; k < 12; ++k)
            file.Ifd0(static_cast<std::uint16_t>(0x0100 + k), ExifTypes::Short, 1, file.Short(3));
        file.Ifd0(ExifTags::Orientation, ExifTypes::Short, 1, file.Short(8));
        EXPECT_EQ(ReadExifOrientation(*BlockOf(file.Build())), 8);
    }
    TExifFile asLong(ExifByteOrder::BigEndian);
    asLong.Ifd0(ExifTags::Orientation, ExifTypes::Long, 1, asLong.Long(6));
    EXPECT_EQ(ReadExifOrientation(*BlockOf(asLong.Build())), 0);

    // An entry count that runs past the end of the data stops at its edge.
    TExifFile cut(ExifByteOrder::LittleEndian);
    cut.Ifd0Ascii(ExifTags::Model, "K");
    Bytes bytes = cut.Build();
    bytes[cut.TiffPosition() + 8] = 0xFF;
    bytes[cut.TiffPosition() + 9] = 0xFF;
    EXPECT_EQ(ReadExifOrientation(*BlockOf(bytes)), 0);
}

TEST(ExifReader, TagNames)
{
    int named = 0;
    for (unsigned tag = 0; tag <= 0xFFFF; ++tag) {
        const bool hasName = ExifTagName(static_cast<std::uint16_t>(tag)).rfind("Tag0x", 0) != 0;
        ASSERT_EQ(ExifTagHasName(static_cast<std::uint16_t>(tag)), hasName) << tag;
        named += hasName;
    }
    EXPECT_EQ(named, 91);
    EXPECT_EQ(ExifTagName(0x8769), "ExifOffset");
    EXPECT_EQ(ExifTagName(0x83BB), "IPTC_NAA");
    EXPECT_EQ(ExifTagName(0xA005), "Interoperability_IFD_Pointer");
    EXPECT_EQ(ExifTagName(0x9216), "TIFF_EPStandardID");
    EXPECT_EQ(ExifTagName(0x00FE), "NewSubFileType");
    EXPECT_EQ(ExifTagName(0xA301), "SceneType");
    EXPECT_EQ(ExifTagName(0x9210), "Tag0x9210");
    EXPECT_EQ(ExifTagName(0x00AB), "Tag0x00AB");
}

TEST(ExifReader, TextsBecomeValidUtf8)
{
    EXPECT_EQ(FileBytesToUtf8("plain"), "plain");
    EXPECT_EQ(FileBytesToUtf8("\xC2\xB5m"), "µm");
    EXPECT_EQ(FileBytesToUtf8("\xB5m"), "µm");
    // Overlong forms, surrogates and cut-off sequences are not UTF-8: the whole text is Latin-1.
    EXPECT_EQ(FileBytesToUtf8("\xC0\xAF"), "\xC3\x80\xC2\xAF");
    EXPECT_EQ(FileBytesToUtf8("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xC2\x80");
    EXPECT_EQ(FileBytesToUtf8("\xC3\xA4\xF0\x9F"), "\xC3\x83\xC2\xA4\xC3\xB0\xC2\x9F");
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x93\xB7"));
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));
}
