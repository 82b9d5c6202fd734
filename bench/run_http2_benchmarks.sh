#!/bin/bash
# Runs the HTTP/2 benchmarks: a page of many small pictures from a far HTTPS
# server that offers HTTP/2 (nginx `listen ... ssl http2` behind
# latency_relay.py, RTT ms of round trip), with the grabulo-cli and the
# window program's unattended run against wget2, aria2c, and curl --http2
# --parallel with few and with many transfers; then the same with nginx's
# HTTP/2 off (HTTP/1.1 only), ours against wget2; then one big file over
# HTTP/2 on loopback, curl's throughput (and ours, over what it speaks).
# Prints tables of median wall times with the ratios ours / the best peer,
# and what each side spoke as nginx logged it.
# Needs: nginx (with its http_v2 module, as Debian's), wget2, aria2, curl,
# openssl, python3, GNU time, and the programs built (cmake --build build
# --target grabulo grabulo-cli, or GRABULO=path GRABULO_CLI=path). A missing
# peer is skipped with a note.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
RUNS=${RUNS:-3}
RTT=${RTT:-20}                 # the relay's round trip, in ms
FILES=${FILES:-100}            # 24 KiB each
PARALLEL=${PARALLEL:-5}        # wget2's threads, aria2c -j, curl's few transfers; ours on HTTP/1.1
MANY=${MANY:-50}               # curl's many transfers, streams of one HTTP/2 connection
OURS_PARALLEL=${OURS_PARALLEL:-8}  # ours with HTTP/2 offered
BIG_MIB=${BIG_MIB:-256}        # the big file, on loopback without the relay
KEY=${KEY:-rsa}                # the certificates' key type: rsa (2048 bits) or ec (P-256)
GRABULO=${GRABULO:-$HERE/../build/grabulo}
GRABULO_CLI=${GRABULO_CLI:-$HERE/../build/grabulo-cli}
# Our side's HTTP/2 switch (on by default, with keep-alive); the HTTP/1.1
# table turns it off only by nginx's offer.
OURS_EXTRA=${OURS_EXTRA:-http2=1}
CLI_EXTRA=${CLI_EXTRA:---http2}

source "$HERE/bench_common.sh"
PORT=$(free_port)
RELAY=$(free_port)

PKI=$WORK/pki
make_test_pki "$PKI" "$KEY"
CA=$PKI/ca.pem

# The files: under /g/ FILES pictures of 24 KiB (f001.jpg...) with a page
# linking them all (relative links), their sums and the list of their
# addresses through the relay; under /b/ one big picture with a page
# linking it (for ours, which loads a page first).
mkdir -p "$WORK/www/g" "$WORK/www/b" "$WORK/runtime"
chmod 700 "$WORK/runtime"
python3 - "$WORK/www/g" "$FILES" "https://127.0.0.1:$RELAY/g/" <<'PY'
import os, sys
folder, count, base = sys.argv[1], int(sys.argv[2]), sys.argv[3]
names = ["f%03d.jpg" % i for i in range(1, count + 1)]
for name in names:
    with open(os.path.join(folder, name), "wb") as f:
        f.write(os.urandom(24576))
with open(os.path.join(folder, "index.html"), "w") as f:
    f.write("<html><body>\n" + "\n".join('<a href="%s">%s</a>' % (n, n) for n in names) + "\n</body></html>\n")
with open(folder + ".list", "w") as f:
    f.write("".join(base + n + "\n" for n in names))
PY
(cd "$WORK/www/g" && md5sum f*.jpg) > "$WORK/www/g.sums"
head -c "${BIG_MIB}M" /dev/urandom > "$WORK/www/b/big.jpg"
echo '<html><body><a href="big.jpg">big</a></body></html>' > "$WORK/www/b/index.html"

