// Splits a caller-owned text into tokens at runs of delimiter characters.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trawl {

// A cursor over a NUL-terminated text; the text must outlive it.
struct tokenizer {
  const char* position;  // next unread character of the caller's text
};

// The next token as a view into the caller's text; an empty view (data()
// nullptr) when no token is left. Tokens are never empty: a run of
// delimiters is one separator, and leading or trailing ones give nothing.
std::string_view tokenizer_next(tokenizer& tok, const char* delimiters);

// Every token of a text, in order: the form the program's own lists and
// lines are taken apart in.
std::vector<std::string> tokenizer_split(const char* text, const char* delimiters);

}  // namespace trawl
