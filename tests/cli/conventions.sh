#!/usr/bin/env bash
# The manners every cantora-cli command shares, over a table of the commands:
# help on stdout, usage errors that name what is wrong, OUT refused when it
# exists (exit 3) or is a folder, -q, progress only on a terminal or with
# --progress, the summary line, the system's words for write failures,
# standard streams as "-", unreadable inputs (missing, not allowed, not a
# song, a FIFO) refused at once by name and cause, exit 143/130 on signals;
# and the lrc, marks and encode outputs of a small song.
# usage: conventions.sh BIN_DIR TEST_DATA_DIR SF2
set -u
. "$(dirname "$0")/lib/setup.sh"
keep_going
cd "$work" || exit 1
make_song song.mid
"$cli" render song.mid tone.wav --soundfont "$sf2" -q || exit 1
"$cli" mp3 song.mid tune.mp3 --soundfont "$sf2" -q || exit 1
cp tune.mp3 tag.mp3
# run NAME OUT [OPTIONS]: the writing command NAME on the test's input, into OUT.
cat >run.sh <<EOF
name=\$1 out=\$2
shift 2
case \$name in
render | mp3) exec "$cli" "\$name" song.mid "\$out" --soundfont "$sf2" "\$@" ;;
lrc) exec "$cli" lrc song.mid "\$out" "\$@" ;;
encode) exec "$cli" encode tone.wav "\$out" "\$@" ;;
cdg) exec "$cli" cdg song.mid "\$out" "\$@" ;;
esac
EOF
run() { bash ./run.sh "$@"; }
if [ "$(id -u)" = 0 ]; then as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups); else as_user=(); fi
mkdir ro && chmod 555 ro && chmod o+rx "$work"

# --- every command: help and usage errors ----------------------------------
while read -r name missing; do
    "$cli" "$name" --help >out 2>err; rc=$?
    [ "$rc" = 0 ] && grep -q "usage: cantora-cli $name" out && grep -q "143" out && [ ! -s err ] ||
        fail "$name --help: exit $rc, $(head -1 out)"
    "$cli" "$name" >out 2>err; rc=$?
    [ "$rc" = 2 ] && [ "$(head -1 err)" = "cantora-cli: $name: missing $missing" ] || fail "$name: exit $rc, $(head -1 err)"
    "$cli" "$name" --bogus x >/dev/null 2>err; rc=$?
    [ "$rc" = 2 ] && grep -q "unknown option '--bogus'" err || fail "$name --bogus: exit $rc"
done <<'LIST'
render SONG
marks SONG
encode IN.wav
info FILE
tag FILE
lrc SONG
mp3 SONG
cdg SONG
batch SRC
LIST
"$cli" --help | grep -q "143 after SIGTERM" || fail "no exit statuses in the main help"

# --- repeated, contradictory and shared option values ------------------------------
while IFS='|' read -r want args; do
    # shellcheck disable=SC2086
    "$cli" $args >/dev/null 2>err; rc=$?
    [ "$rc" = 2 ] && grep -q -- "$want" err || fail "$args: exit $rc, $(head -1 err)"
done <<'LIST'
--tempo given twice|render song.mid x.wav --tempo=10 --tempo 20
--title given twice|mp3 song.mid x.mp3 --title A --title B
--mute and --solo both name channel 3|mp3 song.mid x.mp3 --mute 3 --solo 3
--volume names channel 2 twice|render song.mid x.wav --volume 2:10 --volume 2:20
--bitrate goes with the ABR and CBR presets only|encode tone.wav x.mp3 --bitrate 96
is not a bit rate|mp3 song.mid x.mp3 --preset CBR --bitrate 999
--preset needs a value|encode tone.wav x.mp3 --preset
a colour is #RRGGBB|cdg song.mid x.cdg --colours red,green
--lyrics-encoding needs --lyrics|tag tag.mp3 --lyrics-encoding GBK
unknown genre '256'|tag tag.mp3 --genre 256
--jobs given twice|batch . --out o --jobs 1 --jobs 2
LIST
"$cli" tag tag.mp3 --genre=0012 --title=x=y -q && "$cli" info --json tag.mp3 >json || fail "--genre=0012 --title=x=y"
grep -q '"Genre": "13"' json && grep -q '"Title": "x=y"' json && "$cli" info tag.mp3 | grep -qx "Genre: 13 (Other)" ||
    fail "--genre 0012 is not 12 (Other), or --title=x=y was not split at the first =: $(cat json)"
