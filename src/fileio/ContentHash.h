#pragma once

// A 64-bit hash of bytes (FNV-1a), for telling apart versions of a text that the album keeps for
// itself: the settings a picture was made with, and the album's record to see it was not
// changed since it was written. Not meant to stand against someone who forges a match.

#include <cstdint>
#include <string>
#include <string_view>

namespace korvo {

inline constexpr std::uint64_t HashSeed = 0xcbf29ce484222325ull;

inline std::uint64_t HashBytes(std::string_view bytes, std::uint64_t hash = HashSeed)
{
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

// Sixteen lower-case hex digits.
inline std::string HashText(std::uint64_t hash)
{
    static constexpr char Hex[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4)
        text[static_cast<std::size_t>(i)] = Hex[hash & 0xF];
    return text;
}

} // namespace korvo
