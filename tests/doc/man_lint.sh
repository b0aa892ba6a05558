#!/bin/sh
# The manual page must pass mandoc's lint at every level, style included,
# without a single message. Usage: man_lint.sh PAGE. Exits 77 (skipped) when
# mandoc is not installed.
command -v mandoc >/dev/null 2>&1 || { echo "mandoc not installed"; exit 77; }
out=$(mandoc -T lint "$1" 2>&1)
if [ -n "$out" ]; then
    printf '%s\n' "$out"
    exit 1
fi
