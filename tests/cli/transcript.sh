#!/usr/bin/env bash
# Everything cantora-cli says and writes, compared whole (lib/transcript.sh) with tests/data/expected/transcript.txt:
# help and usage errors, the test songs and fuzz seeds as lyrics, CD+G and audio, inputs that cannot be read, info
# and tag over odd MP3s and MPEG layers, mp3 with its side files, batch with failures, reports and --print-jobs.
# usage: transcript.sh BIN_DIR TEST_DATA_DIR SF2
set -u
. "$(dirname "$0")/lib/setup.sh"
. "$(dirname "$0")/lib/transcript.sh"
cd "$work" || exit 1
make_song song.mid
for f in "$data"/midi/* "$data"/mp3/* "$src"/fuzz/seeds/*/* "$src/data/demo.kar"; do cp "$f" .; done
"$cli" render song.mid tone.wav --soundfont "$sf2" -q
# A frame running past the end of its tag, before the audio.
{ printf 'ID3\4\0\0\0\0\0\x20TIT2\0\0\x7f\x7f\0\0xxxxxxxxxxxxxxxxxxxxxx' && cat silence-44-s-v1.mp3; } >damaged.mp3
python3 -c 'import struct
# MPEG-1 layer I and II and MPEG-2 layer III: a frame header and zeros, twelve times (the frame tables).
for n, h, size in (("layer1", "ffff9000", 312), ("layer2", "fffd8000", 417), ("mpeg2", "fff380c0", 208)):
    open(n + ".mp3", "wb").write((bytes.fromhex(h) + bytes(size - 4)) * 12)
open("ext.mp3", "wb").write(b"ID3\3\0\x40\0\0\0\4" + bytes(4) + open("silence-44-s-v1.mp3", "rb").read()) # extended header only
t = b"TIT2" + struct.pack(">IH", 6, 0) + b"\x03Title" # in an ID3v2.4 tag with a footer
open("footer.mp3", "wb").write(b"ID3\4\0\x10" + struct.pack(">I", len(t)) + t + b"3DI\4\0\x10" + struct.pack(">I", len(t)) + open("silence-44-s-v1.mp3", "rb").read())
# Lyric events breaking lines as karaoke files do: CR and LF marks, "<", "/" and "\" prefixes, CP1251 text.
ev = b"".join(b"\x83\x60\xff\x05" + bytes([len(t)]) + t for t in (b"\\Hel", b"lo\r", b"\nwor", b"ld\r\n", b"<Next",
    b" line", b"/\xe4\xe0 ", b"\xed\xe5\xf2\r", b"d\xe9j\xe0", b"@Tnot sung", b"\\Last", b" one", b""))
