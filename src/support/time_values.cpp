#include "support/time_values.h"

#include <sys/time.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

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

// Reads exactly count decimal digits; advances p past them.
bool fixed_digits(const char*& p, int count, int* value) {
  int number = 0;
  for (int i = 0; i < count; ++i, ++p) {
    if (*p < '0' || *p > '9') return false;
    number = number * 10 + (*p - '0');
  }
  *value = number;
  return true;
}

bool expect(const char*& p, char wanted) {
  if (*p != wanted) return false;
  ++p;
  return true;
}

// The forms trawl prints itself, so that a time copied from its output reads
// back: the ISO form "2024-03-01T12:34:56Z", RFC 3339 with a numeric offset
// ("+02:00", "-05:30"), a lower-case "t" or "z", and fractional seconds (the
// log stamp's ".mmm"). The offset may be left out only with a blank separator,
// which then means UTC as "%F %T" always has. Fractional seconds are truncated
// toward the earlier second: the result names the second the instant falls in,
// as the whole-second forms do. Fields have their fixed widths.
bool rfc3339_parse(const char* text, uint64_t* result) {
  const char* p = text;
  struct tm broken {};
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!fixed_digits(p, 4, &year) || !expect(p, '-') || !fixed_digits(p, 2, &month) ||
      !expect(p, '-') || !fixed_digits(p, 2, &day))
    return false;
  const char separator = *p;
  if (separator != 'T' && separator != 't' && separator != ' ') return false;
  ++p;
  if (!fixed_digits(p, 2, &hour) || !expect(p, ':') || !fixed_digits(p, 2, &minute) ||
      !expect(p, ':') || !fixed_digits(p, 2, &second))
    return false;
  if (*p == '.') {
    ++p;
    if (*p < '0' || *p > '9') return false;
    while (*p >= '0' && *p <= '9') ++p;
  }
  long offset = 0;
  if (*p == 'Z' || *p == 'z') {
    ++p;
  } else if (*p == '+' || *p == '-') {
    const long sign = *p == '-' ? -1 : 1;
    ++p;
    int offset_hours = 0, offset_minutes = 0;
    if (!fixed_digits(p, 2, &offset_hours) || !expect(p, ':') ||
        !fixed_digits(p, 2, &offset_minutes) || offset_hours > 23 || offset_minutes > 59)
      return false;
    offset = sign * (offset_hours * 3600L + offset_minutes * 60L);
  } else if (separator != ' ') {
    return false;
  }
  if (*p != '\0') return false;

  // A leap second (":60", which RFC 3339 allows) is the last second of its
  // minute: the epoch count has no second of its own for it.
  if (second == 60) second = 59;
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59)
    return false;
  broken.tm_year = year - 1900;
  broken.tm_mon = month - 1;
  broken.tm_mday = day;
  broken.tm_hour = hour;
  broken.tm_min = minute;
  broken.tm_sec = second;
  const time_t local = timegm(&broken);
  // timegm carries February 30th into March: such a date is refused.
  if (broken.tm_mon != month - 1 || broken.tm_mday != day) return false;
  // The offset says how far the written time is ahead of UTC.
  const long long moment = static_cast<long long>(local) - offset;
  if (moment < 0) return false;  // before the epoch
  *result = static_cast<uint64_t>(moment);
  return true;
}

}  // namespace

bool time_parse(const char* text, uint64_t now, uint64_t* result) {
  // Shared by both readings: when "%F" alone matches the whole text, the failed
  // "%F %T" stopped before any time-of-day field, so those are still zero.
  struct tm broken {};
  if (whole_text(strptime(text, "%F %T", &broken)) || whole_text(strptime(text, "%F", &broken))) {
    if (broken.tm_sec == 60) broken.tm_sec = 59;  // a leap second, as below
    const struct tm asked = broken;
    const time_t moment = timegm(&broken);
    // A bound before the epoch cannot be expressed: refuse it rather than wrap.
    if (moment < 0) return false;
    // timegm carries a day that does not exist into the next month (February
    // 30th is March 1st): a date that does not come back as asked is refused.
    if (broken.tm_year != asked.tm_year || broken.tm_mon != asked.tm_mon ||
        broken.tm_mday != asked.tm_mday || broken.tm_hour != asked.tm_hour ||
        broken.tm_min != asked.tm_min || broken.tm_sec != asked.tm_sec)
      return false;
    *result = static_cast<uint64_t>(moment);
    return true;
  }

  if (rfc3339_parse(text, result)) return true;

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
      if (__builtin_add_overflow(static_cast<long long>(now), number, &moment) || moment < 0) {
        return false;
      }
      *result = static_cast<uint64_t>(moment);
      return true;
    }
  }

  uint64_t seconds = 0;
  if (time_parse_relative(text, &seconds) != 0) return false;
  if (seconds > now) return false;  // before the epoch
  *result = now - seconds;
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

