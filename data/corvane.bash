# bash completion for corvane, the command-line tool of Corvane Librarian.
# Completes the commands, their options, list kinds, and project folders (*.prj) or files
# where a command takes them.

_corvane() {
    local cur prev words cword
    _init_completion || return

    local commands="info list dump check diff find copy move delete rename memo clean import
        save-as demo script"
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
        esac
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi

    case $prev in
        --kind)
            COMPREPLY=($(compgen -W "$kinds" -- "$cur"))
            return
            ;;
        --seed)
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
    esac

    case $what in
        project | folder) _filedir -d ;;
        kind) COMPREPLY=($(compgen -W "$kinds" -- "$cur")) ;;
        audio) _filedir '@(wav|WAV|aif|AIF|aiff|AIFF|vpw|VPW)' ;;
        file) _filedir ;;
    esac
} &&
    complete -F _corvane corvane
