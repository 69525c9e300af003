#pragma once

// A deliberately plain reader of the markup, written step by step as the format is documented:
// it copies the rest of the text after every step, searches the whole remaining text for each
// end tag, and recurses per nesting level, so it is slow and only fit for small inputs. The
// tests hold the real reader against it on many inputs.

#include "markup/MLParse.h"

#include <string>
#include <string_view>

namespace korvo::testing {

// The four entity replacements as four replace-all passes, in their documented order.
std::string ReferenceUnescape(std::string_view text);

void ReferenceParseChildren(TMLTag& parent, std::string_view text);

// One line per element: its depth, its its name and attributes; bytes outside printable
// ASCII are written as \xHH, so two trees are equal exactly when their descriptions are. Works
// without recursion, for trees of any depth.
std::string DescribeTree(const TMLTag& root);

} // namespace korvo::testing