namespace {

constexpr uint64_t seconds_per_year = 31536000;
constexpr uint64_t seconds_per_day = 86400;

// Appends "%lu%c"-style parts; the text can never exceed the scratch buffer.
struct duration_text {
  char text[64] = {};
  size_t length = 0;

  void part(const char* prefix, uint64_t number, char unit) {
    length +=
        std::snprintf(text + length, sizeof text - length, "%s%" PRIu64 "%c", prefix, number, unit);
  }
};

}  // namespace

const char* time_str(uint64_t t, bool iso) {
  static char buffer[21];
  if (t == 0) return "0";

  time_t moment = static_cast<time_t>(t);
  struct tm broken {};
  // A year that does not fit the buffer (or a tm at all) shows the raw count,
  // which still says exactly which time it was; 20 digits and a sign fit.
  if (gmtime_r(&moment, &broken) == nullptr ||
      std::strftime(buffer, sizeof buffer, iso ? "%FT%TZ" : "%F %T", &broken) == 0) {
    std::snprintf(buffer, sizeof buffer, "%" PRId64, static_cast<int64_t>(moment));
  }
  return buffer;
}

const char* timeval_str(const timeval* stamp, bool short_fraction) {
  static char buffer[64];
  timeval now{};
  if (stamp == nullptr) {
    gettimeofday(&now, nullptr);
    stamp = &now;
  }

  struct tm broken {};
  size_t length = 0;
  if (gmtime_r(&stamp->tv_sec, &broken) != nullptr) {
    length = std::strftime(buffer, sizeof buffer, "%F %T", &broken);
  }
  if (length == 0) {
    length = std::snprintf(buffer, sizeof buffer, "%" PRId64, static_cast<int64_t>(stamp->tv_sec));
  }
  if (short_fraction) {
    std::snprintf(buffer + length, sizeof buffer - length, ".%03ld",
                  static_cast<long>(stamp->tv_usec / 1000));
  } else {
    std::snprintf(buffer + length, sizeof buffer - length, ".%06ld",
                  static_cast<long>(stamp->tv_usec));
  }
  return buffer;
}

int duration_str(uint64_t duration, char* buf, size_t size) {
  uint64_t years = duration / seconds_per_year;
  uint64_t days = (duration / seconds_per_day) % 365;
  uint64_t hours = (duration / 3600) % 24;
  uint64_t minutes = (duration / 60) % 60;
  uint64_t seconds = duration % 60;

  duration_text out;
  if (duration >= seconds_per_year) {
    out.part("~", years, 'y');
    if (days > 0) out.part(" ~", days, 'd');
  } else if (duration >= seconds_per_day) {
    out.part("~", days, 'd');
    if (hours > 0) out.part(" ", hours, 'h');
    if (minutes > 0) out.part(" ", minutes, 'm');
  } else if (duration > 0) {
    const char* separator = "";
    if (hours > 0) {
      out.part(separator, hours, 'h');
      separator = " ";
    }
    if (minutes > 0) {
      out.part(separator, minutes, 'm');
      separator = " ";
    }
    if (seconds > 0) out.part(separator, seconds, 's');
  } else {
    out.part("", 0, 's');
  }

  if (out.length + 1 > size) return -1;
  std::memcpy(buf, out.text, out.length + 1);
  return static_cast<int>(out.length);
}

}  // namespace trawl
