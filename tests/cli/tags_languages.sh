#!/bin/bash
# cantora-cli tag and info with lyrics and titles in many languages: what is
# written reads back identically through info --json; CP1252 is written when
# it holds the text, UTF-8 otherwise (never '?'); other 8-bit LRC files keep
# their bytes or are converted with --lyrics-encoding. Also: a damaged
# Lyrics3 block kept or replaced, and refusals that change nothing.
# usage: tags_languages.sh BIN_DIR TEST_DATA_DIR [SF2]
set -u
. "$(dirname "$0")/lib/setup.sh"
keep_going
cd "$work" || exit 1
# jfield NAME: one field of the JSON on stdin, as UTF-8 bytes; fails on
# anything that is not valid JSON in valid UTF-8.
jfield() {
    perl -MJSON::PP -e 'my $j = JSON::PP->new->utf8->decode(do { local $/; <STDIN> });
                        my $v = $j->[0]{$ARGV[0]}; utf8::encode($v); binmode STDOUT; print $v' "$1"
}
fresh() { cp "$data/mp3/silence-44-s-v1.mp3" "$1"; chmod u+w "$1"; }
# The LYR data of the block written by tag (one LYR field, ID3v1 after it).
lyr_bytes() {
    local len
    len=$(tail -c $((128 + 15)) "$1" | head -c 6)
    len=$((10#$len - 19))
    tail -c $((128 + 15 + len)) "$1" | head -c "$len"
}

# --- languages through tag and info ----------------------------------------
while IFS='|' read -r lang cp title line1 line2; do
    printf '[00:01.00]%s\r\n[00:05.50]%s\r\n' "$line1" "$line2" >"$lang.lrc"
    fresh "$lang.mp3"
    "$cli" tag "$lang.mp3" --title "$title" --lyrics "$lang.lrc" 2>err || fail "$lang: tag exit $?"
    json=$("$cli" info --json "$lang.mp3") || fail "$lang: info exit $?"
    [ "$(jfield Title <<<"$json")" = "$title" ] || fail "$lang: title read back: $(jfield Title <<<"$json")"
    jfield Lyrics <<<"$json" >got.txt
    cmp -s got.txt "$lang.lrc" || fail "$lang: lyrics read back: $(cat got.txt)"
    grep -q '?' got.txt && fail "$lang: a '?' in the lyrics"
    if [ "$cp" = cp1252 ]; then
        grep -q "UTF-8" err && fail "$lang: said UTF-8 for text CP1252 holds: $(cat err)"
        lyr_bytes "$lang.mp3" | cmp -s - <(iconv -f UTF-8 -t CP1252 "$lang.lrc") || fail "$lang: lyrics not in CP1252"
    else
        grep -q "written in UTF-8.*title, lyrics" err || fail "$lang: UTF-8 not reported: $(cat err)"
        lyr_bytes "$lang.mp3" | cmp -s - "$lang.lrc" || fail "$lang: lyrics not in UTF-8"
    fi
    [ "$(exiftool -s -s -s -ID3v1:Artist "$lang.mp3")" = piman ] || fail "$lang: artist not kept"
done <<'LANGS'
italian|cp1252|Perché così|Perché così è più facile|Là dove il sì suona
japanese|utf8|さくら|さくら さくら|弥生の空は 見わたす限り
LANGS

# A 30-byte field holding three-byte characters is cut between characters, and said so.
fresh cut.mp3
"$cli" tag cut.mp3 --title "a月亮代表我的心月亮代表我的心" 2>err || fail "cut: tag exit $?"
grep -q "cut to fit the tag: title" err && [ "$(jfield Title < <("$cli" info --json cut.mp3))" = "a月亮代表我的心月亮" ] ||
    fail "cut title: $(cat err)"

# --- 8-bit LRC files in other encodings ---------------------------------------
printf '[00:01]月亮代表我的心\r\n[00:05]你问我爱你有多深\r\n' >zh.txt
printf '[00:01]さくら さくら\r\n' >ja.txt
iconv -f UTF-8 -t GBK zh.txt >gbk.lrc
# Passed through unchanged, a GBK file keeps its bytes.
fresh gbk.mp3
"$cli" tag gbk.mp3 --lyrics gbk.lrc 2>err || fail "gbk pass-through: exit $?"
lyr_bytes gbk.mp3 | cmp -s - gbk.lrc || fail "GBK bytes changed on the way"
"$cli" info --json gbk.mp3 | jfield Lyrics >/dev/null || fail "info --json of GBK bytes is not valid JSON in UTF-8"
# Named, the encoding becomes UTF-8 that reads back as the text (the encodings themselves: tests/core).
iconv -f UTF-8 -t SHIFT_JIS ja.txt >in.lrc
fresh conv.mp3
"$cli" tag conv.mp3 --lyrics in.lrc --lyrics-encoding SHIFT_JIS 2>err || fail "SHIFT_JIS: exit $?"
grep -q "written in UTF-8.*lyrics" err || fail "SHIFT_JIS: UTF-8 not reported"
"$cli" info --json conv.mp3 | jfield Lyrics | cmp -s - ja.txt || fail "SHIFT_JIS: not read back as the text"
fresh conv.mp3
sum=$(md5sum <conv.mp3)
"$cli" tag conv.mp3 --lyrics gbk.lrc --lyrics-encoding NO-SUCH 2>err && fail "an unknown encoding was accepted"
grep -q "unknown encoding 'NO-SUCH'" err || fail "unknown encoding message: $(cat err)"
"$cli" tag conv.mp3 --lyrics gbk.lrc --lyrics-encoding UTF-8 2>err && fail "GBK bytes taken as UTF-8"
grep -q "is not valid UTF-8" err || fail "invalid bytes message: $(cat err)"
head -c 100000 /dev/zero | tr '\0' a >long.txt
"$cli" tag conv.mp3 --title X --lyrics long.txt 2>/dev/null && fail "100000 characters of lyrics accepted"
[ "$(md5sum <conv.mp3)" = "$sum" ] || fail "a refused conversion changed the file"

# info --json stays valid UTF-8 with bytes no character set defines: they
# are escaped, not dropped.
fresh odd.mp3
printf 'TAGA\x1f\x81B\x9DCaf\xe9\xa0!' | dd of=odd.mp3 bs=1 seek=$(( $(stat -c %s odd.mp3) - 128 )) conv=notrunc 2>/dev/null
json=$("$cli" info --json odd.mp3)
# A no-break space is a character like any other, not a control.
grep -qF "\"Title\": \"A\\u001f\\u0081B\\u009dCafé$(printf '\xc2\xa0')!\"" <<<"$json" ||
    fail "undefined bytes not escaped: $(grep Title <<<"$json")"
[ "$(jfield Title <<<"$json" | od -A n -t x1 | tr -d ' \n')" = "411fc28142c29d436166c3a9c2a021" ] || fail "title decoded wrongly"

# --- a damaged Lyrics3 block: kept on a title-only save, replaced by new lyrics, said so -----
fresh bad.mp3
head -c $(( $(stat -c %s bad.mp3) - 128 )) bad.mp3 >body
printf 'LYRICSBEGINLYR00152[00:01]la000028LYRICS200' >block
{ cat body block; tail -c 128 bad.mp3; } >bad2.mp3 && mv bad2.mp3 bad.mp3
size=$(stat -c %s bad.mp3)
"$cli" tag bad.mp3 --title X 2>err || fail "damaged block: exit $?"
grep -q "inconsistent.*kept unchanged" err && [ "$(stat -c %s bad.mp3)" = "$size" ] || fail "damaged block: $(cat err)"
"$cli" tag bad.mp3 --lyrics italian.lrc 2>err || fail "replacing a damaged block: exit $?"
grep -q "was replaced" err || fail "replacement not reported: $(cat err)"
[ "$(jfield Lyrics < <("$cli" info --json bad.mp3))" = "$(cat italian.lrc)" ] || fail "damaged block not replaced"
# --no-lyrics leaves the audio and the tag; info shows the tag's fields.
"$cli" tag bad.mp3 --no-lyrics -q && ! grep -q LYRICSBEGIN bad.mp3 && [ "$(tail -c 128 bad.mp3 | head -c 3)" = TAG ] ||
    fail "--no-lyrics left the block or lost the tag"
"$cli" info bad.mp3 | grep -qx 'Artist: piman' || fail "info text: $("$cli" info bad.mp3)"

finish "tags in many languages"
