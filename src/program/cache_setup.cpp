#include "program/cache_setup.h"

#include <strings.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/config_paths.h"
#include "core/diag.h"
#include "core/settings.h"
#include "support/safe_text.h"
#include "support/time_values.h"

namespace trawl {

namespace {

// A statement waits this long for another process's write to end.
constexpr int store_busy_ms = 5000;

// Makes the folders of path that are missing, each for the user alone.
std::optional<std::string> make_folders(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    const std::string folder = path.substr(0, slash);
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return folder + ": " + strerror(errno);
  }
  return std::nullopt;
}

result<long> ttl_of(const std::string& text, const char* what) {
  uint64_t seconds = 0;
  if (time_parse_relative(text.c_str(), &seconds) != 0 || seconds > 100LL * 365 * 86400)
    return failure(std::string(what) + " must be a duration like 6h or 2d: " + quoted_value(text) +
                   " is none");
  return static_cast<long>(seconds);
}

std::string time_text(int64_t t, bool iso) {
  return t == 0 ? "none" : time_str(static_cast<uint64_t>(t), iso);
}

}  // namespace

std::optional<uint64_t> parse_size(const std::string& text) {
  size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  if (digits == 0 || digits > 15) return std::nullopt;
  uint64_t value = std::stoull(text.substr(0, digits));
  std::string unit = text.substr(digits);
  if (unit.size() > 1 &&
      (strcasecmp(unit.c_str() + 1, "b") == 0 || strcasecmp(unit.c_str() + 1, "ib") == 0))
    unit.resize(1);
  if (!unit.empty()) {
    static constexpr const char* units = "kmgt";
    const char* at = strchr(units, unit.size() == 1 ? tolower(unit[0]) : '?');
    if (at == nullptr || *at == '\0') return std::nullopt;
    value <<= 10 * (at - units + 1);
  }
  return value;
}

std::optional<std::string> settle_cache(run_options& opts, const run_state& state) {
  cache_settings& cache = opts.cache;
  result<std::optional<bool>> configured = trawl_flag_setting(state, "TRAWL_CACHE");
  if (!configured) return configured.error();
  cache.on = cache.asked.value_or(configured->value_or(false)) || cache.offline || cache.refresh;
  if (cache.ttl_text) {
    result<long> ttl = ttl_of(*cache.ttl_text, "--cache-ttl");
    if (!ttl) return ttl.error();
    cache.ttl = *ttl;
  } else if (std::optional<std::string> text = trawl_setting(state, "TRAWL_CACHE_TTL")) {
    result<long> ttl = ttl_of(*text, "TRAWL_CACHE_TTL");
    if (!ttl) return ttl.error();
    cache.ttl = *ttl;
  }
  if (std::optional<std::string> text = trawl_setting(state, "TRAWL_CACHE_MAX")) {
    std::optional<uint64_t> size = parse_size(*text);
    if (!size || *size == 0)
      return "TRAWL_CACHE_MAX must be a size like 500M or 2G: " + quoted_value(*text) + " is none";
    cache.max_bytes = *size;
  }
  if (std::optional<std::string> file = trawl_setting(state, "TRAWL_CACHE_FILE")) {
    cache.file = *file;
  } else {
    const char* home = getenv("HOME");
    std::optional<std::string> account;
    if (home == nullptr && (account = account_home())) home = account->c_str();
    cache.file = cache_file_default(home, getenv("XDG_CACHE_HOME")).value_or("");
  }
  return std::nullopt;
}

std::optional<std::string> open_cache(const run_options& opts, run_state& state) {
  const cache_settings& cache = opts.cache;
  const bool own_mode = cache.info || cache.clear;
  if (!cache.on && !own_mode) return std::nullopt;
  std::optional<std::string> error;
  if (cache.file.empty()) {
    error = "no home folder to keep it in: name a file with TRAWL_CACHE_FILE";
  } else if (const size_t slash = cache.file.rfind('/'); slash != std::string::npos && slash > 0) {
    error = make_folders(cache.file.substr(0, slash + 1));
  }
  if (!error) {
    debug_line(1, "answer store '%s'\n", cache.file.c_str());
    result<std::unique_ptr<answer_store>> opened = answer_store::open(cache.file, store_busy_ms);
    if (opened) {
      state.store = std::move(*opened);
      return std::nullopt;
    }
    error = opened.error();
  }
  const std::string text = "answer store " + (cache.file.empty() ? "" : cache.file + ": ") + *error;
  if (own_mode) return text;
  warning("%s; going on without it", text.c_str());
  return std::nullopt;
}

int run_cache_mode(const run_options& opts, run_state& state) {
  answer_store& store = *state.store;
  if (opts.cache.clear) {
    result<int64_t> removed = store.clear();
    if (!removed) {
      log_line("answer store %s: %s", store.path().c_str(), removed.error().c_str());
      return 1;
    }
    state.sink.write("removed " + std::to_string(*removed) + " answers from " + store.path() +
                     "\n");
    return 0;
  }
  result<store_summary> s = store.summary();
  if (!s) {
    log_line("answer store %s: %s", store.path().c_str(), s.error().c_str());
    return 1;
  }
  const bool iso = opts.iso_time;
  std::string text =
      "file: " + safe_text(store.path()) + "\nanswers: " + std::to_string(s->answers) +
      "\nbytes: " + std::to_string(s->bytes) + "\noldest: " + time_text(s->oldest, iso) +
      "\nnewest: " + time_text(s->newest, iso) + "\n";
  state.sink.write(text);
  return 0;
}

}  // namespace trawl
