# bash completion for trawl                                -*- shell-script -*-
#
# Installed as share/bash-completion/completions/trawl, where bash-completion
# loads it the first time trawl is completed; or source it from ~/.bashrc.
# Self-contained: it needs nothing from bash-completion.

# Completes the last item of a comma-separated list whose items come from a
# fixed set: "first,l" gives "first,last"; items already in the list are not
# offered again.
_trawl_list()
{
    local cur=$1
    shift
    local prefix="" last=$cur
    if [[ $cur == *,* ]]; then
        prefix=${cur%,*},
        last=${cur##*,}
    fi
    local item used
    COMPREPLY=()
    for item in "$@"; do
        [[ $item == "$last"* ]] || continue
        used=0
        [[ ,$prefix == *,"$item",* ]] && used=1
        ((used)) || COMPREPLY+=("$prefix$item")
    done
    # The list may go on: no blank after a completed item.
    compopt -o nospace 2>/dev/null
}

_trawl_files()
{
    local cur=$1
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
}

_trawl()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=""
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()

    # The option whose argument is being completed: the previous word when it
    # is a cluster of flags that ends with a letter taking an argument
    # ("-u", "-qu").
    local opt=""
    if [[ $prev == -[!-]* ]]; then
        local flags=${prev:1:${#prev}-2}
        if [[ $flags != *[!acdfGghIjmqSsUv468]* ]]; then
            opt=${prev: -1}
        fi
    fi
    # A long option: "--system VALUE", or "--system=VALUE", which bash splits
    # into "--system", "=" and the value.
    local long=$prev
    if [[ $prev == = && COMP_CWORD -gt 1 ]]; then
        long=${COMP_WORDS[COMP_CWORD - 2]}
    elif [[ $cur == --*=* ]]; then
        long=${cur%%=*}
        cur=${cur#*=}
    fi
    case $long in
        --system) opt=u ;;
        --verb) opt=V ;;
        --presentation) opt=p ;;
        --sort-key) opt=k ;;
        --transform) opt=T ;;
        --json-input) opt=J ;;
        --cookie-file | --cacert) opt=C ;;
        --capath)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -d -- "$cur")
            return
            ;;
        --function) opt=0 ;;
        --rrset | --rdata-name | --rdata-ip | --rrset-raw | --rdata-raw | --type | \
            --bailiwick | --after | --before | --query-limit | --output-limit | --offset | \
            --max-count | --asinfo-domain | --timeout | --retry | --cache-ttl | --pivot | \
            --budget | --fanout)
            return
            ;;
    esac

    case $opt in
        u)
            mapfile -t COMPREPLY < <(compgen -W 'trove2 trove1 trove circl' -- "$cur")
            return
            ;;
        V)
            mapfile -t COMPREPLY < <(compgen -W 'lookup summarize' -- "$cur")
            return
            ;;
        p)
            mapfile -t COMPREPLY < <(compgen -W 'text dns json csv minimal dot graphml gexf' -- "$cur")
            return
            ;;
        k)
            _trawl_list "$cur" first last duration count name type data
            return
            ;;
        T)
            _trawl_list "$cur" reverse chomp datefix qdetail unicode
            return
            ;;
        J)
            _trawl_files "$cur"
            # "-" reads standard input.
            [[ -z $cur || $cur == - ]] && COMPREPLY+=(-)
            return
            ;;
        C)
            _trawl_files "$cur"
            return
            ;;
        0)
            mapfile -t COMPREPLY < <(compgen -W 'countoff=' -- "$cur")
            compopt -o nospace 2>/dev/null
            return
            ;;
        [ABDLMNORbilnortO])
            # A time, a number, a name or an address: nothing to offer.
            return
            ;;
    esac

    # Long options once "--" is typed; letters (and the two long options
    # everyone tries first) before that.
    if [[ $cur == --* ]]; then
        mapfile -t COMPREPLY < <(compgen -W '--after --before --asinfo --complete
            --cookie-file --asinfo-domain --debug --function --batch
            --batch-tagged --gravel --rocks --help --info --json-input --json
            --max-count --parallel --offset --timeout --quiet --sort
            --sort-descending --transform --insecure --version --ipv4 --ipv6
            --8bit --retry --no-progress --all --passive --cache --no-cache --cache-ttl
            --refresh --offline --cache-info --cache-clear --pivot --budget --fanout
            --cacert --capath --system --verb
            --rrset --rdata-name --rrset-raw --rdata-raw --rdata-ip --type
            --bailiwick --query-limit --output-limit --sort-key --presentation' \
            -- "$cur")
    elif [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W '-A -B -C -D -G -I -J -L -M -N -O -R
            -S -T -U -V -a -b -c -d -f -g -h -i -j -k -l -m -n -o -p -q -r -s
            -t -u -v -0 -4 -6 -8 --help --version' -- "$cur")
    fi
}
complete -F _trawl trawl
