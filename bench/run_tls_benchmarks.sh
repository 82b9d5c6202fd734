#!/bin/bash
# Runs the HTTPS benchmarks against a real nginx with TLS on 127.0.0.1 (a
# test CA and a server certificate made here with openssl), with curl and
# wget as peers in the same run, and prints figures and ratios: one 256 MiB
# file (http_bench against curl) and a page with 1000 small files (the
# grabulo command line against wget -r). Needs: nginx, curl, wget, openssl,
# python3, GNU time, cmake, a C++ compiler, and the program built
# (cmake -S . -B build && cmake --build build, or GRABULO=path).
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=${BUILD:-$HERE/../build-bench}
RUNS=${RUNS:-3}
FILES=${FILES:-1000}
GRABULO=${GRABULO:-$HERE/../build/grabulo}
KEY=${KEY:-rsa}   # the certificates' key type: rsa (2048 bits) or ec (P-256)
# nginx's own protocols unless set, e.g. SSL_PROTOCOLS="TLSv1.2 TLSv1.3"
# (nginx 1.22 of Debian 12 offers TLS 1.3 only when told).
SSL_PROTOCOLS=${SSL_PROTOCOLS:-}

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S "$HERE" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
cmake --build "$BUILD" -j2 --target http_bench >/dev/null
BENCH=$BUILD/http_bench

source "$HERE/bench_common.sh"
PORT=$(free_port)

# A test CA and a certificate for 127.0.0.1 (and localhost) signed by it.
PKI=$WORK/pki
make_test_pki "$PKI" "$KEY"   # exits 2 on a KEY other than rsa or ec (set -e)
CA=$PKI/ca.pem

# The files: one of 256 MiB, and under /g/ FILES pictures of 8 KiB with a
# page linking them all (relative links).
mkdir -p "$WORK/www/g" "$WORK/tmp" "$WORK/home"
head -c 256M /dev/urandom > "$WORK/www/big.bin"
python3 - "$WORK/www/g" "$FILES" <<'PY'
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
links = []
for i in range(1, count + 1):
    name = "f%04d.jpg" % i
    with open(os.path.join(folder, name), "wb") as f:
        f.write(os.urandom(8192))
    links.append('<a href="%s">%s</a>' % (name, name))
with open(os.path.join(folder, "index.html"), "w") as f:
    f.write("<html><body>\n" + "\n".join(links) + "\n</body></html>\n")
PY

# nginx's defaults otherwise (keep-alive on, as wget uses it; our client
# opens one connection per file).
start_nginx "$PORT" /g/index.html "${SSL_PROTOCOLS:+ssl_protocols $SSL_PROTOCOLS;}" \
  "$PKI/server.pem" "$PKI/server.key"
curl -s --cacert "$CA" -o /dev/null "https://127.0.0.1:$PORT/g/index.html" \
  || { echo "nginx does not answer over TLS with the test CA"; cat "$WORK/error.log"; exit 1; }
: > "$WORK/tls.log"   # from here on, only the measured requests

now() { date +%s.%N; }
since() { python3 -c "print(round($(now)-$1,3))"; }
mib() { python3 -c "print(round($1/1024,1))"; }   # KiB -> MiB
# A new folder per run; all are deleted only at the end (deleting a
# thousand files just before a run slows the next run's file creation, see
# README).
RUN=0
fresh() { RUN=$((RUN + 1)); OUT=$WORK/out.$RUN; mkdir "$OUT"; }
# arrived <folder>: how many of the pictures are there.
arrived() { find "$1" -maxdepth 1 -type f -name 'f*.jpg' | wc -l; }
# same <folder>: every picture arrived, byte for byte, and nothing else.
same() { [ ! -e "$1/index.html" ] && diff -r -q -x index.html "$WORK/www/g" "$1" >/dev/null; }

echo "load: $(uptime | sed 's/.*load average/load average/')   ($(nproc) cores; others' work skews the figures)"
echo "nginx $(nginx -v 2>&1 | sed 's/.*\///'), $(curl --version | head -1 | cut -d' ' -f1-2)," \
     "$(wget --version | head -1 | cut -d' ' -f1-3), $(openssl version | cut -d' ' -f1-2), $KEY key"

echo "== Throughput: 256 MiB over TLS into a file ($RUNS runs each, alternating)"
BIG="https://127.0.0.1:$PORT/big.bin"
ours=(); peers=(); rss=0
for _ in $(seq "$RUNS"); do
  line=$(SSL_CERT_FILE=$CA ${PROFILE:-} "$BENCH" throughput "$BIG" "$WORK/ours.bin") \
    || { echo "http_bench failed: $line"; exit 1; }
  cmp -s "$WORK/ours.bin" "$WORK/www/big.bin" || { echo "our copy differs"; exit 1; }
  ours+=("$(echo "$line" | field mbps)")
  rss=$(of most "$rss" "$(echo "$line" | field peak_rss_mib)")
  bps=$(curl -s --cacert "$CA" -o "$WORK/curl.bin" -w '%{speed_download}' "$BIG")
  cmp -s "$WORK/curl.bin" "$WORK/www/big.bin" || { echo "curl's copy differs"; exit 1; }
  peers+=("$(python3 -c "print(round($bps/1e6,1))")")
  rm -f "$WORK/ours.bin" "$WORK/curl.bin"
