# shellcheck shell=sh
# Sourced by the make-*-fixtures.sh scripts: when a fixture set needs making, and the
# steps every set shares.
#
# A set is up to date while its stamp holds the hash of the script that made it and
# every file the script names is there, so an edit of the script regenerates the set
# and an unchanged one is skipped. Use:
#
#   . "$(dirname "$0")/fixture-lib.sh"
#   FIXTURE_FILES="a.wav b.mp3"       # optional, relative to the stamp's folder
#   fixtures_start OUTPUT_DIR STAMP TOOL...
#   ... make the files, using "$fixtures_tmp" for intermediate ones ...
#   fixtures_done STAMP

# Taken now: the script may change its working folder before it finishes.
FIXTURE_SCRIPT_HASH=$(sha256sum "$0" | cut -d' ' -f1)
FIXTURE_FILES=${FIXTURE_FILES:-}

# fixtures_up_to_date STAMP: true when nothing is to be done.
fixtures_up_to_date() {
    [ -f "$1" ] && [ "$(cat "$1")" = "$FIXTURE_SCRIPT_HASH" ] || return 1
    for file in $FIXTURE_FILES; do
        [ -s "$(dirname "$1")/$file" ] || return 1
    done
}

# fixtures_start OUTPUT_DIR STAMP TOOL...: ends the script when the set is up to date.
# Otherwise checks the tools, makes the folder, drops the old stamp (so that a run cut
# short is not taken for a complete set) and makes a scratch folder, $fixtures_tmp,
# removed on exit.
fixtures_start() {
    fixtures_up_to_date "$2" && exit 0
    fixtures_out=$1
    fixtures_stamp=$2
    shift 2
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "$0: $tool is missing (scripts/install-deps.sh installs it)" >&2
            exit 1
        fi
    done
    mkdir -p "$fixtures_out"
    rm -f "$fixtures_stamp"
    fixtures_tmp=$(mktemp -d)
    trap 'rm -rf "$fixtures_tmp"' EXIT INT TERM
}

# fixtures_done STAMP: marks the set complete.
fixtures_done() {
    echo "$FIXTURE_SCRIPT_HASH" >"$1"
}

# ffmpeg without chatter.
ff() {
    ffmpeg -nostdin -hide_banner -loglevel error -y "$@"
}
