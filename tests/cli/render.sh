#!/usr/bin/env bash
# cantora-cli render, compared whole (lib/transcript.sh) with tests/data/expected/render.txt: the exact WAVs of a
# 10 s song and of the demo through every live option (TimGM6mb as Debian 12 ships it), a normalised one and its
# report, the defaults (SoundFont volume 5, mp3's title); a bad value refused by name; neutral options changing no
# byte; silences measured by sox; outputs that are inputs (links too) refused, inputs left as they were; a song
# holding nothing refused, one read in part rendered and said so.
# usage: render.sh BIN_DIR TEST_DATA_DIR SF2
set -u
. "$(dirname "$0")/lib/setup.sh"
. "$(dirname "$0")/lib/transcript.sh"
cd "$work" || exit 1
make_song song.mid # 10 s, flute A4 on channel 1
smf data.mid '\x00\x40\x40\x00\xff\x2f\x00' # its only track starts with a data byte: nothing kept
cp "$src/data/demo.kar" "$data/midi/PiDamaged.mid" "$data/mp3/silence-44-s-v1.mp3" . && chmod u+w ./*.mp3
cp "$sf2" font.sf2 && ln -s song.mid link.wav && ln -s silence-44-s-v1.mp3 s-link.lrc
# The title mp3 gives: format 1, a conductor track named "Song" (NUL-ended), then "Piano right" with the
# notes; or the first track without a name.
smf named.mid '\x00\xff\x03\x05Song\x00\x00\xff\x2f\x00' \
    '\x00\xff\x03\x0cPiano right\x00\x00\x90\x45\x64\x83\x60\x80\x45\x40\x00\xff\x2f\x00'
smf unnamed.mid '\x00\xff\x2f\x00' '\x00\xff\x03\x05Piano\x00\x90\x45\x64\x83\x60\x80\x45\x40\x00\xff\x2f\x00'
"$cli" render song.mid tone.wav --soundfont "$sf2" -q
rms() { sox "$1" -n stat 2>&1 | grep 'RMS.*amplitude'; }
export -f rms
transcript render <<'LIST'
"$cli" render song.mid o/plain.wav --soundfont "$sf2"
"$cli" render song.mid - --soundfont "$sf2" | md5sum
"$cli" render song.mid - --soundfont "$sf2" --font-volume 5 | md5sum
"$cli" render song.mid - --soundfont "$sf2" --key 0 --tempo 0 --channel-key 1:0 | md5sum
brief "$cli" render song.mid o/bad.wav --soundfont "$sf2" --program 1:128
for o in "--mute 1" "--solo 2" "--font-volume 0" "--volume 1:0"; do "$cli" render song.mid q.wav --soundfont "$sf2" -q --force $o && rms q.wav; done
"$cli" render demo.kar o/all.wav --soundfont "$sf2" --tempo 10 --key 2 --channel-key 2:-3 --volume 3:80 --pan 1:20 --reverb 1:100 --chorus 2:90 --program 4:20 --program 10:25 --mute 6 --font-volume 7 --eq 1:6 --eq 4:-5 --eq 7:8 --compressor 6
"$cli" render song.mid o/norm.wav --soundfont "$sf2" --normalize=-20
for out in link.wav font.sf2; do "$cli" render song.mid "$out" --soundfont font.sf2 --force; done; cmp font.sf2 "$sf2" && md5sum song.mid && readlink link.wav
"$cli" encode tone.wav tone.wav --force
"$cli" tag silence-44-s-v1.mp3 --lyrics s-link.lrc
timeout 60 "$cli" render data.mid o/data.wav --soundfont "$sf2"
"$cli" render PiDamaged.mid o/pi.wav --soundfont "$sf2"
"$cli" lrc PiDamaged.mid o/pi.lrc
for s in named unnamed; do "$cli" mp3 $s.mid $s.mp3 --soundfont "$sf2" -q && "$cli" info $s.mp3 | grep Title; done
LIST
