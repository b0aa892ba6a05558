#include "support/idn.h"

#include <idn2.h>

#include <cstdlib>
#include <memory>

namespace trawl {

namespace {

// libidn2 hands back text from its own allocator; free() is its release.
struct idn2_release {
  void operator()(char* text) const { std::free(text); }
};
using idn2_text = std::unique_ptr<char, idn2_release>;

constexpr int to_ascii_flags = IDN2_NONTRANSITIONAL | IDN2_NFC_INPUT;

bool is_continuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// Strict UTF-8: shortest forms only, no surrogates, nothing past U+10FFFF.
bool is_utf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t extra = 0;
    char32_t code = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1;
      code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2;
      code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3;
      code = lead & 0x07;
    } else {
      return false;
    }
    if (text.size() - i <= extra) return false;
    for (size_t k = 1; k <= extra; ++k) {
      const auto byte = static_cast<unsigned char>(text[i + k]);
      if (!is_continuation(byte)) return false;
      code = (code << 6) | (byte & 0x3F);
    }
    if ((extra == 2 && code < 0x800) || (extra == 3 && code < 0x10000) || code > 0x10FFFF ||
        (code >= 0xD800 && code <= 0xDFFF))
      return false;
    i += extra + 1;
  }
  return true;
}

// Calls visit(label, dotted) for each label: labels end at a dot that no
// backslash escapes; dotted says whether a dot ended it. The text after the
// last dot is one more label only when it is not empty, so "a.b." has two.
template <typename Visit>
void each_label(std::string_view name, Visit visit) {
  size_t start = 0;
  bool escaped = false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (escaped) {
      escaped = false;
    } else if (name[i] == '\\') {
      escaped = true;
    } else if (name[i] == '.') {
      visit(name.substr(start, i - start), true);
      start = i + 1;
    }
  }
  if (start < name.size()) visit(name.substr(start), false);
}

bool is_ace(std::string_view label) {
  if (label.size() < 4) return false;
  return (label[0] == 'x' || label[0] == 'X') && (label[1] == 'n' || label[1] == 'N') &&
         label[2] == '-' && label[3] == '-';
}

// One label through the library; false and the reason when it refuses.
bool label_to_ascii(std::string_view label, std::string& out, std::string& reason) {
  const std::string input(label);
  char* converted = nullptr;
  const int rc = idn2_to_ascii_8z(input.c_str(), &converted, to_ascii_flags);
  const idn2_text owned(converted);
  if (rc != IDN2_OK) {
    reason = idn2_strerror(rc);
    return false;
  }
  out += owned.get();
  return true;
}

}  // namespace

bool is_ascii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

idn_result name_to_ascii(std::string_view name) {
  idn_result result;
  if (is_ascii(name)) {
    result.name = name;
    return result;
  }
  if (!is_utf8(name)) {
    result.error = idn_error::not_utf8;
    return result;
  }
  std::string out;
  out.reserve(name.size() + 16);
  each_label(name, [&](std::string_view label, bool dotted) {
    if (result.error != idn_error::none) return;
    if (is_ascii(label)) {
      out += label;
    } else if (label.find('\\') != std::string_view::npos) {
      result.error = idn_error::escaped;
      return;
    } else if (label.find('\0') != std::string_view::npos) {
      // The library reads C strings: it would see a shorter label.
      result.error = idn_error::refused;
      result.reason = "label holds a NUL byte";
      return;
    } else if (!label_to_ascii(label, out, result.reason)) {
      result.error = idn_error::refused;
      return;
    }
    if (dotted) out += '.';
  });
  if (result.ok()) result.name = std::move(out);
  return result;
}

std::string name_to_unicode(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  bool converts = true;
  each_label(name, [&](std::string_view label, bool dotted) {
    if (!converts) return;
    if (!is_ace(label)) {
      out += label;
    } else {
      // Punycode keeps the case of the ASCII letters it carries: "XN--BCHER-KVA"
      // would decode to "BüCHER". Shown in lower case, as the library maps it.
      std::string input(label);
      for (char& c : input)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (input.find('\0') != std::string::npos || input.find('\\') != std::string::npos) {
        converts = false;
        return;
      }
      char* decoded = nullptr;
      const int rc = idn2_to_unicode_8z8z(input.c_str(), &decoded, 0);
      const idn2_text unicode(decoded);
      // The decoder accepts labels that IDNA 2008 forbids (and decodes
      // "xn--a" to nothing): show only a label that is exactly what the
      // Unicode form converts to, so that what is shown names what was sent.
      std::string back;
      std::string reason;
      if (rc != IDN2_OK || unicode == nullptr || *unicode == '\0' ||
          !label_to_ascii(unicode.get(), back, reason) || back != input) {
        converts = false;
        return;
      }
      out += unicode.get();
    }
    if (dotted) out += '.';
  });
  if (!converts) return std::string(name);
  return out;
}

}  // namespace trawl
