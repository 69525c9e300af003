// Random and mutated EXIF blocks. Under AddressSanitizer the window bytes behind the block's
// length are poisoned, so any read past the data of the file is a finding; in every build a second
// run with other bytes there must give the same results.

#include "exif/ExifValueText.h"
#include "support/ExifBuilder.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <sanitizer/asan_interface.h>

using namespace korvo;
using namespace korvo::testing;

namespace {

// A camera-like file: IFD0 with texts and rationals, the pointer, a full Exif directory.
Bytes CameraFile(ExifByteOrder order, bool app0)
{
    TExifFile f(order, app0);
    f.Ifd0Ascii(0x010F, "Canon")
        .Ifd0Ascii(ExifTags::Model, "Canon PowerShot A70")
        .Ifd0(0x0112, ExifTypes::Short, 1, f.Short(1))
        .Ifd0(0x011A, ExifTypes::Rational, 1, f.Rational(180, 1))
        .Ifd0(0x0128, ExifTypes::Short, 1, f.Short(2))
        .Ifd0Ascii(ExifTags::DateTime, "2003:07:14 18:05:09")
        .ExifPointer()
        .Exif(0x829A, ExifTypes::Rational, 1, f.Rational(1, 60))
        .Exif(0x829D, ExifTypes::Rational, 1, f.Rational(28, 10))
        .Exif(0x9000, ExifTypes::Undefined, 4, { '0', '2', '2', '0' })
        .ExifAscii(ExifTags::DateTimeOriginal, "2003:07:14 18:05:09")
        .ExifAscii(ExifTags::DateTimeDigitized, "2003:07:14 18:05:09")
        .Exif(0x9101, ExifTypes::Undefined, 4, { 1, 2, 3, 0 })
        .Exif(0x9201, ExifTypes::SRational, 1, f.Rational(189, 32))
        .Exif(0x9204, ExifTypes::SRational, 1, f.Rational(static_cast<std::uint32_t>(-1), 3))
        .Exif(0x9209, ExifTypes::Short, 1, f.Short(0x59))
        .Exif(0x920A, ExifTypes::Rational, 1, f.Rational(5406, 1000))
        .Exif(0x927C, ExifTypes::Undefined, 40, Bytes(40, 0x55))
        .Exif(0xA002, ExifTypes::Long, 1, f.Long(2048))
        .Exif(0xA300, ExifTypes::Undefined, 1, { 3 });
    return f.Build();
}

struct Outcome {
    std::string Date;
    std::string Model;
    int Orientation = 0;
    std::vector<std::string> Rows;
    std::vector<std::string> Entries;

    bool operator==(const Outcome&) const = default;
};

Outcome Run(ExifBlock& block, bool everySlot)
{
    Outcome outcome;
    ReadExifDate(block, outcome.Date, outcome.Model);
    outcome.Orientation = ReadExifOrientation(block);
    EnumerateExif(block, [&outcome](std::uint16_t, std::uint32_t, const std::string& name, const std::string& text) {
        outcome.Rows.push_back(name + "=" + text);
    });
    // Entries at every position, not just at the walks' slots.
    if (everySlot)
        for (std::size_t slot = 0; slot < block.Length; ++slot)
            if (const auto entry = block.EntryAt(slot))
                outcome.Entries.push_back(ExifValueText(block, *entry).value_or("-"));
    return outcome;
}

void Exercise(const Bytes& bytes, bool everySlot)
{
    const auto loaded = BlockOf(bytes);
    if (!loaded)
        return;
    const auto block = std::make_unique<ExifBlock>(*loaded);
    std::uint8_t* tail = block->Window.data() + block->Length;
    const std::size_t tailSize = ExifBlock::WindowSize - block->Length;
    ASAN_POISON_MEMORY_REGION(tail, tailSize);
    const Outcome first = Run(*block, everySlot);
    ASAN_UNPOISON_MEMORY_REGION(tail, tailSize);
    std::fill(tail, tail + tailSize, std::uint8_t { 0x20 });
    const Outcome second = Run(*block, everySlot);
    ASSERT_EQ(first, second) << "a read went past the file's bytes";
    for (const std::string* text : { &first.Date, &first.Model })
        ASSERT_TRUE(IsValidUtf8(*text));
    for (const auto* list : { &first.Rows, &first.Entries })
        for (const std::string& text : *list)
            ASSERT_TRUE(IsValidUtf8(text)) << text;
}

class TMutator {
public:
    explicit TMutator(std::uint32_t start)
        : m_generator(start)
    {
    }

