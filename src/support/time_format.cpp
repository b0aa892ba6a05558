#include <sys/time.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "trawl/time_values.h"

namespace trawl {

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
