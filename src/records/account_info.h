// The account's rate limits (-I), as the trove systems report them: the
// whole response indented as JSON, or its "rate" object as a text list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <jansson.h>

#include "core/options.h"
#include "support/output_sink.h"

namespace trawl {

enum class rate_kind { none, na, unlimited, integer };

struct rate_tuple {
  rate_kind rk = rate_kind::none;
  uint64_t value = 0;
};

// Reads one member of the rate object; the error text, or nullptr.
const char* rate_tuple_make(const json_t* rate, const char* key, rate_tuple* out);

// One value line of the text list, newline included.
std::string rate_line(bool iso, const char* name, const rate_tuple& tuple);
std::string burstrate_line(const rate_tuple& size, const rate_tuple& window);

// Presents the response as the presentation asks (text or JSON); false when
// it could not be shown (it does not parse).
bool present_account(std::string_view response, presentation_format format, bool iso,
                     output_sink& sink);

}  // namespace trawl