    std::uint32_t Below(std::uint32_t limit)
    {
        return std::uniform_int_distribution<std::uint32_t>(0, limit - 1)(m_generator);
    }
    std::uint8_t Byte() { return static_cast<std::uint8_t>(Below(256)); }

    Bytes RandomBytes(std::size_t size)
    {
        Bytes bytes(size);
        for (std::size_t i = 0; i < size; i += 4) {
            const std::uint32_t word = m_generator();
            for (std::size_t k = 0; k < 4 && i + k < size; ++k)
                bytes[i + k] = static_cast<std::uint8_t>(word >> (8 * k));
        }
        return bytes;
    }

    // Offsets and counts that break naive arithmetic: zero, tiny, near the window's end, the
    // signed and unsigned limits and their neighbours.
    std::uint32_t Interesting()
    {
        static constexpr std::uint32_t Values[]
            = { 0, 1, 2, 4, 8, 0x7F, 0x80, 0xFF, 0x100, 4060, 4066, 4084, 4086, 4095, 4096, 0x7FFF, 0x8000, 0xFFFF,
                  0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFF0, 0xFFFFFFF6, 0xFFFFFFFE, 0xFFFFFFFF };
        return Values[Below(std::size(Values))] + (Below(4) == 0 ? Below(16) : 0);
    }

    void Mutate(Bytes& bytes)
    {
        const int count = 1 + static_cast<int>(Below(8));
        for (int i = 0; i < count && !bytes.empty(); ++i) {
            const std::size_t at = Below(static_cast<std::uint32_t>(bytes.size()));
            switch (Below(6)) {
            case 0:
                bytes[at] ^= static_cast<std::uint8_t>(1u << Below(8));
                break;
            case 1:
                bytes[at] = Byte();
                break;
            case 2:
            case 3: {
                // A 16- or 32-bit value, often into a value field or count of some slot.
                const std::uint32_t value = Interesting();
                const std::size_t size = Below(2) ? 4 : 2;
                for (std::size_t k = 0; k < size && at + k < bytes.size(); ++k)
                    bytes[at + k] = static_cast<std::uint8_t>(value >> (8 * k));
                break;
            }
            case 4:
                bytes.resize(Below(static_cast<std::uint32_t>(bytes.size())) + 1);
                break;
            default: {
                const Bytes more = RandomBytes(Below(5000));
                bytes.insert(bytes.end(), more.begin(), more.end());
                break;
            }
            }
        }
    }

private:
    std::mt19937 m_generator;
};

} // namespace

TEST(ExifFuzz, MutatedCameraFiles)
{
    TMutator mutator(4711);
    std::vector<Bytes> corpus;
    for (const auto order : { ExifByteOrder::LittleEndian, ExifByteOrder::BigEndian })
        for (const bool app0 : { false, true })
            corpus.push_back(CameraFile(order, app0));
    for (int i = 0; i < 80000; ++i) {
        Bytes bytes = corpus[static_cast<std::size_t>(i) % corpus.size()];
        mutator.Mutate(bytes);
        Exercise(bytes, i % 512 == 0);
        if (HasFatalFailure())
            return;
    }
}

TEST(ExifFuzz, RandomBytesBehindAValidHeader)
{
    TMutator mutator(1899);
    for (int i = 0; i < 40000; ++i) {
        const Bytes corpus
            = TExifFile(i % 2 ? ExifByteOrder::BigEndian : ExifByteOrder::LittleEndian, i % 3 == 0).Build();
        // Keep the header up to the number 42, then anything.
        Bytes bytes(corpus.begin(), corpus.end() - 4);
        const Bytes rest = mutator.RandomBytes(mutator.Below(600));
        bytes.insert(bytes.end(), rest.begin(), rest.end());
        Exercise(bytes, i % 512 == 0);
        if (HasFatalFailure())
            return;
    }
    // Entirely random starts hardly ever pass the header check, but must not trip either.
    for (int i = 0; i < 20000; ++i) {
        Bytes bytes = mutator.RandomBytes(mutator.Below(64));
        if (bytes.size() >= 2 && i % 2) {
            bytes[0] = 0xFF;
            bytes[1] = 0xD8;
        }
        Exercise(bytes, false);
    }
}
