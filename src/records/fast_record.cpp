#include "records/fast_record.h"

#include <simdjson.h>

#include <charconv>
#include <cstring>
#include <string>
#include <utility>

namespace trawl {

struct fast_scratch {
  simdjson::ondemand::parser parser;
  // The line copied with the slack the parser reads past its end.
  std::string padded;
  // The line re-encoded; record_text is a part of it. Decoded strings live in
  // the parser's own string buffer until its next parse.
  std::string compact;
  // Keys of the objects being walked, innermost last, to find duplicates.
  std::vector<std::string_view> keys;
};

namespace {

// The scratch of the last view to go, handed to the next view made: a stream
// decodes each line into a fresh tuple, and a parser is costly to make.
fast_scratch* spare_scratch = nullptr;

}  // namespace

void fast_scratch_deleter::operator()(fast_scratch* scratch) const {
  if (spare_scratch == nullptr) {
    spare_scratch = scratch;
  } else {
    delete scratch;
  }
}

namespace {

bool needs_escape(unsigned char c) {
  return c < 0x20 || c == '"' || c == '\\';
}

// Where the first byte that needs escaping is, or size: eight bytes at a time,
// since most texts have none.
size_t plain_run(const char* text, size_t size) {
  constexpr uint64_t ones = 0x0101010101010101, highs = 0x8080808080808080;
  size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    uint64_t word;
    std::memcpy(&word, text + i, 8);
    const uint64_t quote = word ^ (ones * '"');
    const uint64_t backslash = word ^ (ones * '\\');
    // A byte below 0x20, or one equal to a quote or a backslash, sets its
    // high bit here; a carry may flag a later byte too, which the byte loop
    // below sorts out.
    const uint64_t hit = ((word - ones * 0x20) & ~word) | ((quote - ones) & ~quote) |
                         ((backslash - ones) & ~backslash);
    if ((hit & highs) != 0) break;
  }
  while (i < size && !needs_escape(static_cast<unsigned char>(text[i]))) ++i;
  return i;
}

}  // namespace

void fast_json_string(std::string& out, std::string_view text) {
  static constexpr char hex[] = "0123456789ABCDEF";
  out.push_back('"');
  size_t from = 0;
  for (;;) {
    const size_t at = from + plain_run(text.data() + from, text.size() - from);
    out.append(text.data() + from, at - from);
    if (at == text.size()) break;
    from = at + 1;
    const auto c = static_cast<unsigned char>(text[at]);
    switch (c) {
      case '"':
        out.append("\\\"");
        break;
      case '\\':
        out.append("\\\\");
        break;
      case '\b':
        out.append("\\b");
        break;
      case '\f':
        out.append("\\f");
        break;
      case '\n':
        out.append("\\n");
        break;
      case '\r':
        out.append("\\r");
        break;
      case '\t':
        out.append("\\t");
        break;
      default:
        out.append("\\u00");
        out.push_back(hex[c >> 4]);
        out.push_back(hex[c & 15]);
    }
  }
  out.push_back('"');
}

namespace {

using namespace simdjson;

enum class value_kind { integer, string, object, array, other };

bool has_kind(value_kind got, key_kind want) {
  switch (want) {
    case key_kind::integer:
      return got == value_kind::integer;
    case key_kind::string:
      return got == value_kind::string;
    case key_kind::object:
      return got == value_kind::object;
    case key_kind::string_or_array:
      return got == value_kind::string || got == value_kind::array;
  }
  return false;
}

// Which keys an object's members are matched against.
enum class object_role { other, frame, record };
// What a value is to the record: the record object itself (framed: obj), its
// rdata, or anything else.
enum class value_role { other, record, rdata };

struct found_value {
  bool seen = false;
  value_kind kind = value_kind::other;
  std::string_view text;
  int64_t number = 0;
};

// Nesting beyond this is declined; records hold two levels.
constexpr int max_depth = 32;
// Members of one object beyond this are declined: duplicates are looked for
// by comparing each key with those before it.
constexpr size_t max_members = 64;

bool is_json_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The parser's view of a scalar runs to the next token and so may hold the
// blanks after it.
std::string_view trim_token(std::string_view token) {
  while (!token.empty() && is_json_space(token.back())) token.remove_suffix(1);
  return token;
}

// An integer token as the reference decoder reads and writes it back: an
// optional minus, no leading zero, within 64 bits. "-0" would come back as
// "0", and other numbers are reals or refused: the reference path takes them.
bool canonical_integer(std::string_view token, int64_t& value) {
  const size_t digits = token.starts_with('-') ? 1 : 0;
  if (token.size() == digits) return false;
  if (token[digits] == '0' && (token.size() > digits + 1 || digits == 1)) return false;
  for (size_t i = digits; i < token.size(); ++i)
    if (token[i] < '0' || token[i] > '9') return false;
  const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
  return error == std::errc{} && end == token.data() + token.size();
}

// A decoded string the reference decoder would hold the same: it refuses
// \u0000, and an escaped lone surrogate would decode to ED A0..ED BF, which
// no valid input byte sequence can produce.
bool clean_string(std::string_view text) {
  if (std::memchr(text.data(), '\0', text.size()) != nullptr) return false;
  for (const char *p = text.data(), *end = p + text.size();
       (p = static_cast<const char*>(std::memchr(p, '\xed', end - p))) != nullptr; ++p) {
    if (p + 1 < end && static_cast<unsigned char>(p[1]) >= 0xa0) return false;
  }
  return true;
}

// Walks the whole line, re-encoding it compactly into out and noting the keys
// the decoder reads. Every value is visited, so that the parser, which
// validates lazily, sees every byte. A false result declines the line.
struct walker {
  std::string& out;
  std::vector<std::string_view>& keys;
  std::vector<rdata_entry>& rdata_values;
  bool emit;  // the compact text is wanted
  found_value found[key_total] = {};
  size_t record_begin = 0;  // the obj value's span in out
  size_t record_end = 0;

