#!/usr/bin/env bash
# The desktop entry and the AppStream metadata pass their validators, and the bash completion
# completes commands, options, kinds and project folders.
#   desktop_files_test.sh SOURCE_DIR BUILD_DIR
set -eu
source_dir=$1
build=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

desktop-file-validate "$source_dir/data/com.brisko.CorvaneLibrarian.desktop" ||
    fail "desktop-file-validate"
appstreamcli validate --no-net "$build/data/com.brisko.CorvaneLibrarian.metainfo.xml" ||
    fail "appstreamcli validate"

# The completion, as bash calls it for `corvane WORDS...<Tab>`.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/Live.prj" "$scratch/Lost" && touch "$scratch/kick.wav" "$scratch/notes.txt"
complete_line() {
    (cd "$scratch" && bash -c '
        source /usr/share/bash-completion/bash_completion
        source "$0"
        COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
        COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
        _corvane corvane "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
        printf "%s\n" "${COMPREPLY[@]}" | LC_ALL=C sort | tr "\n" " "' "$source_dir/data/corvane.bash" "$@")
}
expect() {
    local got
    got=$(complete_line "${@:2}")
    [ "$got" = "$1" ] || fail "${*:2}<Tab>: expected '$1', got '$got'"
}
expect "delete demo diff dump " corvane d
expect "save-as script " corvane s
expect "wave waveform " corvane wav
expect "--height --help --svg --width " corvane waveform Live.prj 3 --
expect "--dry-run --help --insert --yes " corvane copy --
expect "patch " corvane list Live.prj p
expect "tone " corvane find Live.prj bass --kind t
expect "Live.prj Lost " corvane check ""
expect "kick.wav " corvane import Live.prj k
expect "--keep-patch-numbering " corvane clean Live.prj --keep-t --keep-p
echo "desktop files and completion ok"
