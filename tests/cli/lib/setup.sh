# Sourced first by the command-line tests, with their arguments BIN DATA SF2:
# sets bin, data, sf2, cli (the command under test) and src (the source
# tree), loads make_song, makes the work folder removed at exit, and fail().
bin=$1
data=${2-}
sf2=${3-}
cli=$bin/cantora-cli
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
. "$(dirname "${BASH_SOURCE[0]}")/make_song.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
