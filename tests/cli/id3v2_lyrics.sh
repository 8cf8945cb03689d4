#!/usr/bin/env bash
# The ID3v2 tag of a karaoke MP3, read back by an independent reader
# (mutagen): USLT is the exact LRC, SYLT has one entry per sung syllable at
# its tempo-map time, the word-timed LRC is within 10 ms. Tag writes keep
# the audio and end tags, and a big picture, byte for byte; saving twice
# changes nothing; version 3 reads back; a damaged tag is refused.
set -u
. "$(dirname "$0")/lib/setup.sh"
keep_going
py=/usr/bin/python3
cd "$work" || fail "no work folder"
cp "$src/data/demo.kar" demo.kar
"$cli" mp3 demo.kar out.mp3 --lrc-beside --soundfont "$sf2" 2>/dev/null || fail "mp3 exited $?"
"$cli" lrc demo.kar exact.lrc --exact && "$cli" lrc demo.kar words.lrc --words || fail "lrc exited $?"
cmp -s out.lrc words.lrc || fail "--lrc-beside is not the --words LRC"

# The song's tempo map and lyric events, read from its bytes here.
$py - <<'EOF' || fail "mutagen read-back"
import re
from mutagen.id3 import ID3
def num(d, p, n=0):
    while True:
        n, p = n << 7 | d[p] & 127, p + 1
        if d[p - 1] < 128: return n, p
d = open('demo.kar', 'rb').read()
events, p, div = [], 14, d[12] << 8 | d[13]
while p < len(d):
    end, t, tick, status = p + 8 + int.from_bytes(d[p + 4:p + 8], 'big'), p + 8, 0, 0
    while t < end:
        delta, t = num(d, t); tick += delta
        if d[t] >= 0x80: status, t = d[t], t + 1
        if status == 0xFF:
            kind, (n, t) = d[t], num(d, t + 1); events.append((tick, kind, d[t:t + n])); t += n
        elif status in (0xF0, 0xF7): n, t = num(d, t); t += n
        else: t += 1 if status >> 4 in (12, 13) else 2
    p = end
tempos = sorted((e[0], int.from_bytes(e[2], 'big')) for e in events if e[1] == 0x51)
def seconds(tick, s=0.0, at=0, us=500000):
    for t, v in tempos:
        if t >= tick: break
        s, at, us = s + (t - at) * us / div / 1e6, t, v
    return s + (tick - at) * us / div / 1e6
sung = [(seconds(t), x.decode().lstrip('/\\<').rstrip('\r\n')) for t, k, x in events if k == 5 and not x.startswith(b'@')]
sung = [(s, x) for s, x in sung if x.strip()]
tag = ID3('out.mp3')
assert tag.getall('USLT')[0].text == open('exact.lrc', encoding='utf-8', newline='').read(), 'USLT'
sylt = tag.getall('SYLT')[0].text
assert len(sylt) == len(sung), (len(sylt), len(sung))
for (text, ms), (s, x) in zip(sylt, sung):
    assert abs(ms - s * 1000) <= 1 and text.lstrip('\n') == x, (text, ms, x, s)
assert sum(t.startswith('\n') for t, _ in sylt) + 1 == len(open('exact.lrc').read().splitlines()) - 2, 'line starts'
tags = re.findall(r'<(\d+):(\d+\.\d+)>', open('words.lrc').read())
worst = max(abs(int(m) * 60 + float(s) - t) for (m, s), (t, _) in zip(tags, sung))
assert len(tags) == len(sung) and worst <= 0.010, worst
EOF

# A 300 KB picture and frames other players wrote: kept exactly, and the
# frame information is found past them.
# The audio: the bytes between the ID3v2 tag and the Lyrics3 block.
audio() { $py -c 'import sys,hashlib
d=open(sys.argv[1],"rb").read(); n=10+sum((b&127)<<(21-7*i) for i,b in enumerate(d[6:10])) if d[:3]==b"ID3" else 0
print(hashlib.sha256(d[n:d.rfind(b"LYRICSBEGIN")]).hexdigest())' "$1"; }
cp out.mp3 pic.mp3
$py -c 'import os
from mutagen.id3 import ID3, APIC, PRIV, TXXX
t = ID3("pic.mp3"); open("pic.bin", "wb").write(os.urandom(300000))
t.add(APIC(mime="image/png", type=3, data=open("pic.bin", "rb").read())); t.add(PRIV(owner="x", data=b"\0\1"))
t.add(TXXX(desc="replaygain_track_gain", text="-1.5 dB")); t.save()' || fail "mutagen could not add a picture"
"$cli" info pic.mp3 | grep -q "MPEG 1.0 layer 3" || fail "no frame information past a 300 KB tag"
frames=$(audio pic.mp3)
"$cli" tag pic.mp3 --title "New title" --artist "Ünïcode" --lyrics exact.lrc --id3v2 3 || fail "tag exited $?"
[ "$(audio pic.mp3)" = "$frames" ] || fail "the audio frames changed"
$py -c 'from mutagen.id3 import ID3
t = ID3("pic.mp3"); assert t.getall("APIC")[0].data == open("pic.bin", "rb").read()
assert t.getall("PRIV")[0].data == b"\0\1" and str(t["TXXX:replaygain_track_gain"]) == "-1.5 dB"
assert str(t["TIT2"]) == "New title" and str(t["TPE1"]) == "Ünïcode" and t.version[1] == 3
assert len(t.getall("SYLT")[0].text) == sum(l[1].isdigit() for l in open("exact.lrc"))' || fail "frames lost or not written"
cp pic.mp3 once.mp3
"$cli" tag pic.mp3 --title "New title" --artist "Ünïcode" --lyrics exact.lrc --id3v2 3 || fail "second tag exited $?"
cmp -s pic.mp3 once.mp3 || fail "saving again changed the file"

# A damaged tag (a frame past its end): refused, untouched, named by info.
printf 'ID3\4\0\0\0\0\0\x20TIT2\0\0\x7f\x7f\0\0xxxxxxxxxxxxxxxxxxxxxx' >bad.mp3
tail -c +11 out.mp3 >>bad.mp3
sum=$(md5sum <bad.mp3)
"$cli" tag bad.mp3 --title X 2>err && fail "a damaged tag accepted"
grep -q "past the end" err && [ "$(md5sum <bad.mp3)" = "$sum" ] || fail "damaged tag: $(cat err)"
"$cli" info --json bad.mp3 | grep -q '"damage": "the ID3v2 frame TIT2' || fail "info does not name the damage"
finish "ID3v2 lyrics"