  bool object(ondemand::object members, int depth, object_role role);
  bool array(ondemand::array elements, int depth, bool is_rdata);
  bool value(ondemand::value item, int depth, value_role role, found_value& got);
};

record_key find_key(std::string_view key, object_role role) {
  if (role == object_role::other) return key_none;
  return find_record_key(key, role == object_role::frame);
}

bool walker::object(ondemand::object members, int depth, object_role role) {
  if (depth > max_depth) return false;
  if (emit) out.push_back('{');
  const size_t first_key = keys.size();
  for (auto member : members) {
    ondemand::field field;
    std::string_view key;
    if (std::move(member).get(field) != SUCCESS || field.unescaped_key().get(key) != SUCCESS)
      return false;
    if (!clean_string(key)) return false;
    // The reference keeps a duplicate's last value at the first one's place;
    // rare enough not to be worth repeating.
    if (keys.size() - first_key >= max_members) return false;
    for (size_t i = first_key; i < keys.size(); ++i)
      if (keys[i] == key) return false;
    keys.push_back(key);
    if (emit) {
      if (keys.size() - first_key > 1) out.push_back(',');
      fast_json_string(out, key);
      out.push_back(':');
    }

    const record_key index = find_key(key, role);
    value_role child = value_role::other;
    if (index == key_obj) child = value_role::record;
    if (index == key_rdata) child = value_role::rdata;
    const size_t begin = out.size();
    found_value got;
    if (!value(field.value(), depth, child, got)) return false;
    if (index != key_none) {
      got.seen = true;
      found[index] = got;
    }
    if (index == key_obj) {
      record_begin = begin;
      record_end = out.size();
    }
  }
  if (emit) out.push_back('}');
  keys.resize(first_key);
  return true;
}

bool walker::array(ondemand::array elements, int depth, bool is_rdata) {
  if (depth > max_depth) return false;
  if (emit) out.push_back('[');
  bool first = true;
  for (auto element : elements) {
    ondemand::value item;
    // get() takes the result as an rvalue only.
    // NOLINTNEXTLINE(performance-move-const-arg)
    if (std::move(element).get(item) != SUCCESS) return false;
    if (emit && !first) out.push_back(',');
    first = false;
    found_value got;
    if (!value(item, depth, value_role::other, got)) return false;
    if (is_rdata) {
      const bool bad = got.kind != value_kind::string;
      rdata_values.push_back(rdata_entry{bad ? std::string_view() : got.text, bad});
    }
  }
  if (emit) out.push_back(']');
  return true;
}

bool walker::value(ondemand::value item, int depth, value_role role, found_value& got) {
  ondemand::json_type type;
  if (item.type().get(type) != SUCCESS) return false;
  switch (type) {
    case ondemand::json_type::object: {
      ondemand::object members;
      if (item.get_object().get(members) != SUCCESS) return false;
      got.kind = value_kind::object;
      return object(members, depth + 1,
                    role == value_role::record ? object_role::record : object_role::other);
    }
    case ondemand::json_type::array: {
      ondemand::array elements;
      if (item.get_array().get(elements) != SUCCESS) return false;
      got.kind = value_kind::array;
      return array(elements, depth + 1, role == value_role::rdata);
    }
    case ondemand::json_type::string: {
      std::string_view text;
      if (item.get_string().get(text) != SUCCESS || !clean_string(text)) return false;
      if (emit) fast_json_string(out, text);
      got.kind = value_kind::string;
      got.text = text;
      return true;
    }
    case ondemand::json_type::number: {
      // The token is checked here rather than by the parser, which would
      // take "-0" and reals alike.
      const std::string_view token = trim_token(item.raw_json_token());
      if (!canonical_integer(token, got.number)) return false;
      if (emit) out.append(token);
      got.kind = value_kind::integer;
      return true;
    }
    case ondemand::json_type::boolean:
    case ondemand::json_type::null: {
      const std::string_view token = trim_token(item.raw_json_token());
      if (token != "true" && token != "false" && token != "null") return false;
      // The parser tells the type by the first byte only.
      if ((type == ondemand::json_type::null) != (token == "null")) return false;
      if (emit) out.append(token);
      got.kind = value_kind::other;
      return true;
    }
  }
  return false;
}

}  // namespace