"$cli" tag tag.mp3 --genre 255 -q && "$cli" info tag.mp3 | grep -qx "Genre: 256" || fail "--genre 255 refused"
"$cli" encode tone.wav cbr.mp3 --preset CBR --bitrate 320 -q || fail "--bitrate 320 refused"
"$cli" info --json cbr.mp3 | grep -q '"Bitrate": "320 Kbps"' || fail "--bitrate 320 did not reach the encoder"

# --- the commands that write: OUT exists, is a folder, cannot be written -------------
# name|bar: the command shows a progress bar
while IFS='|' read -r name ext bar; do
    out=out.$ext
    echo old >"$out"
    run "$name" "$out" 2>err; rc=$?
    [ "$rc" = 3 ] && [ "$(cat "$out")" = old ] && grep -q "already exists (--force replaces it)" err ||
        fail "$name over an existing OUT: exit $rc, $(head -1 err)"
    run "$name" "$out" --force 2>err; rc=$?
    [ "$rc" = 0 ] && [ "$(tail -1 err | cut -d' ' -f1-4)" = "cantora-cli: $name: wrote $out" ] ||
        fail "$name --force: exit $rc, $(tail -1 err)"
    run "$name" "$out" --force -q 2>err || fail "$name -q: exit $?"
    [ -s err ] && fail "$name -q printed: $(cat err)"
    mkdir -p "dir.$ext"
    run "$name" "dir.$ext" --force 2>err; rc=$?
    [ "$rc" = 1 ] && grep -q "dir.$ext is a folder" err || fail "$name into a folder: exit $rc, $(cat err)"
    (
        ulimit -f 2
        run "$name" "big.$ext" 2>err
    ); rc=$?
    [ "$name" = lrc ] || { [ "$rc" = 1 ] && grep -q "cannot write big.$ext: File too large" err; } ||
        fail "$name at the file size limit: exit $rc, $(cat err)"
    "${as_user[@]}" bash ./run.sh "$name" "ro/x.$ext" 2>err; rc=$?
    [ "$rc" = 1 ] && grep -q "cannot write ro/x.$ext: Permission denied" err ||
        fail "$name into a read-only folder: exit $rc, $(cat err)"
    if [ "$bar" = bar ]; then
        run "$name" "$out" --force 2>err
        grep -q '%' err && fail "$name drew a bar into a pipe"
        run "$name" "$out" --force --progress 2>err
        grep -q '100%  0:10 / 0:10' err || fail "$name --progress drew no bar: $(tail -1 err)"
        script -qec "bash ./run.sh $name $out --force" /dev/null >tty.txt </dev/null
        grep -q '100%' tty.txt || fail "$name drew no bar on a terminal"
    fi
    ls -A | grep '\.part$' && fail "$name left a temporary file"
done <<'LIST'
render|wav|bar
encode|mp3|bar
lrc|lrc|-
mp3|mp3|bar
cdg|cdg|-
LIST
mkdir lib && cp song.mid lib && "$cli" batch lib --out blib --soundfont "$sf2" -q 2>err && [ -s blib/song.mp3 ] &&
    [ ! -s err ] || fail "batch -q: $(cat err)"

# --- standard streams ---------------------------------------------------------------
"$cli" render song.mid - --soundfont "$sf2" >seek.wav 2>/dev/null || fail "render - into a file"
cmp -s seek.wav tone.wav || fail "render - into a file differs from render into the file"
"$cli" render song.mid - --soundfont "$sf2" 2>/dev/null | cat >pipe.wav
[ "$(od -A n -t x1 -j 4 -N 4 pipe.wav | tr -d ' ')" = ffffffff ] || fail "render - into a pipe: no maximum size"
cmp -s -i 44 pipe.wav tone.wav || fail "render - into a pipe: other samples"
cat tone.wav | "$cli" encode - piped.mp3 -q || fail "encode - exit $?"
"$cli" encode tone.wav file.mp3 -q && cmp -s piped.mp3 file.mp3 || fail "encode - differs from encode FILE"
[ "$(mpg123 -q -s file.mp3 | wc -c)" = $(($(stat -c %s tone.wav) - 44)) ] || fail "the MP3 decodes to another length"
"$cli" cdg song.mid - 2>/dev/null | cmp -s - out.cdg || fail "cdg SONG - differs from cdg SONG FILE"
for kind in "" exact; do
    "$cli" lrc "$src/data/demo.kar" - ${kind:+--exact} >stdout.lrc && cmp -s stdout.lrc "$data/lrc/demo${kind:+_$kind}.lrc" ||
        fail "lrc SONG - ${kind:+--exact}"
done
# Two lyric events make no LRC: an empty one and a note. marks: tab-separated, UTF-8, \ TAB CR LF escaped.
"$cli" lrc song.mid few.lrc 2>err && [ -f few.lrc ] && [ ! -s few.lrc ] && grep -q "no lyrics" err ||
    fail "lrc of a song without lyrics: $(cat err)"
