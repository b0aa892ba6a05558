// Texts whose byte order sorts owner names and record data usefully.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace trawl {

struct pdns_tuple;

// Appends the name's letters and digits in lower case, last label first; a
// buffer that would stay empty becomes ".".
void sortable_dnsname(std::string& sortbuf, std::string_view name);

// The owner name as received (not as transformed); none without one.
std::optional<std::string> sortable_rrname(const pdns_tuple& tup);

// The record data encoded by record type; none without a type or data.
std::optional<std::string> sortable_rdata(const pdns_tuple& tup);

// The same two appended to out, which may hold text before them; false, with
// nothing appended, when the record has none.
bool sortable_rrname_append(std::string& out, const pdns_tuple& tup);
bool sortable_rdata_append(std::string& out, const pdns_tuple& tup);

}  // namespace trawl