# nginx's defaults otherwise: keep-alive on, HTTP/2 with up to 128 streams
# at once per connection (http2_max_concurrent_streams) and 1000 requests
# per connection; every request logged with its protocol and connection.
NGINX_HTTP2=yes start_nginx "$PORT" /g/index.html "" "$PKI/server.pem" "$PKI/server.key"
NGINX_PID=${PIDS[-1]}
start_relay "$RELAY" "$PORT" "$RTT"
PAGE="https://127.0.0.1:$RELAY/g/index.html"
LIST=$WORK/www/g.list

timer=()
if [ -x /usr/bin/time ]; then timer=(/usr/bin/time -f 'maxrss_kib=%M' -o "$WORK/time.txt"); fi
mib() { awk -v k="$1" 'BEGIN { printf "%.1f\n", k / 1024 }'; }   # KiB -> MiB
per_second() { awk -v n="$1" -v t="$2" 'BEGIN { printf "%d\n", n / t + 0.5 }'; }

# A new folder per run, all deleted only at the end (see the window's batch
# in README for why).
RUN=0
fresh() { RUN=$((RUN + 1)); OUT=$WORK/out.$RUN; mkdir "$OUT"; }
arrived() { find "$1" -maxdepth 1 -type f -name 'f*.jpg' | wc -l; }
# same <folder>: every picture arrived, byte for byte, and no other picture.
same() { (cd "$1" && md5sum f*.jpg 2>/dev/null) | cmp -s - "$WORK/www/g.sums"; }

# The sides. Each takes the folder to save into as its last argument, and
# trusts the test CA only: ours through SSL_CERT_FILE, the peers by option.
ours() {  # ours "<key=value ...>" <folder>: the settings file holds just these
  local config=$WORK/config.$RUN home=$WORK/home.$RUN
  mkdir -p "$config/Tarvove feke" "$home"
  { echo "[General]"; for setting in $1; do echo "$setting"; done; } > "$config/Tarvove feke/Grabulo.conf"
  SSL_CERT_FILE=$CA XDG_CONFIG_HOME=$config GRABULO_HOME=$home HOME=$home XDG_RUNTIME_DIR=$WORK/runtime \
    QT_QPA_PLATFORM=offscreen "${timer[@]}" ${PROFILE:-} "$GRABULO" "$PAGE" "$2" start exit
}
cli() {  # cli "<options>" <folder>: grabulo-cli with an empty settings file
  local config=$WORK/config.$RUN home=$WORK/home.$RUN
  mkdir -p "$config" "$home"
  # shellcheck disable=SC2086  # the options are words
  SSL_CERT_FILE=$CA XDG_CONFIG_HOME=$config GRABULO_HOME=$home HOME=$home \
    "${timer[@]}" ${PROFILE:-} "$GRABULO_CLI" --no-progress $1 -o "$2" "$PAGE"
}
# wget2 loads the page, asks for robots.txt and takes the linked pictures:
# what ours does (less robots.txt), page load included. HOME for its HSTS
# and OCSP caches.
wget2n() { mkdir -p "$WORK/home.$RUN"; HOME=$WORK/home.$RUN wget2 -q -r -l1 -nd -np -A jpg --max-threads="$PARALLEL" \
             --ca-certificate="$CA" -P "$1" "$PAGE"; }
