#include "exif/ExifValueText.h"
#include "support/ExifBuilder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

using namespace korvo;
using namespace korvo::testing;

namespace {

constexpr ExifByteOrder BothOrders[] = { ExifByteOrder::LittleEndian, ExifByteOrder::BigEndian };

struct Row {
    std::uint16_t Tag;
    std::string Name;
    std::string Text;

    bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Row& row)
{
    return out << std::hex << row.Tag << " " << row.Name << " = " << row.Text;
}

std::vector<Row> Rows(const Bytes& bytes)
{
    auto block = BlockOf(bytes);
    EXPECT_TRUE(block);
    std::vector<Row> rows;
    if (block)
        EnumerateExif(
            *block, [&rows](std::uint16_t tag, std::uint32_t, const std::string& name, const std::string& text) {
                rows.push_back({ tag, name, text });
            });
    return rows;
}

// The texts of Exif-directory entries, each built by `add` on a file with just the pointer in IFD0.
template <typename Add> std::vector<std::string> TextsOf(ExifByteOrder order, Add add)
{
    TExifFile file(order);
    file.ExifPointer();
    add(file);
    std::vector<std::string> texts;
    for (const Row& row : Rows(file.Build()))
        texts.push_back(row.Text);
    return texts;
}

} // namespace

TEST(ExifValues, LookupTablesUseTheNumberWhateverTheType)
{
    for (const ExifByteOrder order : BothOrders) {
        const auto texts = TextsOf(order, [](TExifFile& f) {
            f.Exif(0x0112, ExifTypes::Short, 1, f.Short(6))
                .Exif(0x0112, ExifTypes::Short, 1, f.Short(1))
                .Exif(0x0112, ExifTypes::Long, 1, f.Long(8))
                .Exif(0x9209, ExifTypes::Short, 1, f.Short(0x59))
                .Exif(0x9209, ExifTypes::Short, 1, f.Short(0x10))
                .Exif(0x8822, ExifTypes::Short, 1, f.Short(7))
                .Exif(0x9208, ExifTypes::Short, 1, f.Short(17))
                .Exif(0x9210, ExifTypes::Short, 1, f.Short(5))
                .Exif(0xA300, ExifTypes::Undefined, 1, { 3 })
                .Exif(0xA301, ExifTypes::Undefined, 1, { 1 })
                .Exif(0x0213, ExifTypes::Short, 1, f.Short(2));
        });
        EXPECT_EQ(texts,
            (std::vector<std::string> { "Portrait", "Landscape", "Portrait, rotated", "auto fired", "off",
                "Portrait mode (for closeup photos with the background out of focus)", "Standard light A", "µm",
                "Digital Still Camera", "Directly Photographed Scene", "Co-Sited" }));
    }
    // A number without a text shows the whole raw value, which depends on the byte order.
    const auto orientation9 = [](TExifFile& f) { f.Exif(0x0112, ExifTypes::Short, 1, f.Short(9)); };
    EXPECT_EQ(TextsOf(ExifByteOrder::LittleEndian, orientation9), std::vector<std::string> { "Unknown (0x00000009)" });
    EXPECT_EQ(TextsOf(ExifByteOrder::BigEndian, orientation9), std::vector<std::string> { "Unknown (0x00090000)" });
}

