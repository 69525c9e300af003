#include "exif/ExifLabels.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace korvo {

namespace {

    constexpr std::array<std::pair<std::uint16_t, std::string_view>, 23> Labels { {
        { 0x010E, "Beschreibung" },
        { 0x010F, "Hersteller" },
        { 0x0110, "Kamera" },
        { 0x0112, "Ausrichtung" },
        { 0x0131, "Software" },
        { 0x0132, "Geändert" },
        { 0x013B, "Fotograf" },
        { 0x8298, "Urheberrecht" },
        { 0x829A, "Belichtung" },
        { 0x829D, "Blende" },
        { 0x8822, "Belichtungsprogramm" },
        { 0x8827, "ISO" },
        { 0x9003, "Aufnahmedatum" },
        { 0x9004, "Digitalisiert" },
        { 0x9201, "Verschlusszeit" },
        { 0x9202, "Blendenwert" },
        { 0x9204, "Belichtungskorrektur" },
        { 0x9207, "Messmethode" },
        { 0x9209, "Blitz" },
        { 0x920A, "Brennweite" },
        { 0xA002, "Bildbreite" },
        { 0xA003, "Bildhöhe" },
        { 0xA405, "Brennweite (KB)" },
    } };

    constexpr std::array<std::pair<std::string_view, std::string_view>, 12> FlashWords { {
        { "no", "nicht ausgelöst" },
        { "fired", "ausgelöst" },
        { "fired, no return sensed", "ausgelöst, kein Rücklicht erkannt" },
        { "fired, return sensed", "ausgelöst, Rücklicht erkannt" },
        { "fill fired", "Aufhellblitz ausgelöst" },
        { "fill fired, no return sensed", "Aufhellblitz ausgelöst, kein Rücklicht erkannt" },
        { "fill fired, return sensed", "Aufhellblitz ausgelöst, Rücklicht erkannt" },
        { "off", "aus" },
        { "auto off", "Automatik, nicht ausgelöst" },
        { "auto fired", "Automatik, ausgelöst" },
        { "auto fired, no return sensed", "Automatik, ausgelöst, kein Rücklicht erkannt" },
        { "auto fired, return sensed", "Automatik, ausgelöst, Rücklicht erkannt" },
    } };

    bool Digits(std::string_view text, std::size_t at, std::size_t count)
    {
        return at + count <= text.size()
            && std::all_of(text.begin() + static_cast<std::ptrdiff_t>(at),
                text.begin() + static_cast<std::ptrdiff_t>(at + count),
                [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
    }

    // "2024:07:14 15:30:00" → "14.07.2024 15:30:00"; anything else as it is.
    std::string GermanDate(std::string_view text)
    {
        if (text.size() < 10 || !Digits(text, 0, 4) || text[4] != ':' || !Digits(text, 5, 2) || text[7] != ':'
            || !Digits(text, 8, 2))
            return std::string(text);
        std::string date = std::string(text.substr(8, 2)) + "." + std::string(text.substr(5, 2)) + "."
            + std::string(text.substr(0, 4));
        return date + std::string(text.substr(10));
    }

    // The reader's "50.0 mm" as "50 mm", "0.33 (1/3)" as "0,33 (1/3)".
    std::string DecimalComma(std::string_view text)
    {
        std::string result(text);
        const std::size_t point = result.find('.');
        if (point == std::string::npos || point == 0 || !Digits(result, point - 1, 1) || !Digits(result, point + 1, 1))
            return result;
        std::size_t end = point + 1;
        while (end < result.size() && std::isdigit(static_cast<unsigned char>(result[end])))
            ++end;
        if (result.find_first_not_of('0', point + 1) >= end)
            result.erase(point, end - point); // only zeros after the point
        else
            result[point] = ',';
        return result;
    }

} // namespace

std::optional<std::string_view> GermanExifLabel(std::uint16_t tag)
{
    for (const auto& [number, label] : Labels)
        if (number == tag)
            return label;
    return std::nullopt;
}

std::string GermanExifValue(std::uint16_t tag, std::string_view valueText)
{
    switch (tag) {
    case 0x0132:
    case 0x9003:
    case 0x9004:
        return GermanDate(valueText);
    case 0x829D: // "F2.8"
        if (valueText.size() > 1 && valueText[0] == 'F' && Digits(valueText, 1, 1))
            return "f/" + DecimalComma(valueText.substr(1));
        return std::string(valueText);
    case 0x829A:
    case 0x9201:
    case 0x9204:
    case 0x920A:
        return DecimalComma(valueText);
    case 0x9209:
        for (const auto& [english, german] : FlashWords)
            if (english == valueText)
                return std::string(german);
        return std::string(valueText);
    default:
        return std::string(valueText);
    }
}

} // namespace korvo
