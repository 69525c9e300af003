#pragma once

// The style sheet and the script that the modern pages share, written beside the index page.
// Neither loads anything from elsewhere, so the album works offline, from file://; the pages
// work without the script, which only adds keys, swiping and preloading.

#include <string_view>
#include <vector>

namespace korvo {

struct ModernAsset {
    std::string_view Name; // the file name beside the index page
    std::string_view Text;
};

const std::vector<ModernAsset>& ModernAssets();

inline constexpr std::string_view ModernStyleSheetName = "album.css";
inline constexpr std::string_view ModernScriptName = "album.js";

} // namespace korvo