TEST(ExifValues, TypeRules)
{
    for (const ExifByteOrder order : BothOrders) {
        const auto texts = TextsOf(order, [](TExifFile& f) {
            f.Exif(0x828F, ExifTypes::Byte, 1, { 200 })
                .Exif(0x8827, ExifTypes::Short, 1, f.Short(400))
                .Exif(0xA002, ExifTypes::Long, 1, f.Long(3000000000u))
                .Exif(0x882A, ExifTypes::SLong, 1, f.Long(static_cast<std::uint32_t>(-5)))
                .ExifAscii(0x010F, " Make\twith blanks ")
                .ExifAscii(0x0131, "abc") // fits the value field
                .Exif(0x9000, ExifTypes::Undefined, 4, { '0', '2', '2', '0' })
                .Exif(0x9000, ExifTypes::Ascii, 4, { '0', '2', '1', '0' })
                .Exif(0xA215, 11, 1, f.Long(0x3F800000)) // a FLOAT is not interpreted
                // Three SHORTs do not fit the value field: the first is read behind the offset.
                .Exif(0x0102, ExifTypes::Short, 3, [&f] {
                    Bytes b = f.Short(8);
                    for (int i = 0; i < 2; ++i)
                        b.insert(b.end(), { b[0], b[1] });
                    return b;
                }());
        });
        EXPECT_EQ(texts,
            (std::vector<std::string> { "200", "400", "3000000000", "-5", " Make\twith blanks ", "abc", "0220", "0210",
                "Unknown (0x3F800000)", "8" }));
        // The details page asks this to drop the fallback, whatever the stored texts look like.
        for (const std::string& text : texts)
            EXPECT_EQ(ExifValueHasText(text), text != "Unknown (0x3F800000)") << text;
    }
    const auto components = [](TExifFile& f) { f.Exif(0x9101, ExifTypes::Undefined, 4, { 1, 2, 3, 0 }); };
    EXPECT_EQ(TextsOf(ExifByteOrder::LittleEndian, components), std::vector<std::string> { "0x00030201" });
    EXPECT_EQ(TextsOf(ExifByteOrder::BigEndian, components), std::vector<std::string> { "0x01020300" });
}

TEST(ExifValues, RationalRules)
{
    for (const ExifByteOrder order : BothOrders) {
        const auto texts = TextsOf(order, [](TExifFile& f) {
            const auto negative = [](int value) { return static_cast<std::uint32_t>(value); };
            f.Exif(0x829A, ExifTypes::Rational, 1, f.Rational(1, 60))
                .Exif(0x829A, ExifTypes::Rational, 1, f.Rational(10, 4))
                .Exif(0x829A, ExifTypes::Rational, 1, f.Rational(2, 5)) // 1/x = 2.5: halves go to even
                .Exif(0x829A, ExifTypes::Rational, 1, f.Rational(2, 7)) // 1/x = 3.5
                .Exif(0x9201, ExifTypes::SRational, 1, f.Rational(6, 1))
                .Exif(0x9201, ExifTypes::SRational, 1, f.Rational(0, 1))
                .Exif(0x9201, ExifTypes::SRational, 1, f.Rational(negative(-3), 2))
                .Exif(0x829D, ExifTypes::Rational, 1, f.Rational(28, 10))
                .Exif(0x829D, ExifTypes::Rational, 1, f.Rational(25, 100)) // exactly 0.25
                .Exif(0x920A, ExifTypes::Rational, 1, f.Rational(58, 10))
                .Exif(0x011A, ExifTypes::Rational, 1, f.Rational(72, 1))
                .Exif(0x9204, ExifTypes::SRational, 1, f.Rational(negative(-1), 3))
                .Exif(0x9204, ExifTypes::SRational, 1, f.Rational(0, negative(-5)))
                .Exif(0x9206, ExifTypes::Rational, 1, f.Rational(4294967295u, 1));
        });
        EXPECT_EQ(texts,
            (std::vector<std::string> { "1/60 s", "2.5 s", "1/2 s", "1/4 s", "1/64 s", "1.0 s", "2.8 s", "F2.8", "F0.2",
                "5.8 mm", "72.00 (72/1)", "-0.33 (-1/3)", "-0.00 (0/-5)", "4294967295.00 (4294967295/1)" }));
    }
}

TEST(ExifValues, RationalsWithoutAValueStillGetARowAndTheWalkGoesOn)
{
    const auto texts = TextsOf(ExifByteOrder::LittleEndian, [](TExifFile& f) {
        f.Exif(0x920A, ExifTypes::Rational, 1, f.Rational(5, 0))
            .Exif(0x829D, ExifTypes::Rational, 1, f.Rational(0, 0))
            .Exif(0x9204, ExifTypes::SRational, 1, f.Rational(static_cast<std::uint32_t>(-1), 0))
            .Exif(0x829A, ExifTypes::Rational, 1, f.Rational(0, 1))
            .Exif(0x9201, ExifTypes::SRational, 1, f.Rational(2000, 1)) // 2^-2000 s is 0 in double
            .Exif(0x9201, ExifTypes::SRational, 1, f.Rational(static_cast<std::uint32_t>(-2000), 1))
            .Exif(0x0112, ExifTypes::Short, 1, f.Short(3));
    });
    EXPECT_EQ(texts,
        (std::vector<std::string> { "unknown (5/0)", "unknown (0/0)", "unknown (-1/0)", "unknown (0/1)",
            "unknown (2000/1)", "unknown (-2000/1)", "Landscape, rotated" }));
}

