#pragma once

// The names of EXIF tags, the row labels of the details page.

#include <cstdint>
#include <string>

namespace korvo {

// Whether the tag has a name of its own; the details page shows only those.
bool ExifTagHasName(std::uint16_t tag);
// The name of a tag ("Model", "ExifOffset", …), or "Tag0x" and four upper-case hex digits.
std::string ExifTagName(std::uint16_t tag);

} // namespace korvo
