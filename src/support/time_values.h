// Time values: seconds since the epoch, always UTC.
#pragma once

#include <sys/time.h>

#include <cstddef>
#include <cstdint>

namespace trawl {

// Absolute ("%F %T", "%F"), the forms trawl prints (ISO "%FT%TZ", RFC 3339
// with a numeric offset, fractional seconds truncated toward the earlier
// second; a leap second ":60" is the last second of its minute), epoch
// seconds, negative seconds relative to now, or the relative
// grammar (1w2d3h4m5s) counted back from now.
bool time_parse(const char* text, uint64_t now, uint64_t* result);

// Sums groups of digits followed by w, d, h, m, s (either case); a bare number
// is seconds. Returns 0 and stores the sum, or -1 with errno EINVAL.
int time_parse_relative(const char* text, uint64_t* seconds);

// "%F %T" or, with iso, "%FT%TZ"; 0 gives "0". Static buffer, overwritten by the next call.
const char* time_str(uint64_t t, bool iso);

// Wall-clock stamp "%F %T" plus ".mmm" (short) or ".uuuuuu"; nullptr means now.
// Static buffer, overwritten by the next call.
const char* timeval_str(const timeval* stamp, bool short_fraction);

// Compact duration text such as "1h 1m 1s" or "~11y ~3d". Returns the number
// of characters written, or -1 when the text and its NUL do not fit in size.
int duration_str(uint64_t duration, char* buf, size_t size);

}  // namespace trawl
