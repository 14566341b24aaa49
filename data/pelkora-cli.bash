# bash completion for pelkora-cli: verbs, their options, and archive files.
_pelkora_cli()
{
    local cur prev words cword
    _init_completion || return

    local verb="" i
    for ((i = 1; i < cword; i++)); do
        case "${words[i]}" in
            list|extract|test|info) verb="${words[i]}"; break ;;
        esac
    done

    case "$prev" in
        -C|--directory) _filedir -d; return ;;
        -x|--exclude) return ;;
    esac

    if [[ -z "$verb" ]]; then
        COMPREPLY=($(compgen -W 'list extract test info -q --quiet --help --version' -- "$cur"))
        return
    fi
    if [[ "$cur" == -* ]]; then
        local options='-q --quiet -h --help'
        case "$verb" in
            list) options+=' -l --long -j --json -J --json-lines -x --exclude' ;;
            extract) options+=' -C --directory -O --to-stdout -k --keep-existing -o --overwrite -v --verbose -f --force -x --exclude' ;;
            info) options+=' -j --json' ;;
        esac
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    _filedir 'big'
    [[ "$verb" == extract ]] && _filedir -d
}
complete -F _pelkora_cli pelkora-cli