# aria2c (HTTP/1.1 only: it has no HTTP/2) and curl get the list of
# addresses and never load the page; the "page, then" sides load it first
# with curl and take the addresses from its links (two processes, two
# connections: what a list-driven peer pays for the page).
aria2n() { aria2c -q -j"$PARALLEL" -x1 --ca-certificate="$CA" -i "$LIST" -d "$1"; }
curln() {  # curln <transfers> <folder> [list]
  xargs curl --http2 --cacert "$CA" --parallel --parallel-max "$1" -s -f --output-dir "$2" \
    --remote-name-all -w '%{http_version}\n' < "${3:-$LIST}" > "$WORK/curl_versions.txt"
}
page_then() {  # page_then <side> [arguments] <folder>: the list taken from the page first
  local list=$WORK/page_list.$RUN base=${PAGE%/*}/
  curl --http2 --cacert "$CA" -s -f "$PAGE" | sed -n 's/.*href="\([^"]*\)".*/\1/p' \
    | sed "s|^|$base|" > "$list"
  if [ "$1" = curln ]; then curln "$2" "$3" "$list"; else LIST=$list "$@"; fi
}

# measure <label> <side> [arguments]: one timed run into a new folder. Keeps
# the seconds, nginx's count of requests and connections of the run and the
# protocols it logged, and for ours the peak RSS; a side that fails once is
# not run again.
declare -A TIMES REQUESTS CONNECTIONS SPOKE RSS LATE FAILED
BROKEN=no
measure() {
  local label=$1
  shift
  [ -z "${FAILED[$label]:-}" ] || return 0
  fresh
  local logged relayed start status=0 took lines
  logged=$(wc -l < "$WORK/tls.log")
  relayed=$(wc -l < "$WORK/relay.log")
  rm -f "$WORK/time.txt"
  start=$(now)
  "$@" "$OUT" > "$WORK/side.log" 2>&1 || status=$?
  took=$(since "$start")
  if [ "$status" != 0 ] || ! same "$OUT"; then
    BROKEN=yes
    FAILED[$label]="exit status $status, $(arrived "$OUT") of $FILES files arrived$(same "$OUT" || echo ', not all equal to the originals'); its last lines:
$(tail -5 "$WORK/side.log" | sed 's/^/    /')"
    return 0
  fi
  TIMES[$label]="${TIMES[$label]:-} $took"
  # The relay's worst lateness, once the last connection's end passed it.
  sleep "$(calc "3 * $RTT / 1000")"
  lines=$(tail -n +"$((logged + 1))" "$WORK/tls.log")
  REQUESTS[$label]=$(printf '%s\n' "$lines" | wc -l)
  CONNECTIONS[$label]=$(printf '%s\n' "$lines" | cut -d' ' -f3 | sort -u | wc -l)
  SPOKE[$label]=$(printf '%s\n' "$lines" | cut -d' ' -f5 | sort | uniq -c | awk '{ printf "%s%s %s", (NR > 1 ? ", " : ""), $2, $1 }')
  local late
  late=$(tail -n +"$((relayed + 1))" "$WORK/relay.log" | field late_max_ms)
  # shellcheck disable=SC2086  # one figure a line
  LATE[$label]=$(of most "${LATE[$label]:-0}" $late)
  if { [ "$1" = ours ] || [ "$1" = cli ]; } && [ -s "$WORK/time.txt" ]; then
    RSS[$label]=$(of most "${RSS[$label]:-0}" "$(mib "$(field maxrss_kib < "$WORK/time.txt")")")
  fi
}
installed() { command -v "$1" >/dev/null || { FAILED[$2]="not installed (apt-get install $3)"; false; }; }
median_of() { local t; read -ra t <<< "${TIMES[$1]}"; of median "${t[@]}"; }
best_of() { local t; read -ra t <<< "${TIMES[$1]}"; of least "${t[@]}"; }

# table <labels...>: one row per side, median and best of the runs.
table() {
  local label
  echo "| side | median s | best s | files/s (median) | requests / connections (last run) | protocol (last run) | peak RSS MiB |"
  echo "|---|---|---|---|---|---|---|"
  for label in "$@"; do
    if [ -n "${FAILED[$label]:-}" ]; then echo "| $label | FAILED: ${FAILED[$label]%%;*} | | | | | |"; continue; fi
    printf '| %s | %s | %s | %s | %s / %s | %s | %s |\n' "$label" "$(median_of "$label")" "$(best_of "$label")" \
      "$(per_second "$FILES" "$(median_of "$label")")" "${REQUESTS[$label]}" "${CONNECTIONS[$label]}" "${SPOKE[$label]}" \
      "${RSS[$label]:-}"
  done
  for label in "$@"; do
    if [ -n "${FAILED[$label]:-}" ]; then echo "$label failed: ${FAILED[$label]}"; fi
  done
}
# fastest <labels...>: the label with the least median among those measured.
fastest() {
  local label
  for label in "$@"; do
    [ -z "${FAILED[$label]:-}" ] && [ -n "${TIMES[$label]:-}" ] && echo "$(median_of "$label") $label"
  done | sort -g | head -1 | cut -d' ' -f2-
}
# against <ours> <bar> <peers...>: ours / the fastest of the peers, by the medians.
against() {
  local mine=$1 bar=$2 best om pm
  shift 2
  best=$(fastest "$@")
  if [ -n "${FAILED[$mine]:-}" ] || [ -z "$best" ]; then echo "  $mine: no ratio (a side failed)"; return; fi
  om=$(median_of "$mine"); pm=$(median_of "$best")
  echo "  $mine / $best: $om / $pm s = $(ratio "$om" "$pm") (bar <= $bar: $(calc "$om <= $bar * $pm ? \"met\" : \"NOT met\""))"
}
# The relay's lateness over all connections so far.
relay_note() {
  awk '/^closed/ { n++; for (i = 1; i <= NF; i++) { split($i, kv, "=")
                     if (kv[1] == "late_mean_ms") sum += kv[2]
                     if (kv[1] == "late_max_ms" && kv[2] > worst) worst = kv[2] } }
       END { if (n) printf "  the relay: releases late by %.2f ms on average over %d connections, %.2f ms at worst\n",
                           sum / n, n, worst }' "$WORK/relay.log"
}

