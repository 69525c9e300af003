#pragma once

// Text encodings at the edges of the program. Texts inside it are UTF-8; HTML pages are written
// as windows-1250 bytes, as their head declares, and older project files may still hold
// windows-1250 bytes.

#include "model/TextRules.h" // IsValidUtf8

#include <string>
#include <string_view>

namespace korvo {

// Every byte read as windows-1250. The five bytes that set leaves undefined (0x81, 0x83, 0x88,
// 0x90, 0x98) become the control characters of the same number, as on the system those files
// come from.
std::string Windows1250ToUtf8(std::string_view bytes);

// UTF-8 text for a windows-1250 HTML page: every character that windows-1250 has becomes its
// byte ("Zurück" stays six characters, "€" becomes 0x80); every other character becomes a
// decimal numeric character reference such as "&#12354;", which a browser shows as the
// character itself; bytes that are not valid UTF-8 become "&#65533;" (the replacement
// character), one for each longest piece of a broken sequence. Markup in the text is left
// alone, so escape user texts before converting them.
std::string Utf8ToWindows1250(std::string_view text);

} // namespace korvo
