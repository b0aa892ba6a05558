#!/bin/sh
# Standard output has one door, the output sink: no other code of the
# program may write to it. Fails with the lines that do, or that name it
# without being one of the two places allowed to: where the sink is made,
# and where a sort child's output is turned into its pipe.
#   stdout_door.sh SRC_DIR
src=${1:?usage: stdout_door.sh SRC_DIR}
found=$(grep -rnE '\b(printf|vprintf|puts|putchar|putc|fputc|fputs|fwrite|fprintf|vfprintf)\s*\(.*\bstdout\b|\b(printf|vprintf|puts|putchar)\s*\(|std::cout|\bstdout\b|STDOUT_FILENO|\b(write|send)\s*\(\s*1\s*,' "$src" |
  grep -v '^[^:]*/support/output_sink\.' |
  grep -vE '^[^:]*/program/entry\.cpp:[0-9]+:  output_sink sink\(STDOUT_FILENO, isatty\(STDOUT_FILENO\) != 0\);$' |
  grep -vE '^[^:]*/sort/sort_child\.cpp:[0-9]+: +dup2\(from_sort\.write_end\.get\(\), STDOUT_FILENO\) < 0\) \{$')
if [ -n "$found" ]; then
  echo "standard output written outside the output sink:" >&2
  echo "$found" >&2
  exit 1
fi
echo "stdout door: only the sink writes to standard output"