for program in "$GRABULO" "$GRABULO_CLI"; do
  if [ ! -x "$program" ]; then
    echo "no program at $program (cmake --build build --target grabulo grabulo-cli, or set GRABULO and GRABULO_CLI)"
    exit 1
  fi
done
echo "load: $(uptime | sed 's/.*load average/load average/')   ($(nproc) cores; others' work skews the figures)"
echo "programs: $GRABULO ($(date -r "$GRABULO" '+%F %T')), $GRABULO_CLI ($(date -r "$GRABULO_CLI" '+%F %T'))"
echo "nginx $(nginx -v 2>&1 | sed 's/.*\///'), $(wget2 --version 2>/dev/null | head -1 | cut -d' ' -f1-3)," \
     "$(aria2c --version 2>/dev/null | head -1), $(curl --version | head -1 | cut -d' ' -f1-2)" \
     "($(curl --version | head -1 | grep -o 'nghttp2/[0-9.]*')), $(openssl version | cut -d' ' -f1-2), $KEY key"

# What curl negotiates with this nginx, straight and through the relay, and
# the relay's added time for one small file on a new connection.
small() { for _ in 1 2 3 4 5; do curl --http2 --cacert "$CA" -s -o /dev/null -w '%{time_total}\n' "$1"; done | median; }
echo "curl's protocol: $(curl --http2 --cacert "$CA" -s -o /dev/null -w 'HTTP/%{http_version}' "$PAGE") through the relay;" \
     "one 24 KiB file on a new connection (median of 5): direct" \
     "$(calc "int($(small "https://127.0.0.1:$PORT/g/f001.jpg") * 10000 + 0.5) / 10") ms, through the relay" \
     "$(calc "int($(small "https://127.0.0.1:$RELAY/g/f001.jpg") * 10000 + 0.5) / 10") ms" \
     "(TCP and a TLS 1.2 handshake and the request: 4 x RTT = $((4 * RTT)) ms more)"

ours_h2=("grabulo-cli --keep-alive -j $OURS_PARALLEL${CLI_EXTRA:+ $CLI_EXTRA}"
         "grabulo, keepalive=1 parallel=$OURS_PARALLEL${OURS_EXTRA:+ $OURS_EXTRA}")
