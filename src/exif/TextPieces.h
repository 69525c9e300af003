#pragma once

// Small text helpers of the EXIF code: upper-case hex digits and joining pieces.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace korvo::exiftext {

inline std::string Hex8(std::uint32_t value)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string text(8, '0');
    for (int i = 7; i >= 0; --i, value >>= 4)
        text[static_cast<std::size_t>(i)] = Digits[value & 0xF];
    return text;
}

// Joins pieces into one text. GCC 12 warns wrongly (-Wrestrict) about "literal" + std::string,
// so texts are put together here instead.
inline std::string Concat(std::initializer_list<std::string_view> pieces)
{
    std::string text;
    for (const std::string_view piece : pieces)
        text += piece;
    return text;
}

} // namespace korvo::exiftext
