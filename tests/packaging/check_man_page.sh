#!/bin/sh
# Formats the manual page with every groff warning on, as an error, and
# checks that man-db reads its NAME line and that it names the version.
# Usage: check_man_page.sh PAGE VERSION
set -eu
page=$1 version=$2
warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
if [ -n "$warnings" ]; then
  echo "FAIL: groff warns:" >&2
  echo "$warnings" >&2
  exit 1
fi
lexgrog "$page" | grep -q ': "grabulo - ' || { echo "FAIL: lexgrog finds no NAME line" >&2; exit 1; }
grep -q "^\.TH GRABULO 1 .*\"Grabulo $version\"" "$page" || { echo "FAIL: .TH does not name Grabulo $version" >&2; exit 1; }
echo "manual page formats without warnings"