with_page=("wget2 --max-threads=$PARALLEL" "page, then curl --parallel-max $MANY")
lists=("aria2c -j$PARALLEL -x1 (list)" "curl --parallel-max $PARALLEL (list)" "curl --parallel-max $MANY (list)")
echo "== HTTP/2 offered: a page with $FILES links to 24 KiB pictures over HTTPS, RTT $RTT ms ($RUNS runs each, alternating)"
installed wget2 "${with_page[0]}" wget2 || true
installed aria2c "${lists[0]}" aria2 || true
for _ in $(seq "$RUNS"); do
  measure "${ours_h2[0]}" cli "--keep-alive -j $OURS_PARALLEL $CLI_EXTRA"
  measure "${ours_h2[1]}" ours "keepalive=1 parallel=$OURS_PARALLEL $OURS_EXTRA"
  measure "${with_page[0]}" wget2n
  measure "${with_page[1]}" page_then curln "$MANY"
  measure "${lists[0]}" aria2n
  measure "${lists[1]}" curln "$PARALLEL"
  measure "${lists[2]}" curln "$MANY"
done
table "${ours_h2[@]}" "${with_page[@]}" "${lists[@]}"
echo "  (the list sides never load the page; aria2c speaks HTTP/1.1 only; curl's last transfers said HTTP/$(sort -u "$WORK/curl_versions.txt" | tr '\n' ' ' | sed 's/ $//'))"
echo "Ratios by the medians, ours / the fastest peer that loads the page, and / the fastest of all peers:"
for label in "${ours_h2[@]}"; do
  against "$label" 1.0 "${with_page[@]}"
  against "$label" 1.0 "${with_page[@]}" "${lists[@]}"
done
relay_note

# The same page with nginx's HTTP/2 off: every side speaks HTTP/1.1, over
# PARALLEL connections (ours with keep-alive and PARALLEL at once).
kill "$NGINX_PID"
wait "$NGINX_PID" 2>/dev/null || true
start_nginx "$PORT" /g/index.html "" "$PKI/server.pem" "$PKI/server.key"
NGINX_PID=${PIDS[-1]}
# Ours as they stand (HTTP/2 offered, which this server declines: the
# workers' connections wait for that answer) and with HTTP/2 off.
ours_h1=("grabulo-cli --keep-alive -j $PARALLEL" "grabulo, keepalive=1 parallel=$PARALLEL"
         "grabulo-cli --keep-alive --no-http2 -j $PARALLEL")
peers_h1=("wget2 --max-threads=$PARALLEL" "curl --parallel-max $PARALLEL (list)")
echo "== HTTP/1.1 only (nginx's http2 off): the same page, $PARALLEL connections ($RUNS runs each, alternating)"
unset TIMES REQUESTS CONNECTIONS SPOKE RSS LATE FAILED   # the labels come again
declare -A TIMES REQUESTS CONNECTIONS SPOKE RSS LATE FAILED
installed wget2 "${peers_h1[0]}" wget2 || true
for _ in $(seq "$RUNS"); do
  measure "${ours_h1[0]}" cli "--keep-alive -j $PARALLEL"
  measure "${ours_h1[1]}" ours "keepalive=1 parallel=$PARALLEL"
  measure "${ours_h1[2]}" cli "--keep-alive --no-http2 -j $PARALLEL"
  measure "${peers_h1[0]}" wget2n
  measure "${peers_h1[1]}" curln "$PARALLEL"
done
table "${ours_h1[@]}" "${peers_h1[@]}"
echo "Ratios by the medians, ours / wget2:"
for label in "${ours_h1[@]}"; do against "$label" 0.9 "${peers_h1[0]}"; done
relay_note

