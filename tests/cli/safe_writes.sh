#!/usr/bin/env bash
# What the writers guarantee a user's files: two runs on one OUT never mix
# (the names beside OUT: tests/core), tag replaces its file whole or not at
# all, keeping its mode (a lyric file too big to read: transcript.sh).
# usage: safe_writes.sh BIN_DIR TEST_DATA_DIR SF2
set -u
. "$(dirname "$0")/lib/setup.sh"
keep_going
cd "$work" || exit 1
make_song song.mid
sum() { md5sum <"$1"; }
title() { "$cli" info --json "$1" | grep -o '"Title": "[^"]*"' | cut -d'"' -f4; }

# --- two runs on one OUT: the second (with --force) wins whole; the first, stopped ----------
# meanwhile, is refused rather than overwriting it.
mkfifo bar
"$cli" mp3 song.mid same.mp3 --title A --soundfont "$sf2" --progress 2>bar &
first=$!
exec 3<bar
while read -r line <&3 && [[ $line != *%* ]]; do :; done
kill -STOP "$first"
"$cli" mp3 song.mid same.mp3 --title B --soundfont "$sf2" --force -q || fail "second run: exit $?"
kill -CONT "$first"
cat <&3 >first.err
wait "$first"; rc=$?
exec 3<&-
[ "$rc" = 3 ] && grep -q "same.mp3 already exists" first.err || fail "first run: exit $rc, $(cat first.err)"
[ "$(title same.mp3)" = B ] || fail "same.mp3 holds title $(title same.mp3)"
"$cli" mp3 song.mid b.mp3 --title B --soundfont "$sf2" -q && cmp -s same.mp3 b.mp3 || fail "same.mp3 is not B's file"

# --- tag: a full disk leaves the file as it was (the mode kept: SafeOutput's test) -----------
cp same.mp3 t.mp3
before=$(sum t.mp3)
printf '[00:01]la la\n' >la.lrc
(
    ulimit -f 8
    "$cli" tag t.mp3 --title X --lyrics la.lrc 2>err
); rc=$?
[ "$rc" = 1 ] && grep -q "cannot write .*t.mp3: File too large" err || fail "tag at the size limit: exit $rc, $(cat err)"
[ "$(sum t.mp3)" = "$before" ] || fail "a failed tag changed the file"
ls -A | grep -q '\.part$' && fail "files left: $(ls -A)"

finish "safe writes"
