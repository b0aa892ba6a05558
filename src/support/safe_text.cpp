#include "support/safe_text.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace trawl {

namespace {

bool is_digit(unsigned char c) {
  return c >= '0' && c <= '9';
}

bool is_control(unsigned char c) {
  return c < 0x20 || c == 0x7f;
}

// Length of the well-formed UTF-8 sequence starting at text[i], or 0.
size_t utf8_sequence_length(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  size_t length = 0;
  unsigned char low = 0x80, high = 0xbf;  // the range of the second byte
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    if (lead == 0xe0) low = 0xa0;   // no overlong forms
    if (lead == 0xed) high = 0x9f;  // no surrogates
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    if (lead == 0xf0) low = 0x90;
    if (lead == 0xf4) high = 0x8f;  // nothing past U+10FFFF
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (size_t k = 2; k < length; ++k)
    if (byte(i + k) < 0x80 || byte(i + k) > 0xbf) return 0;
  return length;
}

// The code point of the well-formed sequence of `length` bytes at text[i].
char32_t code_point(std::string_view text, size_t i, size_t length) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  static constexpr unsigned char lead_bits[] = {0, 0x7f, 0x1f, 0x0f, 0x07};
  char32_t c = byte(i) & lead_bits[length];
  for (size_t k = 1; k < length; ++k) c = (c << 6) | (byte(i + k) & 0x3f);
  return c;
}

// Length of the well-formed UTF-8 sequence starting at text[i] that a
// terminal shows as what it is, or 0. The C1 controls act as their 7-bit
// forms do on some terminals; the invisible format characters reorder or hide
// what is around them.
size_t utf8_length(std::string_view text, size_t i) {
  const size_t length = utf8_sequence_length(text, i);
  if (length == 0 || is_invisible_code_point(code_point(text, i, length))) return 0;
  return length;
}

// Length of the master-file escape starting at text[i], or 0: \DDD with DDD
// a decimal 000 to 255, or \ and a printable character other than a digit or
// the blank. Such an escape already means what it says and is kept whole, so
// that its second byte is never read as the start of another.
size_t escape_length(std::string_view text, size_t i) {
  if (text[i] != '\\' || i + 1 >= text.size()) return 0;
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  if (!is_digit(byte(i + 1))) return byte(i + 1) > 0x20 && byte(i + 1) < 0x7f ? 2 : 0;
  if (i + 3 >= text.size() || !is_digit(byte(i + 2)) || !is_digit(byte(i + 3))) return 0;
  const int value = (byte(i + 1) - '0') * 100 + (byte(i + 2) - '0') * 10 + (byte(i + 3) - '0');
  return value <= 255 ? 4 : 0;
}

// Bytes needing no thought at all: printable ASCII but the backslash.
bool plain(unsigned char c) {
  return c >= 0x20 && c < 0x7f && c != '\\';
}

void append_escape(std::string& out, unsigned char c) {
  char code[5];
  snprintf(code, sizeof code, "\\%03u", static_cast<unsigned>(c));
  out.append(code, 4);
}

// The offset of the first byte at or after i that must be escaped, or the
// text's size. The text is read left to right in whole units (a byte, an
// escape, a UTF-8 sequence); i is always the start of one. A backslash that
// begins no escape is escaped itself, or a reader could not tell it from one.
size_t next_unsafe(std::string_view text, size_t i) {
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    size_t length = 0;
    if (plain(c))
      length = 1;
    else if (c == '\\')
      length = escape_length(text, i);
    else if (c >= 0x80)
      length = utf8_length(text, i);
    if (length == 0) return i;
    i += length;
  }
  return text.size();
}

}  // namespace

bool is_invisible_code_point(char32_t c) {
  return (c >= 0x80 && c <= 0x9f) ||      // C1 controls
         (c >= 0x200b && c <= 0x200f) ||  // zero-width space, joiners, marks
         (c >= 0x202a && c <= 0x202e) ||  // embeddings and overrides
         c == 0x2060 ||                   // word joiner
         (c >= 0x2066 && c <= 0x2069) ||  // isolates
         c == 0xfeff;                     // zero-width no-break space
}

void append_json_visible(std::string& out, std::string_view json) {
  size_t run = 0;  // start of the bytes not yet copied
  for (size_t i = 0; i < json.size();) {
    if (static_cast<unsigned char>(json[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t length = utf8_sequence_length(json, i);
    if (length == 0) {
      ++i;
      continue;
    }
    const char32_t c = code_point(json, i, length);
    if (is_invisible_code_point(c)) {
      out.append(json.substr(run, i - run));
      char escape[8];
      snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
      out.append(escape, 6);
      run = i + length;
    }
    i += length;
  }
  out.append(json.substr(run));
}

bool json_needs_visible(std::string_view json) {
  // Most output is ASCII: eight bytes at a time until a byte of 0x80 or more.
  size_t i = 0;
  for (; i + 8 <= json.size(); i += 8) {
    uint64_t word;
    memcpy(&word, json.data() + i, 8);
    if ((word & 0x8080808080808080) != 0) break;
  }
  for (; i < json.size(); ++i) {
    const auto lead = static_cast<unsigned char>(json[i]);
    if (lead < 0x80) continue;
    const size_t length = utf8_sequence_length(json, i);
    if (length != 0 && is_invisible_code_point(code_point(json, i, length))) return true;
    if (length > 1) i += length - 1;
  }
  return false;
}

bool has_control_character(std::string_view text) {
  for (char c : text)
    if (is_control(static_cast<unsigned char>(c))) return true;
  return false;
}

bool is_safe_text(std::string_view text) {
  return next_unsafe(text, 0) == text.size();
}

void append_safe(std::string& out, std::string_view text) {
  size_t run = 0;  // start of the bytes not yet copied
  for (size_t i = next_unsafe(text, 0); i < text.size(); i = next_unsafe(text, i)) {
    out.append(text.substr(run, i - run));
    append_escape(out, static_cast<unsigned char>(text[i]));
    run = ++i;
  }
  out.append(text.substr(run));
}

std::string safe_text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  append_safe(out, text);
  return out;
}

std::string quoted_value(std::string_view text) {
  // A value may be megabytes long: its start names it well enough.
  std::string_view shown = text;
  if (shown.size() > quoted_value_limit) {
    shown = shown.substr(0, quoted_value_limit);
    // Not inside a UTF-8 sequence, which would show as escaped bytes.
    while (!shown.empty() && (static_cast<unsigned char>(text[shown.size()]) & 0xc0) == 0x80)
      shown.remove_suffix(1);
  }
  // Appended piece by piece: "'" + safe_text(...) draws a false -Wrestrict
  // from g++ 12 at -O3.
  std::string out = "'";
  append_safe(out, shown);
  out += '\'';
  if (shown.size() < text.size()) {
    out += "... (";
    out += std::to_string(text.size() - shown.size());
    out += " more bytes)";
  }
  return out;
}

}  // namespace trawl
