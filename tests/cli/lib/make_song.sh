# Sourced by the command-line tests: the MIDI songs they build.
# smf FILE TRACK...: format 0 for one track, else 1; 480 ticks a quarter;
# each TRACK is the printf text of its events.
smf() {
    local out=$1 t n
    shift
    printf "MThd\\x00\\x00\\x00\\x06\\x00\\x0$(($# > 1))\\x00\\x0$#\\x01\\xe0" >"$out"
    for t in "$@"; do
        n=$(printf "$t" | wc -c)
        printf "MTrk\\x$(printf %02x $((n >> 24)))\\x$(printf %02x $((n >> 16 & 255)))" >>"$out"
        printf "\\x$(printf %02x $((n >> 8 & 255)))\\x$(printf %02x $((n & 255)))$t" >>"$out"
    done
}
# make_song FILE [SECONDS]: the small song they share, 120 bpm, 10 s long (or SECONDS, 2 to 17).
#   tick 0:    lyric "Hel", text "caf\xE9" (CP1252), flute, A4 on
#   tick 960:  lyric "lo<TAB>\", text "@T"
#   tick 960 x SECONDS: A4 off, end of track
make_song() {
    local d=$((${2:-10} * 960 - 960))
    smf "$1" '\x00\xff\x51\x03\x07\xa1\x20\x00\xff\x05\x03Hel\x00\xff\x01\x04caf\xe9\x00\xc0\x49\x00\x90\x45\x64'`
        `'\x87\x40\xff\x05\x04lo\t\\\x00\xff\x01\x02@T'"\\x$(printf %02x $((d >> 7 | 128)))\\x$(printf %02x $((d & 127)))"`
        `'\x80\x45\x40\x00\xff\x2f\x00'
}
