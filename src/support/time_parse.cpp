#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "trawl/settings.h"
#include "trawl/time_values.h"

namespace trawl {

namespace {

// Seconds per unit letter of the relative grammar, upper case; 0 for any other letter.
uint64_t unit_seconds(char unit) {
  switch (unit) {
    case 'W':
      return 604800;
    case 'D':
      return 86400;
    case 'H':
      return 3600;
    case 'M':
      return 60;
    case 'S':
      return 1;
    default:
      return 0;
  }
}

int relative_error() {
  errno = EINVAL;
  return -1;
}

bool whole_text(const char* end) {
  return end != nullptr && *end == '\0';
}

}  // namespace

bool time_parse(const char* text, uint64_t* result) {
  // Shared by both readings: when "%F" alone matches the whole text, the failed
  // "%F %T" stopped before any time-of-day field, so those are still zero.
  struct tm broken {};
  if (whole_text(strptime(text, "%F %T", &broken)) || whole_text(strptime(text, "%F", &broken))) {
    *result = static_cast<uint64_t>(timegm(&broken));
    return true;
  }

  if (*text != '\0') {
    char* end = nullptr;
    errno = 0;
    long long number = std::strtoll(text, &end, 10);
    // A clamped out-of-range number is no reading of ours; the relative
    // grammar below refuses it too.
    if (*end == '\0' && errno != ERANGE) {
      if (number >= 0) {
        *result = static_cast<uint64_t>(number);
        return true;
      }
      long long moment = 0;
      // A bound before the epoch cannot be expressed: refuse it rather than wrap.
      if (__builtin_add_overflow(static_cast<long long>(start_time.tv_sec), number, &moment) ||
          moment < 0) {
        return false;
      }
      *result = static_cast<uint64_t>(moment);
      return true;
    }
  }

  uint64_t seconds = 0;
  if (time_parse_relative(text, &seconds) != 0) return false;
  if (seconds > static_cast<uint64_t>(start_time.tv_sec)) return false;  // before the epoch
  *result = static_cast<uint64_t>(start_time.tv_sec) - seconds;
  return true;
}

int time_parse_relative(const char* text, uint64_t* seconds) {
  if (*text == '\0') return relative_error();

  uint64_t sum = 0;
  uint64_t number = 0;
  int pending_digits = 0;
  bool unit_seen = false;
  for (const char* p = text; *p != '\0'; ++p) {
    char c = *p;
    if (c < ' ' || c > '~') return relative_error();
    if (c >= '0' && c <= '9') {
      // Wrapping would turn an absurd bound into a plausible one: refuse it.
      if (__builtin_mul_overflow(number, 10, &number) ||
          __builtin_add_overflow(number, static_cast<uint64_t>(c - '0'), &number)) {
        return relative_error();
      }
      ++pending_digits;
      continue;
    }
    if (pending_digits == 0) return relative_error();
    char unit = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    uint64_t per_unit = unit_seconds(unit);
    if (per_unit == 0) return relative_error();
    uint64_t part = 0;
    if (__builtin_mul_overflow(number, per_unit, &part) ||
        __builtin_add_overflow(sum, part, &sum)) {
      return relative_error();
    }
    number = 0;
    pending_digits = 0;
    unit_seen = true;
  }

  // Trailing digits are a plain number of seconds only when no unit came before.
  if (pending_digits > 0) {
    if (unit_seen) return relative_error();
    sum = number;
  }
  *seconds = sum;
  return 0;
}

}  // namespace trawl
