#!/usr/bin/env bash
# The manners every cantora-cli command shares: OUT refused when it exists (exit 3) or is a folder, --force, -q,
# the summary line, the system's words for write failures, standard streams as "-" (compared whole with
# tests/data/expected/conventions.txt); a progress bar only on a terminal or with --progress; exit 143/130 on signals.
# Help, usage errors, unreadable inputs and the outputs themselves are in transcript.sh.
# usage: conventions.sh BIN_DIR TEST_DATA_DIR SF2
set -u
. "$(dirname "$0")/lib/setup.sh"
. "$(dirname "$0")/lib/transcript.sh"
keep_going
cd "$work" || exit 1
make_song song.mid 2 # short: each command runs many times
"$cli" render song.mid tone.wav --soundfont "$sf2" -q || exit 1
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
# as_user COMMAND...: as a user other than root.
run() { bash ./run.sh "$@"; }
as_user() { if [ "$(id -u)" = 0 ]; then setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; else "$@"; fi; }
export -f run as_user
mkdir ro lib && chmod 555 ro && chmod o+rx "$work" && cp song.mid lib && echo no >lib/bad.mid
# Each writing command: OUT exists, --force, -q, OUT a folder, at the file size limit, in a read-only folder.
transcript conventions <<'LIST'
for n in render encode lrc mp3 cdg; do echo old >o/x.$n; run $n o/x.$n; echo "$n: $?"; done
for n in render encode lrc mp3 cdg; do echo old >o/x.$n; run $n o/x.$n --force; run $n o/x.$n --force -q; echo "$n: $?"; done
for n in render encode; do run $n o/x.$n --progress; done
for n in render encode lrc mp3 cdg; do mkdir -p o/d.$n; run $n o/d.$n --force; echo "$n: $?"; done
for n in render encode lrc mp3 cdg; do (ulimit -f 2; run $n o/big.$n); echo "$n: $?"; done
for n in render encode lrc mp3 cdg; do as_user bash ./run.sh $n ro/x.$n; echo "$n: $?"; done
"$cli" batch lib --out o/b --soundfont "$sf2" -q
"$cli" render song.mid - --soundfont "$sf2" >o/s.wav && cmp o/s.wav tone.wav && echo "the same as render into the file"
"$cli" render song.mid - --soundfont "$sf2" | cat >o/p.wav; od -A n -t x1 -N 8 o/p.wav; cmp -i 44 o/p.wav tone.wav && echo same
cat tone.wav | "$cli" encode - o/p.mp3 -q && "$cli" encode tone.wav o/f.mp3 -q && cmp o/p.mp3 o/f.mp3 && mpg123 -q -s o/f.mp3 | wc -c
"$cli" cdg song.mid - | md5sum; "$cli" cdg song.mid o/c.cdg -q && md5sum <o/c.cdg
LIST
# A progress bar on a terminal.
for name in render encode mp3; do
    script -qec "bash ./run.sh $name out --force" /dev/null >tty.txt </dev/null
    grep -q '100%' tty.txt || fail "$name drew no bar on a terminal"
done
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
