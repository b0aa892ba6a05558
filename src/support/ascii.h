// Character classes of the C locale, spelled out so that no locale can widen them.
#pragma once

#include <string>

namespace trawl {

inline bool is_ascii_alnum(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

inline char ascii_lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string ascii_lower(std::string s) {
  for (char& c : s) c = ascii_lower(c);
  return s;
}

}  // namespace trawl
