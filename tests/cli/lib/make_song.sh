# Sourced by the command-line tests: builds the small song they share.
# make_song FILE: format 0, 480 ticks per quarter, 120 bpm, 10 s long.
#   tick 0:    lyric "Hel", text "caf\xE9" (CP1252), flute, A4 on
#   tick 960:  lyric "lo<TAB>\", text "@T"
#   tick 9600: A4 off, end of track
make_song() {
    local track
    track=$(mktemp)
    printf '\x00\xff\x51\x03\x07\xa1\x20' >"$track"
    printf '\x00\xff\x05\x03Hel' >>"$track"
    printf '\x00\xff\x01\x04caf\xe9' >>"$track"
    printf '\x00\xc0\x49\x00\x90\x45\x64' >>"$track"
    printf '\x87\x40\xff\x05\x04lo\t\\' >>"$track"
    printf '\x00\xff\x01\x02@T' >>"$track"
    printf '\xc3\x40\x80\x45\x40\x00\xff\x2f\x00' >>"$track"
    local len
    len=$(wc -c <"$track")
    {
        printf 'MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xe0MTrk'
        printf "\\x$(printf %02x $((len >> 24 & 255)))\\x$(printf %02x $((len >> 16 & 255)))"
        printf "\\x$(printf %02x $((len >> 8 & 255)))\\x$(printf %02x $((len & 255)))"
        cat "$track"
    } >"$1"
    rm -f "$track"
}
