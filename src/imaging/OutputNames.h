#pragma once

// The names of the album's files and folders as the settings make them: numbered picture and
// page names, their HiDPI twins, and the checks that keep every name inside the album's folder.

#include <string>
#include <string_view>

namespace korvo {

// The number's decimal digits, padded with zeros on the left to at least `digits`.
std::string NumberText(int number, int digits);

// The template with its first "%", "?" or "*" replaced by NumberText (appended when there
// is none); later placeholders stay as "%". The result is one file name (see SafeFileName).
std::string BuildFileName(int number, std::string_view nameTemplate, int digits);

// The name of a picture's HiDPI twin: "image001.jpg" gives "image001@2x.jpg".
std::string DoubledFileName(std::string_view name);

// A name from the settings as one file name inside the album's folder: every "/" and NUL byte
// becomes "_", so that no template, however hostile, can reach into another folder.
std::string SafeFileName(std::string_view name);

// Whether a name can be an own picture folder: a single folder level below the album's folder,
// so not empty, not "." or "..", and without "/" or NUL bytes.
bool IsOwnFolderName(std::string_view name);

} // namespace korvo
