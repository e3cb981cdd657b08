# Bash completion for dawnbell-alarm: commands, options, alarm keys and template
# names (read from the tool itself, so they are always the current ones).

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

_dawnbell_alarm()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD-1]}
    local tool=${COMP_WORDS[0]}
    local commands="list show next add enable disable remove test help"

    if (( COMP_CWORD == 1 )); then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi
    local command=${COMP_WORDS[1]}
    local keys templates
    keys=$("$tool" list --keys 2>/dev/null)
    templates=$("$tool" list --templates --keys 2>/dev/null | sed -n 's/^T//p')

    case $command in
    add)
        case $prev in
        --sound) COMPREPLY=($(compgen -f -- "$cur")); compopt -o filenames 2>/dev/null; return ;;
        --days) COMPREPLY=($(compgen -W "weekdays weekend daily mo tu we th fr sa su mo-fr" -- "$cur")); return ;;
        --from-template) _dawnbell_alarm_words "$templates"; return ;;
        --command) COMPREPLY=($(compgen -c -- "$cur")); return ;;
        --time|--in|--date|--title|--message|--snooze|--quiz|--volume) return ;;
        esac
        COMPREPLY=($(compgen -W "--time --in --days --date --title --message --sound --snooze --no-snooze
            --quiz --vibrate --no-vibrate --volume --inactive --from-template --command --help" -- "$cur"))
        ;;
    list) COMPREPLY=($(compgen -W "--json --templates --keys --help" -- "$cur")) ;;
    next) COMPREPLY=($(compgen -W "--json --help" -- "$cur")) ;;
    show)
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "--json --help" -- "$cur"))
        else
            _dawnbell_alarm_words "$keys"$'\n'"$("$tool" list --templates --keys 2>/dev/null | grep '^T')"
        fi
        ;;
    enable|disable|remove|test)
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "--help" -- "$cur"))
        elif (( COMP_CWORD == 2 )); then
            _dawnbell_alarm_words "$keys"
        fi
        ;;
    help) (( COMP_CWORD == 2 )) && COMPREPLY=($(compgen -W "$commands" -- "$cur")) ;;
    esac
}

complete -F _dawnbell_alarm dawnbell-alarm
