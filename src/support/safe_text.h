// Server-supplied text made safe for a terminal: control characters, bytes
// of invalid UTF-8 and backslashes that would read as an escape are written
// as \DDD decimal escapes, as DNS master files write them.
#pragma once

#include <string>
#include <string_view>

namespace trawl {

// True when text holds a control character (below 0x20, or 0x7f).
bool has_control_character(std::string_view text);

// True when the text would be written unchanged.
bool is_safe_text(std::string_view text);

// Appends the text to out, escaped where it must be.
void append_safe(std::string& out, std::string_view text);

// The text escaped where it must be.
std::string safe_text(std::string_view text);

// The text escaped where it must be, in single quotes: how a message names
// a value the user or a server gave.
std::string quoted_value(std::string_view text);

}  // namespace trawl