TEST(ExifValues, DecimalsMatchCPrintfExactly)
{
    // The C library's formatting in the "C" locale is the reference for every rounding case.
    std::mt19937 generator(20030714);
    std::uniform_int_distribution<std::uint32_t> small(0, 2000);
    const auto cFormat = [](const char* format, double value) {
        char buffer[400];
        std::snprintf(buffer, sizeof buffer, format, value);
        return std::string(buffer);
    };
    for (int round = 0; round < 40; ++round) {
        TExifFile file(ExifByteOrder::BigEndian);
        file.ExifPointer();
        std::vector<std::string> expected;
        for (int i = 0; i < 50; ++i) {
            const std::uint32_t numerator = small(generator);
            const std::uint32_t denominator = small(generator) + 1;
            const double x = static_cast<double>(numerator) / denominator;
            file.Exif(0x829D, ExifTypes::Rational, 1, file.Rational(numerator, denominator));
            expected.push_back(cFormat("F%.1f", x));
            file.Exif(0x829A, ExifTypes::Rational, 1, file.Rational(numerator + 1, denominator));
            const double time = static_cast<double>(numerator + 1) / denominator;
            expected.push_back(time >= 1 ? cFormat("%.1f s", time) : cFormat("1/%.0f s", 1 / time));
            file.Exif(0xA20E, ExifTypes::Rational, 1, file.Rational(numerator, denominator));
            expected.push_back(
                cFormat("%.2f", x) + " (" + std::to_string(numerator) + "/" + std::to_string(denominator) + ")");
        }
        std::vector<std::string> texts;
        for (const Row& row : Rows(file.Build()))
            texts.push_back(row.Text);
        ASSERT_EQ(texts, expected);
    }
}

TEST(ExifValues, AsciiNeedsItsNulWithinCountPlusOneBytes)
{
    TExifFile file(ExifByteOrder::LittleEndian);
    file.ExifPointer()
        .Exif(0x010F, ExifTypes::Ascii, 20, TExifFile::Ascii(std::string(21, 'x'))) // NUL is byte 22
        .Exif(0x0110, ExifTypes::Ascii, 20, TExifFile::Ascii(std::string(20, 'y'))) // NUL is byte 21
        .Exif(0x0131, ExifTypes::Ascii, 0xFFFFFFFF, TExifFile::Ascii("huge count"))
        .Exif(0x013B, ExifTypes::Ascii, 0, { 0 })
        .Exif(0x8298, ExifTypes::Ascii, 0, { 'a', 0 });
    EXPECT_EQ(Rows(file.Build()),
        (std::vector<Row> { { 0x0110, "Model", std::string(20, 'y') }, { 0x0131, "Software", "huge count" },
            { 0x013B, "Artist", "" } }));
}

TEST(ExifValues, EnumerationReportsIfd0BeforeThePointerThenTheExifDirectory)
{
    for (const ExifByteOrder order : BothOrders) {
        for (const bool app0 : { false, true }) {
            TExifFile file(order, app0);
            file.Ifd0Ascii(0x010F, "Make")
                .Ifd0(0x0112, ExifTypes::Short, 1, file.Short(1))
                .ExifPointer()
                .Ifd0Ascii(0x0131, "after the pointer")
                .Exif(0x829D, ExifTypes::Rational, 1, file.Rational(28, 10))
                .Exif(0x9999, ExifTypes::Short, 1, file.Short(7));
            EXPECT_EQ(Rows(file.Build()),
                (std::vector<Row> { { 0x010F, "Make", "Make" }, { 0x0112, "Orientation", "Landscape" },
                    { 0x829D, "FNumber", "F2.8" }, { 0x9999, "Tag0x9999", "7" } }));
        }
    }
    // Without a pointer the slots go on behind the directory's end: the next-directory offset and
    // the following bytes form a second entry (tag 0, type 0). The third slot would leave the file.
    TExifFile shortIfd0(ExifByteOrder::LittleEndian);
    shortIfd0.Ifd0(0x0112, ExifTypes::Short, 1, shortIfd0.Short(6));
    Bytes bytes = shortIfd0.Build();
    bytes.insert(bytes.end(), { 7, 0, 0, 0, 0x12, 0x34, 0x56, 0x78, 0xFF });
    EXPECT_EQ(Rows(bytes),
        (std::vector<Row> { { 0x0112, "Orientation", "Portrait" }, { 0, "Tag0x0000", "Unknown (0x78563412)" } }));
}

