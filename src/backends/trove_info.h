// The account's rate limits, as the trove systems report them (-I).
#pragma once

#include <cstdint>
#include <cstdio>

#include <jansson.h>

namespace trawl {

struct writer;

enum rate_kind { rk_none = 0, rk_na = 1, rk_unlimited = 2, rk_int = 3 };

struct rate_tuple {
  rate_kind rk = rk_none;
  uint64_t value = 0;
};

// Reads one member of the rate object; the error text, or nullptr.
const char* rate_tuple_make(const json_t* rate, const char* key, rate_tuple* out);

void print_rate_line(bool iso, const char* name, const rate_tuple& tuple, FILE* stream);
void print_burstrate(const rate_tuple& size, const rate_tuple& window, FILE* stream);

// The sink of the account-information writer: the response as indented JSON
// or as the text report.
void present_info(writer& wr);
void present_text_info(writer& wr);

}  // namespace trawl
