#!/usr/bin/env bash
# cantora-cli mp3 on the demo song, read back by independent readers: mutagen reads USLT as the exact LRC and SYLT
# one entry per sung syllable at its tempo-map time; the word-timed LRC is within 10 ms; the CD+G graphics, alone or
# beside the MP3 and zipped, are as long as the song and decode in ffmpeg, also at a faster tempo. A tag write keeps a
# big picture byte for byte, a later one without --id3v2 the version. No work file is left anywhere.
set -u
. "$(dirname "$0")/lib/setup.sh"
keep_going
py=/usr/bin/python3
# field FILE NAME: one field of info --json.
field() { "$cli" info --json "$1" | python3 -c "import json,sys; print(json.load(sys.stdin)[0]['$2'])"; }
decodes() { ffmpeg -v error -nostdin -f cdg -i "$1" -f null - 2>ffmpeg.err && [ ! -s ffmpeg.err ]; }

# Every temporary file the command could make lands in places watched here.
mkdir "$work/run" "$work/home" "$work/tmp"
cd "$work/run" || fail "no work folder"
export HOME=$work/home TMPDIR=$work/tmp
# The window's work file names, and anything half written, in the program's folder.
workfiles() { ls -A "$bin" | grep -Ei '^(newwave\.wav|newnorm\.wav|syncro\.(lrc|mp3))$|\.(wav|part)$'; }
before=$(workfiles)
cp "$src/data/demo.kar" demo.kar

"$cli" mp3 demo.kar out.mp3 --artist "Ann Example" --album "Stars" --year 2024 --comment "sung" --genre Pop \
    --lrc-beside --zip --soundfont "$sf2" 2>err || fail "mp3 exited $? ($(cat err))"
[ "$(ls -A | tr '\n' ' ')" = "demo.kar err out.cdg out.lrc out.mp3 out.zip " ] || fail "files beside the output: $(ls -A | tr '\n' ' ')"
[ -z "$(ls -A "$work/home" "$work/tmp" | grep -v ':$' | grep -v '^$')" ] || fail "files in HOME or TMPDIR"
[ "$before" = "$(workfiles)" ] || fail "work files in the program's folder"
[ "$(field out.mp3 Title)" = "Twinkle, Twinkle, Little Star" ] || fail "title: $(field out.mp3 Title)"

# The graphics: the same alone as beside the MP3, 300 packets of 24 bytes a second.
"$cli" cdg demo.kar alone.cdg -q || fail "cdg exited $?"
cmp -s out.cdg alone.cdg && [ "$(stat -c %s out.cdg)" = 371976 ] || fail "the MP3+G graphics differ from cdg's"
decodes out.cdg || fail "ffmpeg does not decode out.cdg: $(cat ffmpeg.err)"
[ "$(python3 -m zipfile -l out.zip | awk 'NR > 1 { print $1 }' | sort | tr '\n' ' ')" = "out.cdg out.mp3 " ] ||
    fail "out.zip does not hold both files"
"$cli" cdg demo.kar fast.cdg --tempo 25 --colours '#000000,#ffffff,#00ff00' -q || fail "--tempo exited $?"
[ "$(stat -c %s fast.cdg)" -lt 371976 ] && decodes fast.cdg || fail "faster graphics: not shorter, or not decoded"

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
open('sylt.txt', 'w').write(f'  SYLT: {len(sylt)} entries, [')
EOF
"$cli" info out.mp3 >info.txt && grep -qF "$(cat sylt.txt)" info.txt || fail "info: $(cat info.txt)"

# The exact bytes (TimGM6mb, LAME 3.100 and DejaVu Sans as Debian 12 ships them: a change meant to alter an output
# gives new sums here) of the MP3, the faster CD+G, the info text and the word-timed LRC.
[ "$(md5sum out.mp3 fast.cdg info.txt words.lrc | cut -c1-32 | tr '\n' ' ')" = "41065aade59de6ba3611c42e59d6b295 \
4d947c4107725396ca63e79dc52dc066 10988be836dcce0dfd3cb8b489dc50b3 2af3a1f4aa97574fe3db864d7aefe4f2 " ] ||
    fail "pinned outputs: $(md5sum out.mp3 fast.cdg info.txt words.lrc)"

# A 300 KB picture another player wrote is kept exactly (the audio after the
# tag, the frame search past it and a second save: tests/tags).
cp out.mp3 pic.mp3
$py -c 'import os
from mutagen.id3 import ID3, APIC
t = ID3("pic.mp3"); open("pic.bin", "wb").write(os.urandom(300000))
t.add(APIC(mime="image/png", type=3, data=open("pic.bin", "rb").read())); t.save()' || fail "mutagen could not add a picture"
"$cli" tag pic.mp3 --title "New title" --artist "Ünïcode" --lyrics exact.lrc --id3v2 3 &&
    "$cli" tag pic.mp3 --year 1999 -q || fail "tag exited $?"
$py -c 'from mutagen.id3 import ID3
t = ID3("pic.mp3"); assert t.getall("APIC")[0].data == open("pic.bin", "rb").read()
assert str(t["TIT2"]) == "New title" and str(t["TPE1"]) == "Ünïcode" and t.version[1] == 3
assert len(t.getall("SYLT")[0].text) == sum(l[1].isdigit() for l in open("exact.lrc"))' || fail "frames lost or not written"

finish "karaoke mp3"
