#!/bin/bash
# Runs the window's download benchmarks against a real nginx on 127.0.0.1,
# with wget and curl as peers in the same run, and prints figures and
# ratios: a batch of 1000 small files, one 256 MiB file, and the message log
# growing to 10,000 lines. Needs: nginx, wget, curl, python3, GNU time,
# cmake, a C++ compiler and Qt 6 (the window runs on the offscreen platform).
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=${BUILD:-$HERE/../build-bench}
RUNS=${RUNS:-3}
FILES=${FILES:-1000}

cmake -S "$HERE" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j2 --target window_bench >/dev/null
BENCH=$BUILD/window_bench

source "$HERE/bench_common.sh"
PORT=$(free_port)

# The page: FILES links to 8 KiB pictures of four types, relative to it.
mkdir -p "$WORK/www/gallery/img" "$WORK/tmp" "$WORK/home"
python3 - "$WORK/www/gallery" "$FILES" <<'PY'
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
kinds = ["jpg", "gif", "png", "jpeg"]
links = []
for i in range(count):
    name = "p%05d.%s" % (i, kinds[i % 4])
    with open(os.path.join(folder, "img", name), "wb") as f:
        f.write(os.urandom(8192))
    links.append('<a href="img/%s"><img src="img/%s"></a>' % (name, name))
with open(os.path.join(folder, "page.html"), "w") as f:
    f.write("<html><body>\n" + "\n".join(links) + "\n</body></html>\n")
PY
head -c 256M /dev/urandom > "$WORK/www/big.bin"

# Keep-alive stays on (nginx's default), as wget uses it; our client opens
# one connection per file.
start_nginx "$PORT" /gallery/page.html

# dl.ini and error.log of the window go to a temporary program folder.
mkdir -m 700 "$WORK/runtime"
export GRABULO_HOME=$WORK/home QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$WORK/runtime

now() { date +%s.%N; }
since() { python3 -c "print(round($(now)-$1,3))"; }
# A new folder per run under $ROOT. On disk all are deleted only at the
# end: deleting a thousand files just before a run would slow the next
# run's file creation (see README). In memory each goes once checked.
RUN=0; ROOT=$WORK
fresh() { RUN=$((RUN + 1)); OUT=$ROOT/out.$RUN; mkdir "$OUT"; }
done_with() { if [ "$ROOT" != "$WORK" ]; then rm -rf "$OUT"; fi; }
# Every picture arrived, byte for byte, and nothing else.
check() { diff -r -q "$WORK/www/gallery/img" "$OUT" >/dev/null || { echo "$1: files differ"; exit 1; }; done_with; }

echo "load: $(uptime | sed 's/.*load average/load average/')   ($(nproc) cores; others' work skews the figures)"

# batch_section <where the files go> <folder>
batch_section() {
  ROOT=$2
  echo "== Batch: page with $FILES links to 8 KiB files, Load page + select all + Save pictures," \
       "saved $1 ($RUNS runs each, alternating)"
  local ours=() inwin=() wg=() wgn=() line o om i im w wm n nm
  for _ in $(seq "$RUNS"); do
    fresh; start=$(now)
    line=$(cd "$OUT" && ${PROFILE:-} "$BENCH" batch "127.0.0.1:$PORT/gallery/page.html")
    ours+=("$(since "$start")"); inwin+=("$(echo "$line" | field seconds)")
    check grabulo
    fresh; start=$(now)
    (cd "$OUT" && wget -q -r -l1 -nd -A jpg,jpeg,gif,png "http://127.0.0.1:$PORT/gallery/page.html")
    wg+=("$(since "$start")"); check "wget"
    fresh; start=$(now)
    (cd "$OUT" && wget -q --no-http-keep-alive -r -l1 -nd -A jpg,jpeg,gif,png "http://127.0.0.1:$PORT/gallery/page.html")
    wgn+=("$(since "$start")"); check "wget --no-http-keep-alive"
  done
  echo "  last run of ours: $line"
  o=$(of least "${ours[@]}"); om=$(of median "${ours[@]}")
  i=$(of least "${inwin[@]}"); im=$(of median "${inwin[@]}")
  w=$(of least "${wg[@]}"); wm=$(of median "${wg[@]}")
  n=$(of least "${wgn[@]}"); nm=$(of median "${wgn[@]}")
  echo "grabulo (whole process): best $o s, median $om   (in the window, from Load page: best $i s, median $im)"
  echo "wget -r -l1 -nd -A ...:  best $w s, median $wm"
  echo "wget --no-http-keep-alive: best $n s, median $nm"
  echo "  ratio grabulo / wget: best $(ratio "$o" "$w"), median $(ratio "$om" "$wm") (goal <= 1.0);" \
       "in-window $(ratio "$i" "$w"), $(ratio "$im" "$wm")"
  echo "  ratio grabulo / wget --no-http-keep-alive: best $(ratio "$o" "$n"), median $(ratio "$om" "$nm")"
}

