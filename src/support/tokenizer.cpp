#include "support/tokenizer.h"

#include <cstring>

namespace trawl {

namespace {

bool is_delimiter(char c, const char* delimiters) {
  return c != '\0' && std::strchr(delimiters, c) != nullptr;
}

}  // namespace

std::string_view tokenizer_next(tokenizer& tok, const char* delimiters) {
  const char* p = tok.position;
  while (is_delimiter(*p, delimiters)) ++p;
  if (*p == '\0') {
    tok.position = p;
    return {};
  }
  const char* start = p;
  while (*p != '\0' && !is_delimiter(*p, delimiters)) ++p;
  tok.position = p;
  return {start, static_cast<size_t>(p - start)};
}

std::vector<std::string> tokenizer_split(const char* text, const char* delimiters) {
  std::vector<std::string> tokens;
  tokenizer tok{text};
  for (std::string_view t = tokenizer_next(tok, delimiters); t.data() != nullptr;
       t = tokenizer_next(tok, delimiters))
    tokens.emplace_back(t);
  return tokens;
}

}  // namespace trawl
