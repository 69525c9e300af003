#include "model/TextRules.h"

#include <charconv>
#include <limits>

namespace korvo {

std::string ToLowerAscii(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return result;
}

std::string ToUpperAscii(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return result;
}

std::string_view TrimControls(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32)
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32)
        text.remove_suffix(1);
    return text;
}

std::string IntToText(std::int64_t value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string ZeroPadded(std::int64_t value, int width)
{
    const std::uint64_t magnitude
        = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    char buffer[24];
    std::string digits(buffer, std::to_chars(buffer, buffer + sizeof buffer, magnitude).ptr);
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

std::optional<std::int64_t> ParseWholeNumber(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    constexpr std::int64_t Limit = std::numeric_limits<std::int64_t>::max() / 10 - 1;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        if (value < Limit)
            value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

std::optional<int> ParseTypedNumber(std::string_view text, const NumberRange& range)
{
    const auto value = ParseWholeNumber(text);
    if (!value || !range.Contains(*value))
        return std::nullopt;
    return static_cast<int>(*value);
}

int NumberFromText(std::string_view text, const NumberRange& range, int current)
{
    const auto value = ParseWholeNumber(text);
    return value ? range.Clamp(*value) : current;
}

int StepNumber(int value, int steps, const NumberRange& range)
{
    return range.Clamp(static_cast<std::int64_t>(value) + static_cast<std::int64_t>(steps) * range.Step);
}

bool TextToFlag(std::string_view text)
{
    const std::string lower = ToLowerAscii(text);
    return !(lower.empty() || lower == "0" || lower == "no" || lower == "non" || lower == "nein" || lower == "off"
        || lower == "disabled");
}

namespace {

    // The length of the UTF-8 sequence at the front of `text` when it is well-formed (no overlong
    // forms, no surrogates, nothing above U+10FFFF); otherwise 0, with `broken` set to the length
    // of its longest well-formed beginning, at least 1.
    std::size_t SequenceLength(std::string_view text, std::size_t& broken)
    {
        const auto byteAt = [&text](std::size_t at) { return static_cast<unsigned char>(text[at]); };
        const unsigned lead = byteAt(0);
        broken = 1;
        if (lead < 0x80)
            return 1;
        std::size_t length = 0;
        unsigned low = 0x80;
        unsigned high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80; // E0 80…9F would be overlong
            high = lead == 0xED ? 0x9F : 0xBF; // ED A0…BF would be surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80; // F0 80…8F would be overlong
            high = lead == 0xF4 ? 0x8F : 0xBF; // F4 90… would lie above U+10FFFF
        } else {
            return 0;
        }
        for (std::size_t i = 1; i < length; ++i) {
            if (i >= text.size() || byteAt(i) < low || byteAt(i) > high) {
                broken = i;
                return 0;
            }
            low = 0x80;
            high = 0xBF;
        }
        return length;
    }

} // namespace

bool IsValidUtf8(std::string_view text)
{
    std::size_t broken = 0;
    while (!text.empty()) {
        const std::size_t length = SequenceLength(text, broken);
        if (length == 0)
            return false;
        text.remove_prefix(length);
    }
    return true;
}

std::string ReplaceInvalidUtf8(std::string_view text)
{
    if (IsValidUtf8(text))
        return std::string(text);
    std::string result;
    result.reserve(text.size() + 8);
    std::size_t broken = 0;
    while (!text.empty()) {
        const std::size_t length = SequenceLength(text, broken);
        if (length > 0) {
            result.append(text.substr(0, length));
            text.remove_prefix(length);
        } else {
            result += "\xEF\xBF\xBD";
            text.remove_prefix(broken);
        }
    }
    return result;
}

} // namespace korvo
