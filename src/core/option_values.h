// Refusals of option values that name the value and say what would do, so
// that a user sees what was wrong without rereading the manual. Each text
// starts with the option's plain refusal, which callers may look for.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace trawl {

// Reads value as the decimal options are read (base 10, leading blanks and a
// sign allowed, trailing characters ignored) into number, which must then be
// at least least. On refusal the text: rule alone for a number below least
// (as "-l must be zero or positive"), rule with the reason when there is no
// number ("...: 'abc' is not a number", "...: '9999...' is out of range").
std::optional<std::string> decimal_value(std::string_view rule, const char* value, long least,
                                         long* number);

// TRAWL_RETRY, from the environment or the configuration: how often a failed
// query is asked again, read as decimal_value reads it into count; on
// refusal "TRAWL_RETRY must be non-negative" and the reason, as there.
std::optional<std::string> retry_count(const char* value, long* count);

// "bad -A timestamp: 'yesterday' (use YYYY-MM-DD[ HH:MM:SS],
// YYYY-MM-DDTHH:MM:SS[.SSS](Z|+HH:MM), seconds, or a relative time like
// 1w2d)" for option "-A"; when the value was read but
// came to the epoch, which stands for no bound, the reason says that.
std::string time_refusal(std::string_view option, std::string_view value, bool read_as_epoch);

}  // namespace trawl