batch_section "on disk" "$WORK"
# In memory (tmpfs) the figures show the programs rather than the file
# system, whose cost for a new file varies with what was deleted lately.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  SHM=$(mktemp -d -p /dev/shm); FOLDERS+=("$SHM")
  batch_section "in memory (/dev/shm)" "$SHM"
fi
ROOT=$WORK

echo "== One 256 MiB file through ZDownloadaj into a file ($RUNS runs each, alternating)"
BIG="http://127.0.0.1:$PORT/big.bin"
ours=(); peers=(); rss=0; xrss=0
for _ in $(seq "$RUNS"); do
  fresh
  line=$(cd "$OUT" && /usr/bin/time -f 'child_maxrss_kib=%M' -o "$WORK/time.txt" "$BENCH" file "$BIG" big.bin)
  cmp -s "$OUT/big.bin" "$WORK/www/big.bin" || { echo "our copy differs"; exit 1; }
  rm "$OUT/big.bin"
  ours+=("$(echo "$line" | field mbps)")
  rss=$(of most "$rss" "$(echo "$line" | field peak_rss_mib)")
  xrss=$(of most "$xrss" "$(python3 -c "print(round($(field child_maxrss_kib < "$WORK/time.txt")/1024,1))")")
  fresh
  bps=$(curl -s -o "$OUT/curl.bin" -w '%{speed_download}' "$BIG")
  cmp -s "$OUT/curl.bin" "$WORK/www/big.bin" || { echo "curl's copy differs"; exit 1; }
  rm "$OUT/curl.bin"
  peers+=("$(python3 -c "print(round($bps/1e6,1))")")
done
rm -rf "$WORK"/out.*
echo "  last run of ours: $line"
o=$(of most "${ours[@]}"); p=$(of most "${peers[@]}")
om=$(of median "${ours[@]}"); pm=$(of median "${peers[@]}")
echo "grabulo: best $o MB/s, median $om (peak RSS $rss MiB by itself, $xrss MiB by GNU time)   curl -o: best $p MB/s, median $pm"
echo "  ratio: best $(ratio "$o" "$p"), median $(ratio "$om" "$pm") (goal >= 0.9, peak RSS < 64 MiB)"

echo "== Message log growing to 10,000 lines, shown ($RUNS runs)"
logs=(); shown=()
for _ in $(seq "$RUNS"); do
  out=$("$BENCH" log 10000)
  logs+=("$(echo "$out" | field log_ratio)"); shown+=("$(echo "$out" | field shown_ratio)")
done
echo "$out" | sed 's/^/  /'
echo "last 100 / first 100 lines, Log alone: best $(of least "${logs[@]}"), median $(of median "${logs[@]}");" \
     "Log and one event pass: best $(of least "${shown[@]}"), median $(of median "${shown[@]}") (goal: about 1)"
