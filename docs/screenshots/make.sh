#!/bin/sh
# Regenerates the screenshots in this folder from the current code, on a
# virtual X display (Debian's xvfb). Usage: docs/screenshots/make.sh
set -e
top=$(cd "$(dirname "$0")/../.." && pwd)
cmake -S "$top" -B "$top/build" >/dev/null
cmake --build "$top/build" --target grabulo_screenshots -j2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# A private settings folder, so the shots show the first start.
XDG_CONFIG_HOME="$tmp" GRABULO_HOME="$tmp" HOME="$tmp" \
  xvfb-run -a -s "-screen 0 1024x768x24" "$top/build/app/grabulo_screenshots" "$top/docs/screenshots"
ls "$top/docs/screenshots"/*.png
