#!/bin/sh
# Makes the Debian package with cpack, unpacks it with dpkg-deb and runs the
# unpacked program unattended against a local web server: it must save the
# pictures, exit with the right status, and keep its files where the README
# says, beside the executable and its help page unless GRABULO_HOME is set.
# The unpacked grabulo-cli must load no Qt Gui or Widgets library and save
# the same pictures. lintian, when installed, must find no error.
# Usage: check_deb.sh BUILD_FOLDER SAMPLE_GALLERY APP_ID
set -eu
build=$1 gallery=$2 id=$3
tmp=$(mktemp -d)
server=""
trap '[ -z "$server" ] || kill "$server" 2>/dev/null; rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/pkg" >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log"; fail "cpack"; }
set -- "$tmp"/pkg/grabulo_*.deb
[ $# -eq 1 ] && [ -f "$1" ] || fail "cpack made no grabulo_*.deb"
deb=$1
echo "made $(basename "$deb")"
if command -v lintian >/dev/null 2>&1; then
  lintian --tag-display-limit 0 "$deb" >"$tmp/lintian.log" 2>&1 || true
  if grep -q '^E:' "$tmp/lintian.log"; then
    cat "$tmp/lintian.log" >&2
    fail "lintian finds errors"
  fi
  echo "lintian: $(grep -c '^[WIP]:' "$tmp/lintian.log") warnings and notes, no error"
fi
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6widgets6 libssl3 libc6; do
  echo "$depends" | grep -q "$lib" || fail "Depends lacks $lib"
done
root=$tmp/root
dpkg-deb -x "$deb" "$root"
for f in usr/bin/grabulo usr/lib/grabulo/grabulo usr/lib/grabulo/help.htm \
         usr/bin/grabulo-cli usr/lib/grabulo/grabulo-cli usr/share/man/man1/grabulo-cli.1.gz \
         usr/share/bash-completion/completions/grabulo-cli \
         usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
         usr/share/icons/hicolor/48x48/apps/$id.png usr/share/icons/hicolor/256x256/apps/$id.png \
         usr/share/icons/hicolor/scalable/apps/$id.svg usr/share/man/man1/grabulo.1.gz \
         usr/share/doc/grabulo/copyright usr/share/doc/grabulo/changelog.gz; do
  [ -e "$root/$f" ] || fail "the package has no /$f"
done
for p in grabulo grabulo-cli; do
  [ "$(readlink "$root/usr/bin/$p")" = "../lib/grabulo/$p" ] || fail "/usr/bin/$p is not a link to ../lib/grabulo/$p"
  zcat "$root/usr/share/man/man1/$p.1.gz" | lexgrog - >/dev/null || fail "the installed manual page of $p has no NAME line"
done
bash -n "$root/usr/share/bash-completion/completions/grabulo-cli" || fail "the installed completion is not valid bash"
# The command-line program runs where no display library is installed.
ldd "$root/usr/lib/grabulo/grabulo-cli" >"$tmp/ldd.log" 2>&1 || { cat "$tmp/ldd.log"; fail "ldd grabulo-cli"; }
if grep -E 'libQt6(Gui|Widgets)' "$tmp/ldd.log"; then
  fail "grabulo-cli loads a Qt Gui or Widgets library"
fi

# The site: two pictures that load, and one link that is missing.
mkdir -p "$tmp/site/good" "$tmp/site/bad"
cp "$gallery/meadow.jpg" "$gallery/sunset.png" "$tmp/site/good/"
cat >"$tmp/site/good/index.html" <<'HTML'
<html><body><a href="meadow.jpg"><img src="meadow.jpg"></a> <a href="sunset.png"><img src="sunset.png"></a></body></html>
HTML
cp "$gallery/meadow.jpg" "$tmp/site/bad/"
cat >"$tmp/site/bad/index.html" <<'HTML'
<html><body><a href="meadow.jpg"><img src="meadow.jpg"></a> <a href="gone.png"><img src="gone.png"></a></body></html>
HTML
python3 -u -m http.server --bind 127.0.0.1 0 --directory "$tmp/site" >"$tmp/server.log" 2>&1 &
server=$!
port=""
for _ in $(seq 50); do
  port=$(sed -n 's/.* port \([0-9]*\).*/\1/p' "$tmp/server.log" | head -n 1)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || fail "the web server did not start"

# A private home; the program is started through the link in bin, as the
# desktop entry and a shell would.
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" XDG_DATA_HOME="$tmp/home/.local/share"
export QT_QPA_PLATFORM=offscreen
unset GRABULO_HOME DISPLAY WAYLAND_DISPLAY
mkdir -p "$HOME"
run() {  # expected status, page, folder
  expected=$1
  mkdir -p "$3"
  status=0
  "$root/usr/bin/grabulo" "127.0.0.1:$port/$2" "$3" start exit >"$tmp/out.log" 2>&1 || status=$?
  [ "$status" -eq "$expected" ] || { cat "$tmp/out.log"; fail "exit status $status for $2, not $expected"; }
}

# Without GRABULO_HOME the program's own folder is the executable's, found
# through the link: dl.ini landing there shows the program looks for its
# help page where the package put it.
run 0 good/index.html "$tmp/out1"
for f in meadow.jpg sunset.png; do
  cmp -s "$tmp/site/good/$f" "$tmp/out1/$f" || fail "$f was not saved whole"
done
exe_dir=$root/usr/lib/grabulo
[ -f "$exe_dir/dl.ini" ] || fail "dl.ini is not beside the executable and help.htm ($(ls "$exe_dir"))"
grep -q "127.0.0.1:$port/good/index.html" "$exe_dir/dl.ini" || fail "dl.ini does not hold the page"
conf="$XDG_CONFIG_HOME/Tarvove feke/Grabulo.conf"
[ -f "$conf" ] || fail "no settings file at $conf"
grep -q '^verzija=' "$conf" || fail "the settings file holds no version"

# With GRABULO_HOME, dl.ini and error.log go there; a missing file is
# status 1 and its address is in error.log.
export GRABULO_HOME="$tmp/grabulo-home"
mkdir -p "$GRABULO_HOME"
run 1 bad/index.html "$tmp/out2"
cmp -s "$tmp/site/bad/meadow.jpg" "$tmp/out2/meadow.jpg" || fail "meadow.jpg was not saved whole"
[ ! -e "$tmp/out2/gone.png" ] || fail "the missing gone.png was saved"
grep -q "127.0.0.1:$port/bad/gone.png" "$GRABULO_HOME/error.log" || fail "error.log in GRABULO_HOME lacks gone.png"
grep -q "127.0.0.1:$port/bad/index.html" "$GRABULO_HOME/dl.ini" || fail "dl.ini in GRABULO_HOME lacks the page"
[ ! -e "$exe_dir/error.log" ] || fail "error.log was written beside the executable despite GRABULO_HOME"

# grabulo-cli, started through its link in bin, saves the same pictures.
status=0
"$root/usr/bin/grabulo-cli" -o "$tmp/out3" --lang en "http://127.0.0.1:$port/good/" >"$tmp/cli.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || { cat "$tmp/cli.log"; fail "grabulo-cli exit status $status for good/, not 0"; }
for f in meadow.jpg sunset.png; do
  cmp -s "$tmp/site/good/$f" "$tmp/out3/$f" || { cat "$tmp/cli.log"; fail "grabulo-cli did not save $f whole"; }
done
status=0
"$root/usr/bin/grabulo-cli" --help >"$tmp/help.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || { cat "$tmp/help.log"; fail "grabulo-cli --help exit status $status, not 0"; }
grep -q -- '--output' "$tmp/help.log" || { cat "$tmp/help.log"; fail "grabulo-cli --help does not name --output"; }
echo "the unpacked package saved the pictures and kept its files in place; so did grabulo-cli"
