// What a master-file text denotes, and whether it is safe to print, written
// apart from the printer so that each can check the other (unit tests and
// the safe_text fuzz target).
#pragma once

#include <string>
#include <string_view>

namespace trawl::oracle {

inline bool digit(unsigned char c) {
  return c >= '0' && c <= '9';
}

// Length of the valid escape at x[i] (\DDD up to 255, or \ and a printable
// non-digit other than the blank), or 0.
inline size_t escape_at(std::string_view x, size_t i) {
  if (x[i] != '\\' || i + 1 >= x.size()) return 0;
  const auto b = [&](size_t k) { return static_cast<unsigned char>(x[k]); };
  if (!digit(b(i + 1))) return b(i + 1) > ' ' && b(i + 1) <= '~' ? 2 : 0;
  if (i + 3 >= x.size() || !digit(b(i + 2)) || !digit(b(i + 3))) return 0;
  return (b(i + 1) - '0') * 100 + (b(i + 2) - '0') * 10 + (b(i + 3) - '0') <= 255 ? 4 : 0;
}

// The bytes x denotes: valid escapes decoded, every other byte itself.
inline std::string meaning(std::string_view x) {
  std::string out;
  for (size_t i = 0; i < x.size();) {
    const size_t n = escape_at(x, i);
    if (n == 2) {
      out += x[i + 1];
    } else if (n == 4) {
      out += static_cast<char>((x[i + 1] - '0') * 100 + (x[i + 2] - '0') * 10 + (x[i + 3] - '0'));
    } else {
      out += x[i];
    }
    i += n == 0 ? 1 : n;
  }
  return out;
}

// No control character (C0, DEL, C1), no invalid UTF-8, and every backslash
// begins a valid escape.
inline bool safe(std::string_view x) {
  for (size_t i = 0; i < x.size();) {
    const unsigned char c = static_cast<unsigned char>(x[i]);
    if (c == '\\') {
      const size_t n = escape_at(x, i);
      if (n == 0) return false;
      i += n;
    } else if (c < 0x80) {
      if (c < 0x20 || c == 0x7f) return false;
      ++i;
    } else {
      // Decode the sequence and insist on the shortest form of a scalar
      // value past the C1 controls.
      const size_t n = c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : c >= 0xc0 ? 2 : 0;
      if (n == 0 || c > 0xf4 || i + n > x.size()) return false;
      unsigned long value = c & (0x7f >> n);
      for (size_t k = 1; k < n; ++k) {
        const unsigned char t = static_cast<unsigned char>(x[i + k]);
        if ((t & 0xc0) != 0x80) return false;
        value = value << 6 | (t & 0x3f);
      }
      const unsigned long least[] = {0, 0, 0xa0, 0x800, 0x10000};
      if (value < least[n] || value > 0x10ffff || (value >= 0xd800 && value <= 0xdfff))
        return false;
      i += n;
    }
  }
  return true;
}

}  // namespace trawl::oracle
