// The sort child of a sorting writer.
#pragma once

#include <cstddef>

namespace trawl {

struct writer;
struct fetch;
struct pdns_tuple;

// Starts /usr/bin/sort with the key list; the writer feeds it sort lines.
void sort_child_start(writer& wr);

// Closes the child's input, presents the sorted records within the writer's
// output limit and reaps the child.
void sort_child_finish(writer& wr);

}  // namespace trawl