# One big file over HTTP/2 on loopback (no relay): curl's own
# speed_download over HTTP/2 and over HTTP/1.1, and ours over what it
# speaks (the whole process: start-up and the page included), each copy
# compared byte for byte.
kill "$NGINX_PID"
wait "$NGINX_PID" 2>/dev/null || true
NGINX_HTTP2=yes start_nginx "$PORT" /b/index.html "" "$PKI/server.pem" "$PKI/server.key"
BIG="https://127.0.0.1:$PORT/b/big.jpg"
echo "== One $BIG_MIB MiB file on loopback, HTTP/2 offered ($RUNS runs each, alternating)"
h2=(); h1=(); mine=(); spoke=""; mine_spoke=""; rss=0; mine_failed=""
megabytes() { calc "int($BIG_MIB * 1048576 / $1 / 1e5 + 0.5) / 10"; }   # MB/s from seconds
for _ in $(seq "$RUNS"); do
  read -r bps version < <(curl --http2 -s --cacert "$CA" -o "$WORK/curl.bin" -w '%{speed_download} %{http_version}\n' "$BIG")
  cmp -s "$WORK/curl.bin" "$WORK/www/b/big.jpg" || { echo "curl's copy differs"; exit 1; }
  h2+=("$(calc "int($bps / 1e5 + 0.5) / 10")"); spoke="HTTP/$version"
  read -r bps version < <(curl --http1.1 -s --cacert "$CA" -o "$WORK/curl.bin" -w '%{speed_download} %{http_version}\n' "$BIG")
  cmp -s "$WORK/curl.bin" "$WORK/www/b/big.jpg" || { echo "curl's copy differs"; exit 1; }
  h1+=("$(calc "int($bps / 1e5 + 0.5) / 10")")
  rm -f "$WORK/curl.bin"
  if [ -z "$mine_failed" ]; then
    fresh; status=0; rm -f "$WORK/time.txt"; logged=$(wc -l < "$WORK/tls.log")
    mkdir -p "$WORK/config.$RUN" "$WORK/home.$RUN"
    start=$(now)
    # shellcheck disable=SC2086  # the options are words
    SSL_CERT_FILE=$CA XDG_CONFIG_HOME=$WORK/config.$RUN GRABULO_HOME=$WORK/home.$RUN HOME=$WORK/home.$RUN \
      "${timer[@]}" "$GRABULO_CLI" --no-progress --keep-alive $CLI_EXTRA -o "$OUT" "https://127.0.0.1:$PORT/b/index.html" \
      > "$WORK/side.log" 2>&1 || status=$?
    took=$(since "$start")
    if [ "$status" != 0 ] || ! cmp -s "$OUT/big.jpg" "$WORK/www/b/big.jpg"; then
      mine_failed="exit status $status; its last lines:
$(tail -5 "$WORK/side.log" | sed 's/^/    /')"
    else
      mine+=("$(megabytes "$took")")
      mine_spoke=$(tail -n +"$((logged + 1))" "$WORK/tls.log" | cut -d' ' -f5 | sort -u | paste -sd' ')
      if [ -s "$WORK/time.txt" ]; then rss=$(of most "$rss" "$(mib "$(field maxrss_kib < "$WORK/time.txt")")"); fi
    fi
    rm -rf "$OUT"
  fi
done
echo "| side | median MB/s | best MB/s |"
echo "|---|---|---|"
echo "| curl --http2 ($spoke) | $(of median "${h2[@]}") | $(of most "${h2[@]}") |"
echo "| curl --http1.1 | $(of median "${h1[@]}") | $(of most "${h1[@]}") |"
if [ -n "$mine_failed" ]; then
  echo "| grabulo-cli${CLI_EXTRA:+ $CLI_EXTRA} | FAILED | |"
  echo "grabulo-cli failed: $mine_failed"
  BROKEN=yes
else
  echo "| grabulo-cli ${CLI_EXTRA:+$CLI_EXTRA }(whole process, page included; ${mine_spoke}; peak RSS $rss MiB) | $(of median "${mine[@]}") | $(of most "${mine[@]}") |"
  verdict="bar >= 0.9: $(calc "$(of median "${mine[@]}") >= 0.9 * $(of median "${h2[@]}") ? \"met\" : \"NOT met\"")"
  case $mine_spoke in
    *HTTP/2*) ;;
    *) verdict="no bar: ours spoke ${mine_spoke% }, the bar is for ours over HTTP/2" ;;
  esac
  echo "  ratio ours / curl --http2 by the medians: $(ratio "$(of median "${mine[@]}")" "$(of median "${h2[@]}")") ($verdict)"
fi
echo "load: $(uptime | sed 's/.*load average/load average/')"
rm -rf "$WORK"/out.*

# A side that failed, reported above, fails the script once all is printed.
[ "$BROKEN" = no ]
