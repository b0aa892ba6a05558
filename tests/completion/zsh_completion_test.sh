#!/bin/sh
# The zsh completion must parse, be picked up by compinit for trawl through
# its #compdef line, and load as the function _trawl. Usage:
# zsh_completion_test.sh COMPLETIONS-DIR. Exits 77 (skipped) without zsh.
command -v zsh >/dev/null 2>&1 || { echo "zsh not installed"; exit 77; }
zsh -n "$1/_trawl" || exit 1
# Options that do not go together are named in both forms: the long form of
# an excluded option must be excluded too.
python3 - "$1/_trawl" <<'CHECK' || exit 1
import re, sys
text = open(sys.argv[1]).read()
pairs = dict(re.findall(r"\{(-[A-Za-z0-9])\+?,(--[a-z0-9-]+)=?\}", text))
bad = [(group, short) for group in re.findall(r"'\(([^)]*)\)", text)
       for short in group.split() if short in pairs and pairs[short] not in group.split()]
for group, short in bad:
    print("exclusion list (%s) names %s without %s" % (group, short, pairs[short]))
sys.exit(1 if bad else 0)
CHECK
exec zsh -fc '
  fpath=("$1" $fpath)
  autoload -U compinit && compinit -u -D || exit 1
  autoload -U +X _trawl || exit 1
  if [[ $_comps[trawl] != _trawl ]]; then
    print -u2 "compinit maps trawl to [${_comps[trawl]}], not _trawl"
    exit 1
  fi' zsh "$1"