void record_view_clear(record_view& view) {
  view.has = {};
  view.has_record = false;
  view.time_first = view.time_last = 0;
  view.zone_time_first = view.zone_time_last = 0;
  view.count = view.num_results = 0;
  view.cond = view.msg = view.bailiwick = view.rrname = view.rrtype = view.rdata = {};
  view.rdata_is_array = false;
  view.rdata_values.clear();
  view.record_text = {};
}

fast_result fast_decode(std::string_view line, bool framed, record_view& out, bool with_text) {
  record_view_clear(out);
  if (line.size() > fast_max_line) return {};
  // The reference decoder takes only an object or an array at the top; an
  // array (every key absent) is rare enough to leave to it.
  size_t start = 0;
  while (start < line.size() && is_json_space(line[start])) ++start;
  if (start == line.size() || line[start] != '{') return {};

  if (!out.scratch) {
    out.scratch.reset(spare_scratch != nullptr ? spare_scratch : new fast_scratch);
    spare_scratch = nullptr;
  }
  fast_scratch& scratch = *out.scratch;
  if (scratch.padded.size() < line.size() + SIMDJSON_PADDING)
    scratch.padded.resize(2 * line.size() + SIMDJSON_PADDING);
  std::memcpy(scratch.padded.data(), line.data(), line.size());

  ondemand::document document;
  ondemand::object top;
  if (scratch.parser.iterate(scratch.padded.data(), line.size(), scratch.padded.size())
              .get(document) != SUCCESS ||
      document.get_object().get(top) != SUCCESS)
    return {};
  scratch.compact.clear();
  scratch.keys.clear();
  walker walk{scratch.compact, scratch.keys, out.rdata_values, with_text};
  const bool walked = walk.object(top, 1, framed ? object_role::frame : object_role::record);
  // Anything after the object is an error to the reference decoder.
  if (!walked || document.current_location().error() != OUT_OF_BOUNDS) {
    record_view_clear(out);
    return {};
  }

  // Only a line that parses is checked for types, as the reference does.
  bool has_record = !framed;
  for (int i = framed ? key_cond : first_record_key; i < key_total; ++i) {
    if (i == first_record_key && framed) {
      has_record = walk.found[key_obj].seen;
      if (!has_record) break;
    }
    const found_value& got = walk.found[i];
    if (got.seen && !has_kind(got.kind, record_keys[i].kind)) {
      record_view_clear(out);
      return {fast_status::type_error, record_keys[i].message};
    }
  }

  for (int i = framed ? key_cond : first_record_key; i < key_total; ++i)
    out.has.*record_keys[i].flag = walk.found[i].seen && (i < first_record_key || has_record);
  const found_value* found = walk.found;
  out.has_record = has_record;
  out.cond = found[key_cond].text;
  out.msg = found[key_msg].text;
  if (has_record) {
    // Times are kept unsigned, as the record decoder keeps them.
    out.time_first = static_cast<uint64_t>(found[key_time_first].number);
    out.time_last = static_cast<uint64_t>(found[key_time_last].number);
    out.zone_time_first = static_cast<uint64_t>(found[key_zone_time_first].number);
    out.zone_time_last = static_cast<uint64_t>(found[key_zone_time_last].number);
    out.count = found[key_count].number;
    out.num_results = found[key_num_results].number;
    out.bailiwick = found[key_bailiwick].text;
    out.rrname = found[key_rrname].text;
    out.rrtype = found[key_rrtype].text;
    out.rdata_is_array = found[key_rdata].kind == value_kind::array;
    if (out.has.rdata && !out.rdata_is_array) {
      out.rdata = found[key_rdata].text;
      out.rdata_values.push_back(rdata_entry{out.rdata, false});
    }
    const std::string_view compact = scratch.compact;
    out.record_text =
        framed ? compact.substr(walk.record_begin, walk.record_end - walk.record_begin) : compact;
  }
  return {fast_status::decoded, nullptr};
}

}  // namespace trawl
