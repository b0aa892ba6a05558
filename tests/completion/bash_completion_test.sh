#!/usr/bin/env bash
# Checks the bash completion of trawl: its values for -u, -k, -p, -T and -V,
# file names after -J, and the option list. Usage: bash_completion_test.sh
# COMPLETION-FILE. Exits 0 when every check passes, 1 otherwise.
set -u
completion=$(realpath "$1")

failures=0
# complete WORD... : runs the completion function with the cursor at the end
# of the last word and prints the candidates, sorted, on one line.
complete_words() {
    COMP_WORDS=(trawl "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    "$function" trawl "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd ' '
}
expect() {
    local want=$1
    shift
    local got
    got=$(complete_words "$@")
    if [[ $got != "$want" ]]; then
        printf 'FAIL: trawl %s<TAB>\n  want: %s\n  got:  %s\n' "$*" "$want" "$got"
        failures=$((failures + 1))
    fi
}

# shellcheck source=/dev/null
source "$completion"
# The function registered for trawl, as bash-completion would find it.
function=$(complete -p trawl 2>/dev/null | sed -n 's/.*-F \([^ ]*\) .*/\1/p')
if [[ -z $function ]]; then
    echo "FAIL: $completion registers no completion function for trawl"
    exit 1
fi

expect 'circl trove trove1 trove2' -u ''
expect 'trove trove1 trove2' -u tr
expect 'circl trove trove1 trove2' -qu ''
expect 'json' -p j
expect 'csv' -d -p c
expect 'dns dot' -p d
expect 'gexf graphml' --presentation g
expect 'summarize' -V s
expect 'count data duration first last name type' -s -k ''
expect 'first,count first,data first,duration first,last first,name first,type' -s -k first,
expect 'first,last' -s -k first,l
expect 'name,count,data name,count,duration name,count,first name,count,last name,count,type' \
    -S -k name,count,
expect 'reverse,chomp reverse,datefix reverse,qdetail reverse,unicode' -T reverse,
expect 'datefix' -T d
expect '' -r ''

# Options, long ones included.
expect '--8bit --after --all --asinfo --asinfo-domain --bailiwick --batch --batch-tagged --before --budget --cacert --cache --cache-clear --cache-info --cache-ttl --capath --complete --cookie-file --debug --fanout --function --gravel --help --info --insecure --ipv4 --ipv6 --json --json-input --max-count --no-cache --no-progress --offline --offset --output-limit --parallel --passive --pivot --presentation --query-limit --quiet --rdata-ip --rdata-name --rdata-raw --refresh --retry --rocks --rrset --rrset-raw --sort --sort-descending --sort-key --system --timeout --transform --type --verb --version' --
expect '--help' --he
expect '--rdata-ip --rdata-name --rdata-raw' --rd
expect '--sort --sort-descending --sort-key' --sort
expect '--cacert --cache --cache-clear --cache-info --cache-ttl --capath' --ca
# The values of long options, as the next word or after "=".
expect 'circl trove trove1 trove2' --system ''
expect 'trove trove1 trove2' --system = tr
expect 'summarize' --verb s
expect 'json' --presentation j
expect 'first,last' --sort --sort-key first,l
expect 'qdetail,chomp qdetail,datefix qdetail,reverse qdetail,unicode' --transform qdetail,
expect 'unicode' -T u
expect '' --rrset ''
expect '' --retry ''
expect '' --pivot ''
expect '--help --version -0 -4 -6 -8 -A -B -C -D -G -I -J -L -M -N -O -R -S -T -U -V -a -b -c -d -f -g -h -i -j -k -l -m -n -o -p -q -r -s -t -u -v' -
# File names after -J and -C, and "-" for standard input after -J.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
touch "$dir/saved.jsonl" "$dir/second.jsonl" "$dir/cookies.txt"
cd "$dir" || exit 1
expect 'saved.jsonl' -J sa
expect '- cookies.txt saved.jsonl second.jsonl' -J ''
expect 'cookies.txt' -j -C c
expect 'cookies.txt' --cacert c
expect 'saved.jsonl' --json-input sa
mkdir certs
expect 'certs' --capath ce

if ((failures)); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
