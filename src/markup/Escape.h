#pragma once

// The four entities of the markup text: attribute values of project files and the texts of the
// album's pages.

#include <string>
#include <string_view>

namespace korvo {

// A value text for the file: the double quote, "&", "<" and ">" become "&quot;", "&amp;",
// "&lt;" and "&gt;"; every other byte stays.
std::string Escape(std::string_view text);
// Appends Escape(text) to `out` without a temporary.
void AppendEscaped(std::string& out, std::string_view text);
// File text back to the value text: resolves exactly the four entities above, "&amp;" last, so
// Unescape(Escape(x)) == x for every x. Any other "&...;" sequence stays as it is.
std::string Unescape(std::string_view text);

} // namespace korvo
