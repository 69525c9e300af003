#pragma once

// The kinds of log message. The first character of a message is its kind: it says what the line
// reports and the colour it is drawn in, in the window and on a terminal alike. A new kind is one
// row of the table in MessageKinds.cpp.

#include <cstdint>
#include <span>
#include <string_view>

namespace korvo {

// The colour a message's kind character selects.
enum class MessageColour { WindowText, Blue, Grey, Red, Green };

struct RgbColour {
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
};

struct MessageKind {
    char Character;
    // What the program uses the kind for.
    std::string_view Meaning;
    MessageColour Colour;
    // The pen of the log page; WindowText has none of its own (the platform's text colour) and
    // gives black.
    RgbColour Window;
    // The escape sequence that starts the colour on a terminal; empty for the terminal's own.
    std::string_view Terminal;
};

// Every kind the log knows, the five the program writes first.
std::span<const MessageKind> MessageKinds();
// The row of a kind character; any character without a row is an unnamed kind in the
// window-text colour (its character is dropped all the same).
const MessageKind& KindOfMessage(char kind);

MessageColour MessageKindColour(char kind);
RgbColour MessageColourRgb(MessageColour colour);

} // namespace korvo
