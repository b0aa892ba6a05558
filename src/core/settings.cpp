#include "core/settings.h"

#include <strings.h>

#include <cstdlib>

#include "core/option_values.h"
#include "support/safe_text.h"

namespace trawl {

std::optional<std::string> trawl_setting(const run_state& state, const char* name) {
  if (const char* value = getenv(name); value != nullptr && *value != '\0') return value;
  const auto configured = state.config_settings.find(name);
  if (configured == state.config_settings.end()) return std::nullopt;
  return configured->second;
}

result<std::optional<long>> trawl_count_setting(const run_state& state, const char* name,
                                                long least) {
  const std::optional<std::string> text = trawl_setting(state, name);
  if (!text) return std::optional<long>();
  long count = 0;
  const std::string rule = std::string(name) + " must be at least " + std::to_string(least);
  if (std::optional<std::string> refusal = decimal_value(rule, text->c_str(), least, &count))
    return failure(std::move(*refusal));
  return std::optional<long>(count);
}

result<std::optional<bool>> trawl_flag_setting(const run_state& state, const char* name) {
  const std::optional<std::string> text = trawl_setting(state, name);
  if (!text) return std::optional<bool>();
  for (const char* yes : {"yes", "true", "on", "1"})
    if (strcasecmp(text->c_str(), yes) == 0) return std::optional<bool>(true);
  for (const char* no : {"no", "false", "off", "0"})
    if (strcasecmp(text->c_str(), no) == 0) return std::optional<bool>(false);
  return failure(std::string(name) + " must be yes or no: " + quoted_value(*text) + " is neither");
}

}  // namespace trawl
