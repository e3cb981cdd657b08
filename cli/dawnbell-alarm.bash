# Bash completion for dawnbell-alarm: commands, options, alarm keys and template
# names (the options of "add", the keys and the names are read from the tool
# itself, so they are always the current ones).

# Completions of `cur` from newline-separated words, blanks escaped.
_dawnbell_alarm_words()
{
    local IFS=$'\n'
    local word
    COMPREPLY=()
    for word in $1; do
        [[ $word == "$cur"* ]] && COMPREPLY+=("${word// /\\ }")
    done
}

# The options of "add" as its help lists them, in order, into `options`, and the
# value's name of each option that takes one into `value_of` (both the caller's):
# a help line is "  --name VALUE  text" or "  --name, --no-name  text", and a
# value's name starts with a capital or a double quote.
_dawnbell_alarm_add_options()
{
    local line word option
    local -a words
    while IFS= read -r line; do
        [[ $line == "  --"* ]] || continue
        read -ra words <<<"$line"
        option=
        for word in "${words[@]}"; do
            if [[ $word =~ ^--[a-z][a-z-]*,?$ ]]; then
                option=${word%,}
                options+=("$option")
            elif [[ -n $option && $word =~ ^[A-Z\"] ]]; then
                value_of[$option]=$word
                break
            else
                break
            fi
        done
    done < <("$1" add --help 2>/dev/null)
}

_dawnbell_alarm()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD-1]}
    local tool=${COMP_WORDS[0]}
    local commands="list show next add enable disable remove test snooze stop export-template import-template doctor help"

    if (( COMP_CWORD == 1 )); then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi
    local command=${COMP_WORDS[1]}
    # Alarm keys are digits or "A" + digits; a template's key is "T" + its name.
    local all keys templates
    all=$("$tool" list --templates --keys 2>/dev/null)
    keys=$(grep -v '^T' <<<"$all")
    templates=$(sed -n 's/^T//p' <<<"$all")

    case $command in
    add)
        local -a options=()
        local -A value_of=()
        _dawnbell_alarm_add_options "$tool"
        if [[ -n ${value_of[$prev]+set} ]]; then
            case $prev in
            --days) COMPREPLY=($(compgen -W "weekdays weekend daily mo tu we th fr sa su mo-fr" -- "$cur")); return ;;
            --from-template) _dawnbell_alarm_words "$templates"; return ;;
            esac
            case ${value_of[$prev]} in
            FILE) COMPREPLY=($(compgen -f -- "$cur")); compopt -o filenames 2>/dev/null ;;
            \"PROGRAM*) COMPREPLY=($(compgen -c -- "$cur")) ;;
            esac
            return
        fi
        COMPREPLY=($(compgen -W "${options[*]} --help" -- "$cur"))
        ;;
    list) COMPREPLY=($(compgen -W "--json --templates --keys --help" -- "$cur")) ;;
    next|doctor) COMPREPLY=($(compgen -W "--json --help" -- "$cur")) ;;
    snooze|stop) COMPREPLY=($(compgen -W "--help" -- "$cur")) ;;
    enable|disable|test)
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "--help" -- "$cur"))
        elif (( COMP_CWORD == 2 )); then
            _dawnbell_alarm_words "$keys"
        fi
        ;;
    show|remove)
        if [[ $cur == -* ]]; then
            [[ $command == show ]] && COMPREPLY=($(compgen -W "--json --help" -- "$cur")) \
                || COMPREPLY=($(compgen -W "--help" -- "$cur"))
        elif (( COMP_CWORD == 2 )); then
            _dawnbell_alarm_words "$all"
        fi
        ;;
    export-template)
        if (( COMP_CWORD == 2 )); then
            _dawnbell_alarm_words "$templates"
        else
            COMPREPLY=($(compgen -f -X '!*.atf' -- "$cur") $(compgen -d -- "$cur"))
            compopt -o filenames 2>/dev/null
        fi
        ;;
    import-template)
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "--overwrite --keep --help" -- "$cur"))
        else
            COMPREPLY=($(compgen -f -X '!*.atf' -- "$cur") $(compgen -d -- "$cur"))
            compopt -o filenames 2>/dev/null
        fi
        ;;
    help) (( COMP_CWORD == 2 )) && COMPREPLY=($(compgen -W "$commands" -- "$cur")) ;;
    esac
}

complete -F _dawnbell_alarm dawnbell-alarm
