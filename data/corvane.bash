# bash completion for corvane, the command-line tool of Corvane Librarian.
# Completes the commands, their options, list kinds, and project folders (*.prj) or files
# where a command takes them.

# `corvane library [--library FILE] SUBCOMMAND ...`: the words after "library", the value of
# --library left out.
_corvane_library() {
    local kinds="patch tone wave" i seen=0 args=()
    for ((i = 1; i < cword; i++)); do
        if ((seen)); then
            [[ ${words[i]} != -* && ${words[i - 1]} != --library && ${words[i - 1]} != --kind &&
                ${words[i - 1]} != --tag && ${words[i - 1]} != --project ]] && args+=("${words[i]}")
        elif [[ ${words[i]} == library ]]; then
            seen=1
        fi
    done
    case $prev in
        --library) _filedir; return ;;
        --kind) COMPREPLY=($(compgen -W "$kinds" -- "$cur")); return ;;
        --project) _filedir -d; return ;;
        --tag) return ;;
    esac
    local sub=${args[0]:-}
    if [[ $cur == -* ]]; then
        local options="--help"
        case $sub in
            "") options+=" --library" ;;
            scan) options+=" --full" ;;
            search) options+=" --kind --tag --project --favourite --used --unused --dupes --json" ;;
            dupes) options+=" --kind --json" ;;
            tag | favourite) options+=" --remove" ;;
            stats) options+=" --json" ;;
        esac
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    case $sub in
        "") COMPREPLY=($(compgen -W "add remove scan search dupes tag favourite tags stats check" \
            -- "$cur")) ;;
        add | remove) _filedir -d ;;
        tag | favourite)
            case ${#args[@]} in 1) _filedir -d ;; 2) COMPREPLY=($(compgen -W "$kinds" -- "$cur")) ;; esac ;;
        tags)
            if [[ ${#args[@]} == 1 ]]; then
                COMPREPLY=($(compgen -W "export import" -- "$cur"))
            else
                _filedir json
            fi ;;
    esac
}

_corvane() {
    local cur prev words cword
    _init_completion || return

    local commands="info list dump check diff find copy move delete rename memo clean import
        save-as demo script library history wave waveform"
    local kinds="patch tone wave"

    # The command is the first word that is not an option.
    local i command="" position=0
    for ((i = 1; i < cword; i++)); do
        if [[ ${words[i]} != -* ]]; then
            if [[ -z $command ]]; then
                command=${words[i]}
            else
                ((position++))
            fi
        fi
    done

    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi
    if [[ $command == library ]]; then
        _corvane_library
        return
    fi
    if [[ $command == history ]]; then
        case $prev in
            --history) _filedir -d; return ;;
            --against | --keep) return ;;
        esac
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "--help --history --json --against --dry-run --keep" -- "$cur"))
        elif ((position == 0)); then
            # A subcommand, or the project folder whose versions are listed.
            _filedir -d
            COMPREPLY+=($(compgen -W "show restore export prune attach" -- "$cur"))
        else
            _filedir -d
        fi
        return
    fi

    if [[ $cur == -* ]]; then
        local options="--help"
        case $command in
            list) options+=" --all" ;;
            diff) options+=" --json" ;;
            find) options+=" --kind" ;;
            copy | move) options+=" --insert --yes --dry-run" ;;
            delete) options+=" --yes" ;;
            clean) options+=" --keep-unused-waves --keep-unused-tones --keep-tone-numbering
                --keep-patch-numbering --dry-run" ;;
            save-as) options+=" --yes" ;;
            demo) options+=" --seed --full" ;;
            wave) options+=" --json" ;;
            waveform) options+=" --svg --width --height" ;;
        esac
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi

    case $prev in
        --kind)
            COMPREPLY=($(compgen -W "$kinds" -- "$cur"))
            return
            ;;
        --seed | --width | --height)
            return
            ;;
    esac

    # What the word at this position of the command is.
    local what=""
    case $command in
        info | dump | check) [[ $position == 0 ]] && what=project ;;
        diff) [[ $position -le 1 ]] && what=project ;;
        list)
            case $position in 0) what=project ;; 1) what=kind ;; esac ;;
        find) [[ $position == 0 ]] && what=project ;;
        copy | move)
            case $position in 0 | 3) what=project ;; 1) what=kind ;; esac ;;
        delete | rename | memo)
            case $position in 0) what=project ;; 1) what=kind ;; esac ;;
        clean) [[ $position == 0 ]] && what=project ;;
        import)
            if [[ $position == 0 ]]; then what=project; else what=audio; fi ;;
        save-as | demo) [[ $position -le 1 ]] && what=folder ;;
        script) [[ $position == 0 ]] && what=file ;;
        wave | waveform) [[ $position == 0 ]] && what=project ;;
    esac

    case $what in
        project | folder) _filedir -d ;;
        kind) COMPREPLY=($(compgen -W "$kinds" -- "$cur")) ;;
        audio) _filedir '@(wav|WAV|aif|AIF|aiff|AIFF|vpw|VPW)' ;;
        file) _filedir ;;
    esac
} &&
    complete -F _corvane corvane
