// Owning reference to a jansson value.
#pragma once

#include <jansson.h>

#include <memory>

namespace trawl {

struct json_decref_deleter {
  void operator()(json_t* j) const { json_decref(j); }
};

// Holds one reference; borrowed json_t* stay raw pointers.
using json_ref = std::unique_ptr<json_t, json_decref_deleter>;

struct free_deleter {
  void operator()(void* p) const;
};

// Text allocated by a C library (json_dumps and the like).
using c_text = std::unique_ptr<char, free_deleter>;

}  // namespace trawl
