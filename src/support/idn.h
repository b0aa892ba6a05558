// International domain names: a name typed in Unicode becomes the ASCII
// (ACE, "xn--") form a server indexes, and an ACE name can be shown in
// Unicode. IDNA 2008 with the UTS #46 mapping, non-transitional.
#pragma once

#include <string>
#include <string_view>

namespace trawl {

enum class idn_error {
  none,      // converted, or ASCII and left alone
  not_utf8,  // non-ASCII bytes that are not UTF-8: no name to convert
  escaped,   // a non-ASCII label holding a backslash escape: left to the caller
  refused,   // valid UTF-8 that is no valid international name; see reason
};

struct idn_result {
  idn_error error = idn_error::none;
  std::string name;    // the ASCII name when error is none
  std::string reason;  // why, when error is refused (the library's text)

  bool ok() const { return error == idn_error::none; }
};

// True when every byte is below 128 (a NUL counts as ASCII).
bool is_ascii(std::string_view text);

// The ASCII form of a name for a query. An ASCII name comes back unchanged,
// byte for byte. Otherwise the name is converted label by label (labels end at
// unescaped dots): ASCII labels stay as typed, so "_srv", "*" or an odd "xn--"
// label reach the server as they do in an ASCII name; every other label goes
// through the library on its own. Empty labels and a trailing dot are kept.
// A non-ASCII label holding a backslash is not converted (error escaped): an
// escape there has no agreed meaning, and such a name stays what it was.
idn_result name_to_ascii(std::string_view name);

// The name for display: each ACE label ("xn--", any case) becomes Unicode
// when it decodes and the decoded label converts back to that same label;
// other labels stay as they are, the trailing dot included. When an ACE label
// does not convert, the whole name comes back unchanged. The result may hold
// non-ASCII bytes: it is for showing, not for sending.
std::string name_to_unicode(std::string_view name);

}  // namespace trawl
