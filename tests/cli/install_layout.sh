#!/bin/bash
# cmake --install into a temporary prefix: the programs, the read-me, the
# demo song, the menu entry, the .kar file type, the icon and the manual
# pages land where the desktop looks for them, the installed programs run,
# and the installed window keeps its files in the user's data folder.
# Usage: install_layout.sh BIN_DIR TEST_DATA_DIR SF2
set -u
. "$(dirname "$0")/lib/setup.sh"
keep_going
build=$(cd "$bin/.." && pwd)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }

for f in bin/cantora-cli share/cantora/leggimi.txt share/cantora/demo.kar \
  share/applications/cantora.desktop share/mime/packages/cantora.xml \
  share/icons/hicolor/scalable/apps/cantora.svg share/man/man1/cantora.1.gz share/man/man1/cantora-cli.1.gz share/doc/cantora/copyright; do
  [ -s "$prefix/$f" ] || fail "$f not installed"
done
gui=0
if [ -e "$bin/cantora" ]; then
  gui=1
  [ -x "$prefix/bin/cantora" ] || fail "cantora not installed"
fi
# Nothing of the build's own folder comes along (the build's SoundFont link, work files).
[ -e "$prefix/bin/Chorium.sf2" ] && fail "the build's Chorium.sf2 link was installed"
cmp -s "$prefix/share/cantora/leggimi.txt" "$build/bin/leggimi.txt" || fail "installed leggimi.txt differs"

v=$("$prefix/bin/cantora-cli" --version) && [[ $v =~ ^cantora-cli\ [0-9] ]] || fail "installed cantora-cli --version"
"$prefix/bin/cantora-cli" marks "$prefix/share/cantora/demo.kar" >/dev/null || fail "installed cli cannot read the demo song"

# The menu entry starts the installed program with its icon for the karaoke
# type, and is valid; the MIME file binds *.kar to that type.
desktop="$prefix/share/applications/cantora.desktop"
grep -qx 'Exec=cantora %f' "$desktop" && grep -qx 'Icon=cantora' "$desktop" || fail "Exec or Icon line"
grep -q '^MimeType=.*audio/x-karaoke;' "$desktop" || fail "the menu entry does not take the karaoke type"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
if command -v update-mime-database >/dev/null; then
  update-mime-database "$prefix/share/mime" >/dev/null 2>&1 || fail "update-mime-database rejects the MIME file"
  grep -q ':audio/x-karaoke:\*\.kar$' "$prefix/share/mime/globs2" || fail "*.kar not bound to audio/x-karaoke"
fi
if command -v xmllint >/dev/null; then
  xmllint --noout "$prefix/share/icons/hicolor/scalable/apps/cantora.svg" || fail "icon is not well-formed"
fi
man -l "$prefix/share/man/man1/cantora.1.gz" 2>/dev/null | grep -q 'XDG_DATA_HOME' || fail "cantora(1) does not render"

if [ "$gui" = 1 ]; then
  v=$(env -u DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/cantora" --version) && [[ $v == "cantora "* ]] || fail "cantora --version"
  # The installed window: nothing beside the program, the user's data folder made and filled.
  home="$work/home"
  mkdir -p "$home"
  env -u CANTORA_HOME -u XDG_DATA_HOME HOME="$home" QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
    "$prefix/bin/cantora" >"$work/gui.log" 2>&1 &
  pid=$!
  data="$home/.local/share/cantora"
  # Polled until the copy is whole: the program may still be writing it.
  for _ in $(seq 100); do
    [ -L "$data/Chorium.sf2" ] && cmp -s "$data/leggimi.txt" "$prefix/share/cantora/leggimi.txt" && break
    sleep 0.1
  done
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  pid=
  [ -L "$data/Chorium.sf2" ] || fail "no Chorium.sf2 link in $data: $(cat "$work/gui.log")"
  cmp -s "$data/leggimi.txt" "$prefix/share/cantora/leggimi.txt" || fail "leggimi.txt not copied to $data"
  [ -e "$prefix/bin/config.tlm" ] && fail "the installed program wrote beside itself"
fi

finish "install layout"
