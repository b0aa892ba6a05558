// Splits a caller-owned text into tokens at runs of delimiter characters.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trawl {

enum class tokenizer_kind { region, string };

struct tokenizer {
  tokenizer_kind kind;
  const char* position;  // next unread character of the caller's text
  size_t remaining;      // bytes left, region kind only
};

using tokenizer_ptr = std::unique_ptr<tokenizer>;

tokenizer_ptr tokenizer_from_region(const char* base, size_t length);
tokenizer_ptr tokenizer_from_string(const char* text);

// The next token as a view into the caller's text; an empty view (data()
// nullptr) when no token is left. Tokens are never empty.
std::string_view tokenizer_next(tokenizer& tok, const char* delimiters);

// A copy of the next token, or nullopt when none is left.
std::optional<std::string> tokenizer_next_copy(tokenizer& tok, const char* delimiters);

// Copies the next token with a NUL into buf: its length, 0 when none is left,
// -1 when it does not fit (the token is consumed all the same).
long tokenizer_next_into(tokenizer& tok, const char* delimiters, char* buf, size_t size);

void tokenizer_destroy(tokenizer_ptr& tok);

// Every token of a string, in order: the form the program's own lists and
// lines are taken apart in.
std::vector<std::string> tokenizer_split(const char* text, const char* delimiters);

}  // namespace trawl
