// The sort line: the fields the sort program compares, followed by the
// record's own line, and the cutting of such a line back into the record.
#pragma once

#include <string_view>

#include "core/transfer.h"

namespace trawl {

struct pdns_tuple;

// Writes the record's sort line, with the raw line as its last field, to the
// writer's sort child; 1 (a record went out).
int sort_line_write(writer& wr, const pdns_tuple& tup, std::string_view line);

// Sort lines are written to the child once this many bytes are gathered.
inline constexpr size_t sort_flush_size = size_t{1} << 20;

// Writes the sort lines gathered so far to the writer's sort child.
void sort_line_flush(writer& wr);

// line is one sorted line without its newline. On success sets *record to
// the text after the seventh field separator and returns nullptr; otherwise
// returns the start of the warning, which the quoted line completes.
const char* sort_line_split(std::string_view line, std::string_view* record);

}  // namespace trawl
