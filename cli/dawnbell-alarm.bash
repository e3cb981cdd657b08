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