done
echo "  last run of ours: $line"
o=$(of most "${ours[@]}"); p=$(of most "${peers[@]}")
om=$(of median "${ours[@]}"); pm=$(of median "${peers[@]}")
echo "grabulo: best $o MB/s, median $om (peak RSS $rss MiB)   curl --cacert -o: best $p MB/s, median $pm"
echo "  ratio: best $(ratio "$o" "$p"), median $(ratio "$om" "$pm") (goal >= 0.9, RSS < 64 MiB)"

echo "== Many small files: a page with $FILES links to 8 KiB files over TLS, saved on disk" \
     "($RUNS runs each, alternating)"
PAGE="https://127.0.0.1:$PORT/g/index.html"
timer=()
if [ -x /usr/bin/time ]; then timer=(/usr/bin/time -f 'maxrss_kib=%M' -o "$WORK/time.txt"); fi
mkdir -m 700 -p "$WORK/runtime"
ours=(); peers=(); rss=0; failed=""
if [ ! -x "$GRABULO" ]; then
  failed="no program at $GRABULO (build it: cmake -S . -B build && cmake --build build, or set GRABULO)"
fi
for _ in $(seq "$RUNS"); do
  if [ -z "$failed" ]; then
    fresh; start=$(now); status=0
    SSL_CERT_FILE=$CA QT_QPA_PLATFORM=offscreen HOME=$WORK/home GRABULO_HOME=$WORK/home \
      XDG_RUNTIME_DIR=$WORK/runtime "${timer[@]}" ${PROFILE:-} "$GRABULO" "$PAGE" "$OUT" start exit \
      > "$WORK/grabulo.log" 2>&1 || status=$?
    took=$(since "$start")
    if [ "$status" != 0 ] || ! same "$OUT"; then
      n=$(arrived "$OUT"); failed="exit status $status, $n of $FILES files arrived"
      if [ "$n" != 0 ] && ! same "$OUT"; then
        failed="$failed, the folder differs from the originals (missing, different or extra files)"
      fi
      if [ "$status" = 2 ]; then
        failed="$failed (2: the address, the folder or the page could not be used;
    a build whose command line does not yet take https:// page addresses ends so)"
      fi
      failed="$failed; its last lines:
$(tail -5 "$WORK/grabulo.log" | sed 's/^/    /')"
    else
      ours+=("$took")
      if [ ${#timer[@]} -gt 0 ]; then rss=$(of most "$rss" "$(mib "$(field maxrss_kib < "$WORK/time.txt")")"); fi
    fi
  fi
  fresh; start=$(now)
  wget -q -r -l1 -nd -np -A jpg --ca-certificate="$CA" -P "$OUT" "$PAGE" \
    || { echo "wget failed (status $?)"; exit 1; }
  peers+=("$(since "$start")")
  same "$OUT" || { echo "wget: $(arrived "$OUT") of $FILES files arrived, or some differ"; exit 1; }
done
rm -rf "$WORK"/out.*
fps() { python3 -c "print(round($FILES/$1))"; }
w=$(of least "${peers[@]}"); wm=$(of median "${peers[@]}")
if [ -n "$failed" ]; then
  echo "grabulo: FAILED, no figures: $failed"
else
  o=$(of least "${ours[@]}"); om=$(of median "${ours[@]}")
  peak="peak RSS $rss MiB by GNU time"
  [ ${#timer[@]} -gt 0 ] || peak="no /usr/bin/time for the peak RSS: apt-get install time"
  echo "grabulo (whole process): best $o s ($(fps "$o") files/s), median $om s ($(fps "$om") files/s) ($peak)"
fi
echo "wget -r -l1 -nd -np -A jpg: best $w s ($(fps "$w") files/s), median $wm s ($(fps "$wm") files/s)"
if [ -z "$failed" ]; then
  echo "  ratio of files/s grabulo / wget: best $(ratio "$w" "$o"), median $(ratio "$wm" "$om") (no goal: report it)"
fi

# What each client negotiated and how many connections it opened, from
# nginx's log (both benchmarks, all runs).
echo "== TLS as nginx saw it (requests, connections, resumed sessions, protocol and cipher, per client)"
awk '{ agent = $0; sub(/^[^"]*"/, "", agent); sub(/"$/, "", agent)
       if (agent == "-") agent = "(no User-Agent: http_bench)"
       key = agent "  " $1 " " $2; requests[key]++
       if (!seen[key, $3]++) { connections[key]++; if ($4 == "r") resumed[key]++ } }
     END { for (k in requests) printf "  %d requests, %d connections, %d resumed: %s\n",
                                      requests[k], connections[k], resumed[k], k }' "$WORK/tls.log" | sort -k8
# Our failure, reported above, fails the script once all is printed.
[ -z "$failed" ]
