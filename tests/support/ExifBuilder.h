#pragma once

// Writes the start of a JPEG file with an Exif segment byte by byte, in either byte order: the
// start-of-image marker, an optional JFIF APP0 segment of length 16, the APP1 segment with "Exif"
// 00 00, the TIFF header, IFD0, the Exif directory and a data area for values longer than four
// bytes.

#include "exif/EXIF.h"
#include "model/TextRules.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvo::testing {

using Bytes = std::vector<std::uint8_t>;

class TExifFile {
public:
    explicit TExifFile(ExifByteOrder order, bool withApp0 = false)
        : m_order(order)
        , m_withApp0(withApp0)
    {
    }

    // `value` holds the value's bytes in file order (use the helpers below). Up to four bytes go
    // into the value field; longer values go into the data area and the field holds their offset.
    TExifFile& Ifd0(std::uint16_t tag, std::uint16_t type, std::uint32_t count, Bytes value)
    {
        m_ifd0.push_back({ tag, type, count, std::move(value), false });
        return *this;
    }
    TExifFile& Exif(std::uint16_t tag, std::uint16_t type, std::uint32_t count, Bytes value)
    {
        m_exif.push_back({ tag, type, count, std::move(value), false });
        return *this;
    }
    // The ExifOffset entry, at this place in IFD0, pointing at the Exif directory.
    TExifFile& ExifPointer()
    {
        m_ifd0.push_back({ ExifTags::ExifOffset, ExifTypes::Long, 1, {}, true });
        return *this;
    }
    // An entry whose value field holds `field` as it is, whatever type and count say.
    TExifFile& Ifd0Raw(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t field)
    {
        return Ifd0(tag, type, count, Long(field));
    }
    TExifFile& ExifRaw(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t field)
    {
        return Exif(tag, type, count, Long(field));
    }
    TExifFile& Ifd0Ascii(std::uint16_t tag, const std::string& text)
    {
        return Ifd0(tag, ExifTypes::Ascii, static_cast<std::uint32_t>(text.size() + 1), Ascii(text));
    }
    TExifFile& ExifAscii(std::uint16_t tag, const std::string& text)
    {
        return Exif(tag, ExifTypes::Ascii, static_cast<std::uint32_t>(text.size() + 1), Ascii(text));
    }

    Bytes Short(std::uint16_t value) const { return Number(value, 2); }
    Bytes Long(std::uint32_t value) const { return Number(value, 4); }
    Bytes Rational(std::uint32_t numerator, std::uint32_t denominator) const
    {
        Bytes bytes = Long(numerator);
        const Bytes second = Long(denominator);
        bytes.insert(bytes.end(), second.begin(), second.end());
        return bytes;
    }
    static Bytes Ascii(const std::string& text)
    {
        Bytes bytes(text.begin(), text.end());
        bytes.push_back(0);
        return bytes;
    }

    // Where the TIFF header starts in the finished file.
    std::size_t TiffPosition() const { return m_withApp0 ? 30 : 12; }

    Bytes Build() const
    {
        // Offsets from the TIFF header: IFD0 at 8, then the Exif directory, then the data area.
        const std::uint32_t ifd0 = 8;
        const std::uint32_t exif = ifd0 + DirectorySize(m_ifd0);
        std::uint32_t data = exif + DirectorySize(m_exif);
        Bytes tiff;
        if (m_order == ExifByteOrder::LittleEndian)
            tiff = { 'I', 'I', 0x2A, 0x00, 0x08, 0x00, 0x00, 0x00 };
        else
            tiff = { 'M', 'M', 0x00, 0x2A, 0x00, 0x00, 0x00, 0x08 };
        Bytes area;
        WriteDirectory(tiff, m_ifd0, exif, data, area);
        WriteDirectory(tiff, m_exif, exif, data, area);
        tiff.insert(tiff.end(), area.begin(), area.end());

        // Byte by byte: GCC 12 warns wrongly (-Warray-bounds) about inserting initializer lists.
        Bytes file;
        const auto put = [&file](std::initializer_list<std::uint8_t> bytes) {
            for (const std::uint8_t b : bytes)
                file.push_back(b);
        };
        put({ 0xFF, 0xD8 });
        if (m_withApp0)
            put({ 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00,
                0x00 });
        const std::size_t segmentLength = 2 + 6 + tiff.size();
        put({ 0xFF, 0xE1, static_cast<std::uint8_t>(segmentLength >> 8), static_cast<std::uint8_t>(segmentLength), 'E',
            'x', 'i', 'f', 0, 0 });
        Append(file, tiff);
        return file;
    }

private:
    struct Entry {
        std::uint16_t Tag;
        std::uint16_t Type;
        std::uint32_t Count;
        Bytes Value;
        bool IsPointer;
    };

    Bytes Number(std::uint32_t value, int size) const
    {
        Bytes bytes;
        for (int i = 0; i < size; ++i) {
            const int shift = m_order == ExifByteOrder::LittleEndian ? 8 * i : 8 * (size - 1 - i);
            bytes.push_back(static_cast<std::uint8_t>(value >> shift));
        }
        return bytes;
    }

    static std::uint32_t DirectorySize(const std::vector<Entry>& entries)
    {
        return entries.empty() ? 0 : static_cast<std::uint32_t>(2 + 12 * entries.size() + 4);
    }

    void WriteDirectory(
        Bytes& out, const std::vector<Entry>& entries, std::uint32_t exif, std::uint32_t& data, Bytes& area) const
    {
        if (entries.empty())
            return;
        Append(out, Short(static_cast<std::uint16_t>(entries.size())));
        for (const Entry& entry : entries) {
            Append(out, Short(entry.Tag));
            Append(out, Short(entry.Type));
            Append(out, Long(entry.Count));
            if (entry.IsPointer) {
                Append(out, Long(exif));
            } else if (entry.Value.size() <= 4) {
                Bytes field = entry.Value;
                field.resize(4, 0);
                Append(out, field);
            } else {
                Append(out, Long(data));
                Append(area, entry.Value);
                data += static_cast<std::uint32_t>(entry.Value.size());
            }
        }
        Append(out, Long(0));
    }

    static void Append(Bytes& out, const Bytes& bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }

    ExifByteOrder m_order;
    bool m_withApp0;
    std::vector<Entry> m_ifd0;
    std::vector<Entry> m_exif;
};

inline std::optional<ExifBlock> BlockOf(const Bytes& bytes) { return ExifBlockFromBytes(bytes.data(), bytes.size()); }

} // namespace korvo::testing
