#pragma once

// The readable values of EXIF entries, in English, and the walk over a block's entries that the
// details page writes its rows from.

#include "exif/EXIF.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace korvo {

using ExifCallback = std::function<void(
    std::uint16_t tag, std::uint32_t rawValue, const std::string& name, const std::string& valueText)>;

// Calls `callback` for every reportable entry, in file order: the IFD0 entries before the
// ExifOffset entry (at most eleven slots), then the Exif directory's entries when that pointer was
// met. False without any call when the file has no EXIF block; throws ExifReadError as
// LoadExifBlock does.
bool EnumerateExif(const std::string& fileName, const ExifCallback& callback);
// The same on a loaded block; sets the block's ExifDirectory on the way.
void EnumerateExif(ExifBlock& block, const ExifCallback& callback);

// The readable value of an entry; none when the entry is not reportable (its data lie outside the
// window, or an ASCII text has no NUL byte within count + 1 bytes). Values without a text of their
// own give "Unknown (0x" + eight hex digits of the raw value + ")".
std::optional<std::string> ExifValueText(const ExifBlock& block, const ExifEntry& entry);

// Whether a text from ExifValueText is the value's own text rather than that fallback; the
// details page shows only those. A stored text that reads like the fallback counts as one.
bool ExifValueHasText(std::string_view valueText);

} // namespace korvo
