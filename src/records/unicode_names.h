// -T unicode: names shown as people write them. International names travel
// in their ASCII ("xn--") form; text, CSV and minimal output can show owner
// names and the names in record data in Unicode instead.
#pragma once

#include <string>
#include <string_view>

namespace trawl {

// The owner name in Unicode where its labels convert (name_to_unicode).
std::string unicode_owner(const char* name);

// The data of a record of type rrtype with the name it holds in Unicode: all
// of it for NS, CNAME, PTR and DNAME, the exchange after the preference of
// MX, the target after priority, weight and port of SRV (types compared
// ignoring case). Other data, and data not of that shape, come back as they
// are.
std::string unicode_rdata(const char* rrtype, const char* rdata);

// What a presenter shows: with unicode on, the converted text, kept in
// storage; otherwise the text itself. nullptr stays nullptr, and data of a
// record without a type is left alone.
const char* shown_owner(bool unicode, const char* name, std::string& storage);
const char* shown_rdata(bool unicode, const char* rrtype, const char* rdata, std::string& storage);

// The same for text held as views: the text itself, or its conversion kept
// in storage.
std::string_view unicode_owner_shown(bool unicode, std::string_view name, std::string& storage);
std::string_view unicode_rdata_shown(bool unicode, std::string_view rrtype, std::string_view rdata,
                                     std::string& storage);

}  // namespace trawl
