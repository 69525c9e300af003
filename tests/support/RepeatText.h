#pragma once

// Long hostile texts for the markup and project tests: one piece many times over, built in one
// allocation (several of them are tens of megabytes).

#include <cstddef>
#include <string>
#include <string_view>

namespace korvo::testing {

inline std::string Repeat(std::string_view piece, std::size_t times)
{
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

} // namespace korvo::testing