trk = b"\x00\xff\x51\x03\x07\xa1\x20\x00\x90\x45\x64" + ev + b"\x00\x80\x45\x40\x00\xff\x2f\x00"
open("marks.kar", "wb").write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480) + b"MTrk" + struct.pack(">I", len(trk)) + trk)'
printf 'Line one\r\nline two\n' >words.txt
printf '\xc4\xe3\xba\xc3\n' >gbk.txt
# Inputs that cannot be read: refused at once (a FIFO never waited on), by name and cause, nothing written.
cp song.mid secret.mid && chmod 000 secret.mid && echo "not midi" >bad.kar && mkfifo fifo
sox -n -r 44100 -c 1 -b 16 mono.wav synth 1 sine 440
# unread COMMAND...: cantora-cli as a user other than root, at most 20 s.
unread() { if [ "$(id -u)" = 0 ]; then timeout 20 setpriv --reuid=65534 --regid=65534 --clear-groups "$cli" "$@"; else timeout 20 "$cli" "$@"; fi; }
export -f unread && chmod o+rx "$work"
mkdir -p lib/sub && make_song lib/song.mid 2 && make_song lib/sub/again.kar 3 && echo junk >"lib/sub/don't.mid"
transcript transcript <<'LIST'
"$cli" --version
for c in render marks encode info tag lrc mp3 cdg batch; do "$cli" $c --help; echo "exit $?"; brief "$cli" $c; echo "exit $?"; done
for c in render tag batch; do brief "$cli" $c --bogus x; echo "exit $?"; done
"$cli" frobnicate
"$cli"
"$cli" marks ""
"$cli" marks song.mid
"$cli" marks marks.kar; for o in --exact --words "--song-encoding CP1251 --words"; do "$cli" lrc marks.kar - $o; done; "$cli" mp3 marks.kar o/m.mp3 --song-encoding CP1251 --lrc-beside -q --soundfont "$sf2" && "$cli" info o/m.mp3
"$cli" lrc marks.kar -; "$cli" cdg marks.kar - | md5sum; "$cli" cdg marks.kar - --song-encoding CP1251 | md5sum
"$cli" marks PiDamaged.mid
for f in *.mid *.rmi; do echo "$f" $({ "$cli" lrc "$f" - --words 2>&1; echo $?; } | md5sum | cut -c1-8); done
for f in *.kar; do echo "$f" $(for o in "" --words "--exact --tempo -15"; do "$cli" lrc "$f" - $o 2>&1; echo $?; done | md5sum | cut -c1-8); done
for f in no_tracks.mid smpte.mid cut_header.mid; do "$cli" lrc $f -; "$cli" render $f - --soundfont "$sf2" | md5sum; done; "$cli" render song.mid - --soundfont song.mid
"$cli" lrc demo.kar -
"$cli" lrc demo.kar - --words
"$cli" lrc demo.kar - --exact --tempo 25
"$cli" lrc demo.kar - --words --tempo -30
"$cli" lrc song.mid - --song-encoding CP1251
"$cli" lrc song.mid o/few.lrc
truncate -s 1G huge.lrc && "$cli" tag silence-44-s-v1.mp3 --lyrics huge.lrc; rm huge.lrc
unread render secret.mid -
unread marks missing.kar
unread encode missing.wav o/x.mp3
unread tag missing.mp3 --title X
cp tone.wav o/t.wav && unread tag o/t.wav --title X; cmp tone.wav o/t.wav && echo unchanged
cp tone.wav o/t.wav && "$cli" tag o/t.wav --title X --not-mp3 && tail -c 128 o/t.wav | head -c 3
unread render bad.kar o/x.wav
unread encode mono.wav o/x.mp3
for c in "render fifo o/x.wav" "mp3 fifo o/x.mp3" "lrc fifo o/x.lrc" "cdg fifo o/x.cdg" "marks fifo" "encode fifo o/x.mp3" "info fifo" "tag fifo" "tag silence-44-s-v1.mp3 --lyrics fifo"; do unread $c; echo "$c: $?"; done
"$cli" lrc demo.kar o/x.lrc --exact --words
"$cli" lrc demo.kar o/x.lrc --song-encoding NOPE
"$cli" cdg demo.kar o/x.cdg --tempo -20 --colours '#102030,#FFFF00,#00ff80'
"$cli" cdg twinkle.kar - --font "DejaVu Serif" | md5sum
"$cli" info *.mp3
"$cli" info --json silence-44-s-v1.mp3 lyrics3v2.mp3 . nothing.mp3
cp silence-44-s-v1.mp3 "$(printf 'caf\xe9.mp3')" && "$cli" info --json caf*.mp3 # a name in CP1252
"$cli" info footer.mp3; cp footer.mp3 o/ && "$cli" tag o/footer.mp3 --title New -q && "$cli" info --json o/footer.mp3
"$cli" info layer1.mp3 layer2.mp3 mpeg2.mp3 ext.mp3; for f in layer1 layer2 mpeg2; do cp $f.mp3 o/ && "$cli" tag o/$f.mp3 --title T -q; done
"$cli" info - - <lyrics3v2.mp3
"$cli" info - <song.mid
cp lyrics3v2.mp3 o/t.mp3 && "$cli" tag o/t.mp3 --title Tïtle --artist Ärtist --album Al --year 1999 --comment C --genre Jazz --lyrics words.txt && "$cli" info o/t.mp3
cp lyrics3v2.mp3 o/t.mp3 && "$cli" tag o/t.mp3 --id3v2 3 --lyrics gbk.txt --lyrics-encoding GBK --genre 255 && "$cli" info --json o/t.mp3
cp v23_utf16.mp3 o/t.mp3 && "$cli" tag o/t.mp3 --artist Ünïcode --genre "Classic Rock" && "$cli" tag o/t.mp3 --id3v2 4 --comment "$(printf 'c%.0s' {1..31})" && "$cli" info o/t.mp3
cp damaged.mp3 o/t.mp3 && "$cli" tag o/t.mp3 --title T; echo "tag: $?"; cmp damaged.mp3 o/t.mp3 && echo unchanged
cp damaged.mp3 o/t.mp3 && "$cli" tag o/t.mp3 --title T --force && "$cli" info --json damaged.mp3 o/t.mp3
cp silence-44-s-v1.mp3 o/t.mp3 && (ulimit -f 8; "$cli" tag o/t.mp3 --title Big --lyrics words.txt); cmp silence-44-s-v1.mp3 o/t.mp3 && echo unchanged
(ulimit -f 100; "$cli" render song.mid o/n.wav --normalize --soundfont "$sf2")
cp silence-44-s-v1.mp3 o/t.mp3 && "$cli" tag o/t.mp3 --no-lyrics --year 12345 --title "$(printf 'x%.0s' {1..40})"
cp song.mid o/s.mid && "$cli" tag o/s.mid --title X
"$cli" mp3 song.mid o/k.mp3 --id3v2 3 --lrc-beside --cdg --artist A --genre 17 --tempo 10 --bitrate 64 --preset ABR --soundfont "$sf2"
"$cli" mp3 twinkle.kar o/k.mp3 --tempo 50 --preset CBR --bitrate 32 --year 2001 --comment "for the host" --lrc-beside --soundfont "$sf2"
"$cli" mp3 song.mid o/k.mp3 --no-lyrics --id3v2 none --preset 3 --normalize=-6 --soundfont "$sf2"
"$cli" render song.mid o/r.wav --program 10:25 --channel-key 1:-3 --pan 1:0 --compressor 6 --eq 7:-10 --soundfont "$sf2"
"$cli" render beat.mid - --tempo 50 --solo 10 --soundfont "$sf2" | md5sum
"$cli" render rmid_small.rmi o/r.wav --program 10:8 --volume 10:60 --eq 1:6 --eq 4:-3 --soundfont "$sf2"
"$cli" render song.mid o/r.wav --tempo 55
brief "$cli" render song.mid o/x.wav --tempo=10 --tempo 20
brief "$cli" mp3 song.mid o/x.mp3 --title A --title B
brief "$cli" mp3 song.mid o/x.mp3 --mute 3 --solo 3
brief "$cli" render song.mid o/x.wav --volume 2:10 --volume 2:20
brief "$cli" encode tone.wav o/x.mp3 --bitrate 96
brief "$cli" mp3 song.mid o/x.mp3 --preset CBR --bitrate 999
brief "$cli" encode tone.wav o/x.mp3 --preset
brief "$cli" cdg song.mid o/x.cdg --colours red,green
brief "$cli" tag silence-44-s-v1.mp3 --lyrics-encoding GBK
brief "$cli" tag silence-44-s-v1.mp3 --genre 256
brief "$cli" batch . --out o --jobs 1 --jobs 2
cp silence-44-s-v1.mp3 o/t.mp3 && "$cli" tag o/t.mp3 --genre=0012 --title=x=y -q && "$cli" info --json o/t.mp3 && "$cli" info o/t.mp3
"$cli" encode tone.wav o/cbr.mp3 --preset CBR --bitrate 320 -q && "$cli" info o/cbr.mp3
"$cli" render song.mid o/r.wav --volume 17:3
"$cli" render song.mid o/r.wav --eq 8:1
"$cli" encode song.mid o/e.mp3
"$cli" batch lib --out o/b --print-jobs --to wav --tempo 10 --soundfont "$sf2"
"$cli" batch lib --out o/b --jobs 1 --to mp3+g --report o/r.csv --soundfont "$sf2"
"$cli" batch lib song.mid --out o/b --jobs 1 --to lrc --report o/r.json
"$cli" batch lib --out o/b --to lrc --compressor 5
"$cli" batch lib --out o/b --to ogg
"$cli" batch lib
LIST
