#pragma once

// German labels and values of the common EXIF entries, for pages that speak to the album's
// viewers rather than to the photographer's tools. Entries without a label keep the reader's
// name and value text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvo {

// "Aufnahmedatum", "Kamera", "Blende", … for the common tags; nullopt for the others.
std::optional<std::string_view> GermanExifLabel(std::uint16_t tag);

// The reader's value text as a German reader expects it: dates as "14.07.2024 15:30:00",
// decimal commas, "f/2,8", the flash in words. Texts of other tags, or in a form not foreseen,
// come back unchanged.
std::string GermanExifValue(std::uint16_t tag, std::string_view valueText);

} // namespace korvo
