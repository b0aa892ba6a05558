// The rdata values of a record as the text, CSV and minimal presenters walk them.
#pragma once

#include "trawl/tuple.h"

namespace trawl {

inline constexpr const char* bad_value_text = "[bad value]";

// Calls visit once per array element, or once with the rdata string (nullptr
// when the record has none).
template <typename Visit>
void for_each_rdata(const pdns_tuple& tup, Visit visit) {
  if (json_is_array(tup.node.rdata)) {
    size_t index;
    json_t* element;
    json_array_foreach(tup.node.rdata, index, element) {
      const char* text = json_string_value(element);
      visit(text != nullptr ? text : bad_value_text);
    }
    return;
  }
  visit(tup.rdata);
}

}  // namespace trawl
