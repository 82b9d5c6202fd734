#!/bin/sh
# Formats a manual page with every groff warning on, as an error, and
# checks that man-db reads its NAME line and that it names the version.
# The command's name is the page's file name without ".1".
# Usage: check_man_page.sh PAGE VERSION
set -eu
page=$1 version=$2
name=$(basename "$page" .1)
warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
if [ -n "$warnings" ]; then
  echo "FAIL: groff warns:" >&2
  echo "$warnings" >&2
  exit 1
fi
lexgrog "$page" | grep -qF ": \"$name - " || { echo "FAIL: lexgrog finds no NAME line for $name" >&2; exit 1; }
# The title is the name in capitals, its hyphens written \- as troff wants.
title=$(echo "$name" | tr '[:lower:]' '[:upper:]' | sed 's/-/\\\\-/g')
grep -q "^\.TH $title 1 .*\"Grabulo $version\"" "$page" || { echo "FAIL: .TH does not name $title and Grabulo $version" >&2; exit 1; }
echo "manual page $name formats without warnings"
