#!/bin/bash
# cantora-cli tag and info with lyrics and titles in many languages, compared
# whole (lib/transcript.sh) with tests/data/expected/tags_languages.txt: CP1252
# written when it holds the text, UTF-8 otherwise (never '?'), and said so; a
# 30-byte field cut between characters; 8-bit LRC files kept as bytes or
# converted with --lyrics-encoding; refusals that leave the file as it was;
# info --json escaping bytes no character set defines; a damaged Lyrics3 block
# kept on a title-only save, replaced by new lyrics, removed by --no-lyrics.
# usage: tags_languages.sh BIN_DIR TEST_DATA_DIR [SF2]
set -u
. "$(dirname "$0")/lib/setup.sh"
. "$(dirname "$0")/lib/transcript.sh"
cd "$work" || exit 1
fresh() { cp "$data/mp3/silence-44-s-v1.mp3" "$1"; chmod u+w "$1"; }
export data && export -f fresh
printf '[00:01.00]Perché così è più facile\r\n[00:05.50]Là dove il sì suona\r\n' >it.lrc
printf '[00:01.00]さくら さくら\r\n[00:05.50]弥生の空は 見わたす限り\r\n' >ja.lrc
printf '[00:01]月亮代表我的心\r\n[00:05]你问我爱你有多深\r\n' | iconv -f UTF-8 -t GBK >gbk.lrc
iconv -f UTF-8 -t SHIFT_JIS ja.lrc >sjis.lrc
head -c 100000 /dev/zero | tr '\0' a >long.txt
fresh odd.mp3
printf 'TAGA\x1f\x81B\x9DCaf\xe9\xa0!' | dd of=odd.mp3 bs=1 seek=$(($(stat -c %s odd.mp3) - 128)) conv=notrunc 2>/dev/null
fresh bad.mp3
{ head -c -128 bad.mp3 && printf 'LYRICSBEGINLYR00152[00:01]la000028LYRICS200' && tail -c 128 bad.mp3; } >bad2.mp3
transcript tags_languages <<'LIST'
fresh o/it.mp3 && "$cli" tag o/it.mp3 --title "Perché così" --lyrics it.lrc && "$cli" info --json o/it.mp3
fresh o/ja.mp3 && "$cli" tag o/ja.mp3 --title さくら --lyrics ja.lrc && "$cli" info --json o/ja.mp3
fresh o/cut.mp3 && "$cli" tag o/cut.mp3 --title "a月亮代表我的心月亮代表我的心" && "$cli" info --json o/cut.mp3
fresh o/gbk.mp3 && "$cli" tag o/gbk.mp3 --lyrics gbk.lrc && "$cli" info --json o/gbk.mp3
fresh o/sjis.mp3 && "$cli" tag o/sjis.mp3 --lyrics sjis.lrc --lyrics-encoding SHIFT_JIS && "$cli" info o/sjis.mp3
fresh o/x.mp3 && "$cli" tag o/x.mp3 --lyrics gbk.lrc --lyrics-encoding NO-SUCH
fresh o/x.mp3 && "$cli" tag o/x.mp3 --lyrics gbk.lrc --lyrics-encoding UTF-8
fresh o/x.mp3 && "$cli" tag o/x.mp3 --title X --lyrics long.txt
"$cli" info --json odd.mp3
cp bad2.mp3 o/b.mp3 && "$cli" tag o/b.mp3 --title X
cp bad2.mp3 o/b.mp3 && "$cli" tag o/b.mp3 --lyrics it.lrc && "$cli" info o/b.mp3
cp bad2.mp3 o/b.mp3 && "$cli" tag o/b.mp3 --no-lyrics && "$cli" info o/b.mp3
LIST
