// The fast record decoder against the reference one (tuple_make and the
// JSON library's compact encoder): shared by the fuzz target and the unit
// tests, so that both hold it to the same comparison.
#pragma once

#include <jansson.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/options.h"
#include "records/fast_record.h"
#include "records/tuple.h"

namespace trawl {

namespace fast_check {

inline std::string compact_json(const json_t* value) {
  const size_t size = json_dumpb(value, nullptr, 0, JSON_COMPACT);
  std::string text(size, '\0');
  if (size != 0) json_dumpb(value, text.data(), size, JSON_COMPACT);
  return text;
}

struct entry {
  std::string_view text;
  bool bad;
  bool operator==(const entry&) const = default;
};

}  // namespace fast_check

// Decodes line both ways and describes the first difference, or nothing when
// they agree. A line the fast decoder declines agrees by definition. opts must
// ask for no name transform: the view holds the owner name as received.
inline std::optional<std::string> fast_json_difference(std::string_view line, bool framed,
                                                       const run_options& opts, record_view& view) {
  using namespace fast_check;
  const fast_result fast = fast_decode(line, framed, view);
  if (fast.status == fast_status::declined) return std::nullopt;

  pdns_tuple tup;
  const std::optional<tuple_error> error = tuple_make_reference(tup, line, opts.transforms, framed);
  if (fast.status == fast_status::type_error) {
    if (!error) return "fast: '" + std::string(fast.message) + "', reference: decoded";
    if (error->not_json) return "fast: '" + std::string(fast.message) + "', reference: not JSON";
    if (error->text != fast.message)
      return "fast: '" + std::string(fast.message) + "', reference: '" + error->text + "'";
    return std::nullopt;
  }
  if (error) return "fast: decoded, reference: '" + error->text + "'";
  const record_view& ref = tup.view;

  const struct {
    const char* key;
    bool fast, reference;
  } presence[] = {
      {"obj", view.has.obj, ref.has.obj},
      {"cond", view.has.cond, ref.has.cond},
      {"msg", view.has.msg, ref.has.msg},
      {"time_first", view.has.time_first, ref.has.time_first},
      {"time_last", view.has.time_last, ref.has.time_last},
      {"zone_time_first", view.has.zone_time_first, ref.has.zone_time_first},
      {"zone_time_last", view.has.zone_time_last, ref.has.zone_time_last},
      {"bailiwick", view.has.bailiwick, ref.has.bailiwick},
      {"rrname", view.has.rrname, ref.has.rrname},
      {"rrtype", view.has.rrtype, ref.has.rrtype},
      {"rdata", view.has.rdata, ref.has.rdata},
      {"count", view.has.count, ref.has.count},
      {"num_results", view.has.num_results, ref.has.num_results},
      {"the record", view.has_record, tup.record_json != nullptr},
  };
  for (const auto& key : presence)
    if (key.fast != key.reference) return std::string("presence of ") + key.key;

  const struct {
    const char* key;
    uint64_t fast, reference;
  } numbers[] = {
      {"time_first", view.time_first, ref.time_first},
      {"time_last", view.time_last, ref.time_last},
      {"zone_time_first", view.zone_time_first, ref.zone_time_first},
      {"zone_time_last", view.zone_time_last, ref.zone_time_last},
      {"count", static_cast<uint64_t>(view.count), static_cast<uint64_t>(ref.count)},
      {"num_results", static_cast<uint64_t>(view.num_results),
       static_cast<uint64_t>(ref.num_results)},
  };
  for (const auto& key : numbers)
    if (key.fast != key.reference) return std::string("value of ") + key.key;

  const struct {
    const char* key;
    std::string_view fast, reference;
  } texts[] = {
      {"cond", view.cond, ref.cond},
      {"msg", view.msg, ref.msg},
      {"bailiwick", view.bailiwick, ref.bailiwick},
      {"rrname", view.rrname, ref.rrname},
      {"rrtype", view.rrtype, ref.rrtype},
      {"rdata", view.rdata, ref.rdata},
  };
  for (const auto& key : texts)
    if (key.fast != key.reference) return std::string("text of ") + key.key;

  if (view.rdata_is_array != ref.rdata_is_array) return "rdata_is_array";
  std::vector<entry> reference_rdata;
  for (const rdata_entry& value : ref.rdata_values)
    reference_rdata.push_back(entry{value.text, value.bad});
  std::vector<entry> fast_rdata;
  for (const rdata_entry& value : view.rdata_values)
    fast_rdata.push_back(entry{value.text, value.bad});
  if (fast_rdata != reference_rdata) return "rdata values";

  if (tup.record_json != nullptr) {
    const std::string reference = compact_json(tup.record_json);
    if (view.record_text != reference)
      return "record text: fast '" + std::string(view.record_text) + "', reference '" + reference +
             "'";
  } else if (!view.record_text.empty()) {
    return "record text without a record";
  }
  return std::nullopt;
}

}  // namespace trawl
