#pragma once

// Small text rules shared by the settings page, project files and the command-line tool:
// flags and numbers from text, and locale-free number formatting.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvo {

// The inclusive range of a numeric setting and the amount by which a spinner steps it.
struct NumberRange {
    int Min = 0;
    int Max = 0;
    int Step = 1;

    constexpr bool Contains(std::int64_t value) const { return value >= Min && value <= Max; }
    constexpr int Clamp(std::int64_t value) const
    {
        return value < Min ? Min : value > Max ? Max : static_cast<int>(value);
    }
};

std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);
// Removes every byte of value 32 or less from both ends.
std::string_view TrimControls(std::string_view text);

// Decimal digits, with a minus sign for negative numbers, never grouped.
std::string IntToText(std::int64_t value);
// Decimal digits padded on the left with zeros to at least `width` characters.
std::string ZeroPadded(std::int64_t value, int width);

// A whole decimal number, optionally signed, blanks around it allowed. Values too large for
// 64 bits saturate, which keeps "much too large" clamping to the top of a range.
std::optional<std::int64_t> ParseWholeNumber(std::string_view text);

// A number typed into the settings page: taken only when it is a whole number inside the range.
std::optional<int> ParseTypedNumber(std::string_view text, const NumberRange& range);

// A number read from a project file: clamped into the range; text that is not a whole number
// leaves `current` unchanged.
int NumberFromText(std::string_view text, const NumberRange& range, int current);

// One spinner step (steps may be negative); stops at the ends of the range, no wrap-around.
int StepNumber(int value, int steps, const NumberRange& range);

// A flag read from a project file: off for "", "0", "no", "non", "nein", "off", "disabled"
// (any letter case), on for every other text.
bool TextToFlag(std::string_view text);

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF).
bool IsValidUtf8(std::string_view text);

// The text with every piece that is not valid UTF-8 replaced by U+FFFD, one for each longest
// beginning of a broken sequence (as HTML pages show them, "&#65533;"); valid text unchanged.
std::string ReplaceInvalidUtf8(std::string_view text);

} // namespace korvo