TEST(ExifValues, HostileOffsetsCountAsAbsent)
{
    for (const ExifByteOrder order : BothOrders) {
        TExifFile file(order);
        file.ExifPointer()
            .ExifRaw(0x829D, ExifTypes::Rational, 1, 0xFFFFFFFF)
            .ExifRaw(0x829D, ExifTypes::Rational, 1, 0xFFFFFFF6) // "-10" in 32-bit arithmetic
            .ExifRaw(0x010F, ExifTypes::Ascii, 10, 0xFFFFFFF6)
            .ExifRaw(0x0102, ExifTypes::Short, 3, 0x7FFFFFFF)
            .ExifRaw(0x0112, ExifTypes::Short, 3, 0xFFFFFFF0)
            .Exif(0x0112, ExifTypes::Short, 1, file.Short(8));
        Bytes bytes = file.Build();
        EXPECT_EQ(Rows(bytes), (std::vector<Row> { { 0x0112, "Orientation", "Portrait, rotated" } }))
            << "byte order " << static_cast<int>(order);

        // Eight rational bytes that reach past the end of the file are not read.
        TExifFile cut(order);
        cut.ExifPointer().Exif(0x829D, ExifTypes::Rational, 1, cut.Rational(28, 10));
        bytes = cut.Build();
        bytes.pop_back();
        EXPECT_TRUE(Rows(bytes).empty());
    }

    // An Exif pointer far outside the window: no Exif directory, the IFD0 rows stay.
    TExifFile outside(ExifByteOrder::LittleEndian);
    outside.Ifd0Ascii(0x010F, "Make").Ifd0Raw(ExifTags::ExifOffset, ExifTypes::Long, 1, 0xFFFFFFF0);
    EXPECT_EQ(Rows(outside.Build()), (std::vector<Row> { { 0x010F, "Make", "Make" } }));
}

TEST(ExifValues, DirectoryWalksEndInsideTheWindow)
{
    // An Exif pointer back at IFD0 reads IFD0 once more, without following the pointer again.
    TExifFile self(ExifByteOrder::BigEndian);
    self.Ifd0Ascii(0x010F, "Make").Ifd0Raw(ExifTags::ExifOffset, ExifTypes::Long, 1, 8);
    EXPECT_EQ(Rows(self.Build()), (std::vector<Row> { { 0x010F, "Make", "Make" }, { 0x010F, "Make", "Make" } }));

    // An Exif directory that never meets a zero tag ends with the last slot that starts before 4084.
    TExifFile endless(ExifByteOrder::LittleEndian);
    endless.ExifPointer();
    Bytes bytes = endless.Build();
    const std::size_t directory = bytes.size(); // the pointer leads right behind IFD0
    bytes.resize(5000, 0x01);
    auto block = BlockOf(bytes);
    ASSERT_TRUE(block);
    std::vector<std::size_t> slots;
    EnumerateExif(*block, [](auto...) {});
    for (const std::size_t slot : block->ExifDirectorySlots())
        slots.push_back(slot);
    ASSERT_FALSE(slots.empty());
    EXPECT_EQ(slots.front(), directory + 2);
    EXPECT_LT(slots.back(), ExifBlock::ExifDirectorySlotLimit);
    EXPECT_GE(slots.back() + 12, ExifBlock::ExifDirectorySlotLimit);
}
