#!/usr/bin/env bash
# The manners every cantora-cli command shares, over a table of the commands:
# OUT refused when it exists (exit 3) or is a folder, -q, progress only on a terminal or with
# --progress, the summary line, the system's words for write failures,
# standard streams as "-", unreadable inputs (missing, not allowed, not a
# song, a FIFO: transcript.sh) refused at once by name and cause, exit 143/130 on signals.
# Help, usage errors and the outputs themselves are in transcript.sh.
# usage: conventions.sh BIN_DIR TEST_DATA_DIR SF2
set -u
. "$(dirname "$0")/lib/setup.sh"
keep_going
cd "$work" || exit 1
make_song song.mid 2 # short: each command runs many times
"$cli" render song.mid tone.wav --soundfont "$sf2" -q || exit 1
cp "$data/mp3/silence-44-s-v1.mp3" tag.mp3
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
        grep -q '100%  0:02 / 0:02' err || fail "$name --progress drew no bar: $(tail -1 err)"
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
