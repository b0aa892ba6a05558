#include "core/option_values.h"

#include <cerrno>
#include <cstdlib>

#include "support/safe_text.h"

namespace trawl {

namespace {}  // namespace

std::optional<std::string> decimal_value(std::string_view rule, const char* value, long least,
                                         long* number) {
  char* end = nullptr;
  errno = 0;
  const long v = strtol(value, &end, 10);
  std::string text(rule);
  if (end == value) return text + ": " + quoted_value(value) + " is not a number";
  if (errno == ERANGE) return text + ": " + quoted_value(value) + " is out of range";
  *number = v;
  if (v < least) return text;
  return std::nullopt;
}

std::optional<std::string> retry_count(const char* value, long* count) {
  long n = 0;
  if (std::optional<std::string> err =
          decimal_value("TRAWL_RETRY must be non-negative", value, 0, &n))
    return err;
  *count = n;
  return std::nullopt;
}

std::string time_refusal(std::string_view option, std::string_view value, bool read_as_epoch) {
  std::string text = "bad ";
  text += option;
  text += " timestamp: ";
  text += quoted_value(value);
  if (read_as_epoch)
    text += " is the epoch, which means no bound";
  else
    text +=
        " (use YYYY-MM-DD[ HH:MM:SS], YYYY-MM-DDTHH:MM:SS[.SSS](Z|+HH:MM), seconds, or a "
        "relative time like 1w2d)";
  return text;
}

}  // namespace trawl
