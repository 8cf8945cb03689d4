#!/usr/bin/env bash
# cantora-cli mp3 stopped with Ctrl-C while it renders and encodes: exit
# 130, no output, no .part file, and an output that existed before (given
# --force) byte for byte as it was.
set -u
bin=$1
sf2=$3
cli=$bin/cantora-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# A 20-minute song (one chord after another, 480 ticks a quarter, 120 bpm):
# long enough that the conversion is still running when the signal comes.
long_song() {
    local track=$work/track
    printf '\x00\xc0\x00' >"$track"
    for ((i = 0; i < 600; i++)); do
        # Note on at once, off 2 s (0x0F00 = 3840 ticks) later.
        printf '\x00\x90\x3c\x60\x00\x90\x40\x60\x9e\x00\x80\x3c\x40\x00\x80\x40\x40' >>"$track"
    done
    printf '\x00\xff\x2f\x00' >>"$track"
    local len
    len=$(stat -c %s "$track")
    {
        printf 'MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xe0MTrk'
        printf "\\x$(printf %02x $((len >> 24 & 255)))\\x$(printf %02x $((len >> 16 & 255)))"
        printf "\\x$(printf %02x $((len >> 8 & 255)))\\x$(printf %02x $((len & 255)))"
        cat "$track"
    } >"$1"
}
long_song "$work/long.mid"

# Starts a conversion, waits for its .part file, sends SIGINT; echoes the exit status.
interrupt() {
    "$cli" mp3 "$work/long.mid" "$work/out.mp3" --soundfont "$sf2" "$@" 2>"$work/err" &
    local pid=$!
    for ((i = 0; i < 600; i++)); do
        [ -e "$work/out.mp3.part" ] && break
        sleep 0.05
    done
    [ -e "$work/out.mp3.part" ] || { kill -9 "$pid"; fail "no .part file appeared ($(cat "$work/err"))"; }
    kill -INT "$pid"
    wait "$pid"
}

interrupt
status=$?
[ "$status" -eq 130 ] || fail "exit $status after SIGINT, want 130 ($(cat "$work/err"))"
grep -q "interrupted" "$work/err" || fail "no message for the interruption"
[ "$(ls "$work")" = "$(printf 'err\nlong.mid\ntrack')" ] || fail "files left: $(ls "$work" | tr '\n' ' ')"

printf 'an older MP3' >"$work/out.mp3"
interrupt --force
status=$?
[ "$status" -eq 130 ] || fail "exit $status after SIGINT with --force"
[ "$(cat "$work/out.mp3")" = "an older MP3" ] || fail "the existing output changed"
[ -e "$work/out.mp3.part" ] && fail "the .part file was left"
echo "ok"
