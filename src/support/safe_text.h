// Server-supplied text made safe for a terminal: control characters (C1 too),
// the invisible format characters that reorder or hide text (bidirectional
// controls, zero-width characters), bytes of invalid UTF-8 and backslashes
// that would read as an escape are written as \DDD decimal escapes of each
// byte, as DNS master files write them.
#pragma once

#include <string>
#include <string_view>

namespace trawl {

// The C1 controls (U+0080 to U+009F), the bidirectional controls (U+200E,
// U+200F, U+202A to U+202E, U+2066 to U+2069) and the zero-width characters
// (U+200B to U+200D, U+2060, U+FEFF).
bool is_invisible_code_point(char32_t c);

// True when the JSON text holds one of those characters raw.
bool json_needs_visible(std::string_view json);

// Appends JSON text with each of those characters written as its \uXXXX
// escape: the same JSON value, which no terminal or reader can mistake.
void append_json_visible(std::string& out, std::string_view json);

// True when text holds a control character (below 0x20, or 0x7f).
bool has_control_character(std::string_view text);

// True when the text would be written unchanged.
bool is_safe_text(std::string_view text);

// Appends the text to out, escaped where it must be.
void append_safe(std::string& out, std::string_view text);

// The text escaped where it must be.
std::string safe_text(std::string_view text);

// Bytes of a value that a message quotes at most.
inline constexpr size_t quoted_value_limit = 200;

// The text escaped where it must be, in single quotes: how a message names
// a value the user or a server gave. Of a longer value, the first
// quoted_value_limit bytes and a count of the rest: "'abc...'... (N more bytes)".
std::string quoted_value(std::string_view text);

}  // namespace trawl
