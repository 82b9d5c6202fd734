#!/bin/sh
# Validates the desktop entry and the AppStream data as a software centre
# would, and checks that they name each other and the project's version.
# Usage: check_metadata.sh SOURCE_FOLDER APP_ID VERSION
set -eu
top=$1 id=$2 version=$3
desktop=$top/assets/$id.desktop
metainfo=$top/assets/$id.metainfo.xml
fail() { echo "FAIL: $*" >&2; exit 1; }

# desktop-file-validate exits 0 on hints; any line it prints is a finding.
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate: $out"
appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli found problems"

grep -q "<id>$id</id>" "$metainfo" || fail "the AppStream id is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  fail "the AppStream launchable is not $id.desktop"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry's icon is not $id"
for size in 48x48 128x128 256x256; do
  [ -f "$top/assets/icons/hicolor/$size/apps/$id.png" ] || fail "no $size icon"
done

# One version everywhere: the project's, the newest release's, the program's.
newest=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$metainfo" | head -n 1)
[ "$newest" = "$version" ] || fail "the newest AppStream release is $newest, the project is $version"
program=$(sed -n 's/.*ProgramVersion = QStringLiteral("\([^"]*\)").*/\1/p' "$top/core/shared_state.cpp")
[ "$program" = "$version" ] || fail "ProgramVersion is $program, the project is $version"
echo "desktop entry, AppStream data and version $version agree"
