#!/bin/sh
# Regenerates the screenshots in this folder from the current code, on a
# virtual X display (Debian's xvfb): the five pictures the AppStream
# metadata shows, and every tab and window in English and Slovene at
# scale 1.0 and 1.5 in en-1.0/, sl-1.0/, en-1.5/ and sl-1.5/, and on a small
# screen (1024x600 at 1.5) in en-1024x600-1.5/ and sl-1024x600-1.5/.
# Usage: docs/screenshots/make.sh
set -e
top=$(cd "$(dirname "$0")/../.." && pwd)
cmake -S "$top" -B "$top/build" >/dev/null
cmake --build "$top/build" --target grabulo_screenshots -j2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for scale in 1.0 1.5; do
  # A private settings folder, so the shots show the first start.
  rm -rf "$tmp"/* "$tmp"/.[!.]* 2>/dev/null || true
  XDG_CONFIG_HOME="$tmp" GRABULO_HOME="$tmp" HOME="$tmp" QT_SCALE_FACTOR=$scale \
    xvfb-run -a -s "-screen 0 1600x1200x24" "$top/build/gui/grabulo_screenshots" \
    "$top/docs/screenshots" "$top/assets/help.htm" "$scale"
done
# A small screen, 1024x600 at scale 1.5: the window as a first start places it.
rm -rf "$tmp"/* "$tmp"/.[!.]* 2>/dev/null || true
XDG_CONFIG_HOME="$tmp" GRABULO_HOME="$tmp" HOME="$tmp" QT_SCALE_FACTOR=1.5 \
  xvfb-run -a -s "-screen 0 1024x600x24" "$top/build/gui/grabulo_screenshots" \
  "$top/docs/screenshots" "$top/assets/help.htm" "1024x600-1.5"
ls "$top/docs/screenshots"/*.png "$top/docs/screenshots"/*/*.png