"$cli" marks song.mid >out || fail "marks exited $?"
printf 'lyric\t0\t0\t0\t0\tHel\nlyric\t1\t0\t960\t176400\tlo\\t\\\\\ntext\t0\t0\t0\t0\tcaf\xc3\xa9\ntext\t1\t0\t960\t176400\t@T\n' >want
cmp -s out want || fail "marks output differs: $(diff want out)"
cat tune.mp3 | "$cli" info --json - tune.mp3 >json || fail "info -: exit $?"
python3 -c 'import json,sys; a=json.load(open("json")); sys.exit(not (a[0]["file"] == "-" and a[0]["Size"] == a[1]["Size"]))' ||
    fail "info - reads another file: $(cat json)"

# --- info --json: an array always, one object per argument, errors in place ---------------
"$cli" info --json tune.mp3 missing.mp3 song.mid >json 2>/dev/null; rc=$?
[ "$rc" = 1 ] || fail "info with failures: exit $rc"
python3 - <<'PY' || fail "info --json shape: $(cat json)"
import json
a = json.load(open("json"))
assert [o["file"] for o in a] == ["tune.mp3", "missing.mp3", "song.mid"]
assert "error" not in a[0] and a[0]["Layer"] == "layer 3"
assert a[1]["error"] == "No such file or directory" and "MPEG" in a[2]["error"]
PY
"$cli" info --json tune.mp3 | python3 -c 'import json,sys; assert len(json.load(sys.stdin)) == 1' || fail "one file: no array"

# --- inputs that cannot be read: exit 1 at once, file and cause named, nothing written -----
cp song.mid secret.mid && chmod 000 secret.mid
echo "not midi" >bad.kar
sox -n -r 44100 -c 1 -b 16 mono.wav synth 1 sine 440 || exit 1
mkfifo fifo
while IFS='|' read -r args want; do
    [[ $args == *secret* ]] && as=("${as_user[@]}") || as=()
    # shellcheck disable=SC2086
    timeout 20 "${as[@]}" "$cli" $args >out 2>err; rc=$?
    [ "$rc" = 1 ] && grep -q -- "$want" err && [ ! -s out ] || fail "$args: exit $rc, $(cat err)"
done <<'LIST'
render secret.mid -|secret.mid: Permission denied
marks missing.kar|missing.kar: No such file or directory
encode missing.wav x.mp3|missing.wav: No such file or directory
tag missing.mp3 --title X|missing.mp3: No such file or directory
tag tone.wav --title X|tone.wav: no MPEG audio frame found
render bad.kar x.wav|bad.kar: not a MIDI file
encode mono.wav x.mp3|mono.wav: error 29671: Only stereo 16 bit wave files supported.
render fifo x.wav|fifo: not a regular file
mp3 fifo x.mp3|fifo: not a regular file
lrc fifo x.lrc|fifo: not a regular file
cdg fifo x.cdg|fifo: not a regular file
marks fifo|fifo: not a regular file
encode fifo x.mp3|fifo: not a regular file
info fifo|fifo: not a regular file
tag fifo|fifo: not a regular file
tag tag.mp3 --lyrics fifo|fifo: not a regular file
LIST
ls -A | grep -E '^(x|missing)\.|\.part$' && fail "files left by inputs that cannot be read"
cmp -s tone.wav seek.wav || fail "tag changed a file without MPEG audio"
"$cli" tag tone.wav --title X --not-mp3 && [ "$(tail -c 128 tone.wav | head -c 3)" = TAG ] || fail "--not-mp3 did not tag"

# --- signals: 130 after SIGINT, 143 after SIGTERM, nothing left -----------------------------
# A 30-minute note: still rendering when the signal comes, sent once the bar shows.
smf long.mid '\x00\xc0\x00\x00\x90\x3c\x64\xe9\xbc\x00\x80\x3c\x40\x00\xff\x2f\x00'
mkfifo bar
for case in "render INT 130" "render TERM 143" "mp3 TERM 143"; do
    read -r name sig want <<<"$case"
    echo old >"long.$name"
    "$cli" "$name" long.mid "long.$name" --soundfont "$sf2" --force --progress 2>bar &
    pid=$!
    exec 3<bar
    while read -r line <&3 && [[ $line != *%* ]]; do :; done
    kill -"$sig" "$pid"
    wait "$pid"; rc=$?
    exec 3<&-
    [ "$rc" = "$want" ] && [ "$(cat "long.$name")" = old ] || fail "$name SIG$sig: exit $rc"
done
ls -A | grep '\.part$' && fail "a signal left a temporary file"

finish conventions
