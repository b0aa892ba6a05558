#!/bin/sh
# The zsh completion must parse, be picked up by compinit for trawl through
# its #compdef line, and load as the function _trawl. Usage:
# zsh_completion_test.sh COMPLETIONS-DIR. Exits 77 (skipped) without zsh.
command -v zsh >/dev/null 2>&1 || { echo "zsh not installed"; exit 77; }
zsh -n "$1/_trawl" || exit 1
exec zsh -fc '
  fpath=("$1" $fpath)
  autoload -U compinit && compinit -u -D || exit 1
  autoload -U +X _trawl || exit 1
  if [[ $_comps[trawl] != _trawl ]]; then
    print -u2 "compinit maps trawl to [${_comps[trawl]}], not _trawl"
    exit 1
  fi' zsh "$1"
