#include "support/tokenizer.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace trawl {

namespace {

// strchr finds the terminator too, so a NUL byte is a delimiter; the string
// kind stops at its NUL before ever asking.
bool is_delimiter(char c, const char* delimiters) {
  return std::strchr(delimiters, c) != nullptr;
}

std::string_view next_in_string(tokenizer& tok, const char* delimiters) {
  const char* p = tok.position;
  while (*p != '\0' && is_delimiter(*p, delimiters)) ++p;
  if (*p == '\0') {
    tok.position = p;
    return {};
  }
  const char* start = p;
  while (*p != '\0' && !is_delimiter(*p, delimiters)) ++p;
  tok.position = p;
  return {start, static_cast<size_t>(p - start)};
}

std::string_view next_in_region(tokenizer& tok, const char* delimiters) {
  while (tok.remaining > 0 && is_delimiter(*tok.position, delimiters)) {
    ++tok.position;
    --tok.remaining;
  }
  if (tok.remaining == 0) return {};
  const char* start = tok.position;
  while (tok.remaining > 0 && !is_delimiter(*tok.position, delimiters)) {
    ++tok.position;
    --tok.remaining;
  }
  return {start, static_cast<size_t>(tok.position - start)};
}

}  // namespace

tokenizer_ptr tokenizer_from_region(const char* base, size_t length) {
  return tokenizer_ptr(new (std::nothrow) tokenizer{tokenizer_kind::region, base, length});
}

tokenizer_ptr tokenizer_from_string(const char* text) {
  return tokenizer_ptr(new (std::nothrow) tokenizer{tokenizer_kind::string, text, 0});
}

std::string_view tokenizer_next(tokenizer& tok, const char* delimiters) {
  switch (tok.kind) {
    case tokenizer_kind::region:
      return next_in_region(tok, delimiters);
    case tokenizer_kind::string:
      return next_in_string(tok, delimiters);
  }
  std::abort();  // a kind no constructor makes: the tokenizer was overwritten
}

std::optional<std::string> tokenizer_next_copy(tokenizer& tok, const char* delimiters) {
  std::string_view token = tokenizer_next(tok, delimiters);
  if (token.data() == nullptr) return std::nullopt;
  // Callers read a missing copy as the end of the list, out of memory included.
  try {
    return std::string(token);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

long tokenizer_next_into(tokenizer& tok, const char* delimiters, char* buf, size_t size) {
  std::string_view token = tokenizer_next(tok, delimiters);
  if (token.data() == nullptr) return 0;
  if (token.size() >= size) return -1;
  std::memcpy(buf, token.data(), token.size());
  buf[token.size()] = '\0';
  return static_cast<long>(token.size());
}

void tokenizer_destroy(tokenizer_ptr& tok) {
  tok.reset();
}

std::vector<std::string> tokenizer_split(const char* text, const char* delimiters) {
  std::vector<std::string> tokens;
  tokenizer tok{tokenizer_kind::string, text, 0};
  for (std::string_view t = tokenizer_next(tok, delimiters); t.data() != nullptr;
       t = tokenizer_next(tok, delimiters))
    tokens.emplace_back(t);
  return tokens;
}

}  // namespace trawl
