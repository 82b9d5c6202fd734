#!/bin/bash
# Runs the latency benchmarks: many small files from a far server, modelled
# by latency_relay.py in front of a real nginx on 127.0.0.1 (RTT ms of round
# trip, one more before each connection's first request), with the
# grabulo-cli (--keep-alive, --keep-alive -j 5) and the window program's
# unattended run (default settings, keepalive=1, keepalive=1 and parallel=5)
# against wget -r, wget2, aria2c and curl --parallel; then the same page
# shape without the relay, 1000 files on loopback, against wget -r, with our
# peak RSS (parallel=8 too). Prints seconds, files/s and ratios.
# Needs: nginx, wget, wget2, aria2, curl, python3, GNU time, and the programs
# built (cmake -S . -B build && cmake --build build --target grabulo
# grabulo-cli, or GRABULO=path GRABULO_CLI=path). A missing peer is skipped
# with a note.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
RUNS=${RUNS:-3}
RTT=${RTT:-20}                 # the relay's round trip, in ms
FILES=${FILES:-100}            # through the relay, 24 KiB each
LOCAL_FILES=${LOCAL_FILES:-1000}  # on loopback without the relay, 8 KiB each
PARALLEL=${PARALLEL:-5}        # our parallel= and the peers' connections, through the relay
LOCAL_PARALLEL=${LOCAL_PARALLEL:-4}  # our parallel= on loopback
GRABULO=${GRABULO:-$HERE/../build/grabulo}
GRABULO_CLI=${GRABULO_CLI:-$HERE/../build/grabulo-cli}

source "$HERE/bench_common.sh"
PORT=$(free_port)
RELAY=$(free_port)

# The files: under /g/ FILES pictures of 24 KiB (f001.jpg...), under /l/
# LOCAL_FILES of 8 KiB (f0001.jpg...), each folder with an index.html that
# links them all (relative links), and the list of their addresses.
mkdir -p "$WORK/www/g" "$WORK/www/l" "$WORK/runtime"
chmod 700 "$WORK/runtime"
make_set() {  # make_set <folder> <count> <bytes> <address of the folder>
  python3 - "$@" <<'PY'
import os, sys
folder, count, size, base = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
width = max(3, len(str(count)))
names = ["f%0*d.jpg" % (width, i) for i in range(1, count + 1)]
for name in names:
    with open(os.path.join(folder, name), "wb") as f:
        f.write(os.urandom(size))
with open(os.path.join(folder, "index.html"), "w") as f:
    f.write("<html><body>\n" + "\n".join('<a href="%s">%s</a>' % (n, n) for n in names) + "\n</body></html>\n")
with open(folder + ".list", "w") as f:
    f.write("".join(base + n + "\n" for n in names))
PY
  (cd "$1" && md5sum f*.jpg) > "$1.sums"
}
make_set "$WORK/www/g" "$FILES" 24576 "http://127.0.0.1:$RELAY/g/"
make_set "$WORK/www/l" "$LOCAL_FILES" 8192 "http://127.0.0.1:$PORT/l/"

# nginx's defaults (keep-alive on, up to 1000 requests a connection), each
# request logged with its connection's serial number.
NGINX_LOG=yes start_nginx "$PORT" /g/index.html
start_relay "$RELAY" "$PORT" "$RTT"
FAR_PAGE="http://127.0.0.1:$RELAY/g/index.html"

timer=()
if [ -x /usr/bin/time ]; then timer=(/usr/bin/time -f 'maxrss_kib=%M' -o "$WORK/time.txt"); fi
mib() { awk -v k="$1" 'BEGIN { printf "%.1f\n", k / 1024 }'; }   # KiB -> MiB
per_second() { awk -v n="$1" -v t="$2" 'BEGIN { printf "%d\n", n / t + 0.5 }'; }

# A new folder per run, all deleted only at the end (see the window's batch
# in README for why).
RUN=0
fresh() { RUN=$((RUN + 1)); OUT=$WORK/out.$RUN; mkdir "$OUT"; }
arrived() { find "$1" -maxdepth 1 -type f -name 'f*.jpg' | wc -l; }
# same <folder> <set>: every picture of the set arrived, byte for byte, and
# no other picture (other files, such as a peer's index.html, are let be).
same() { (cd "$1" && md5sum f*.jpg 2>/dev/null) | cmp -s - "$WORK/www/$2.sums"; }

# The sides. Each takes the folder to save into as its last argument.
ours() {  # ours "<key=value ...>" <folder>: the settings file holds just these
  local config=$WORK/config.$RUN home=$WORK/home.$RUN
  mkdir -p "$config/Tarvove feke" "$home"
  { echo "[General]"; for setting in $1; do echo "$setting"; done; } > "$config/Tarvove feke/Grabulo.conf"
  XDG_CONFIG_HOME=$config GRABULO_HOME=$home HOME=$home XDG_RUNTIME_DIR=$WORK/runtime \
    QT_QPA_PLATFORM=offscreen "${timer[@]}" ${PROFILE:-} "$GRABULO" "$PAGE" "$2" start exit
}
cli() {  # cli "<options>" <folder>: grabulo-cli with an empty settings file
  local config=$WORK/config.$RUN home=$WORK/home.$RUN
  mkdir -p "$config" "$home"
  # shellcheck disable=SC2086  # the options are words
  XDG_CONFIG_HOME=$config GRABULO_HOME=$home HOME=$home \
    "${timer[@]}" "$GRABULO_CLI" --no-progress $1 -o "$2" "$PAGE"
}
wget1() { wget -q -r -l1 -nd -np -A jpg -P "$1" "$PAGE"; }
wget2n() { wget2 -q -r -l1 -nd -np -A jpg --max-threads="$PARALLEL" -P "$1" "$PAGE"; }
aria2n() { aria2c -q -j"$PARALLEL" -x1 -i "$LIST" -d "$1"; }
curln() { xargs curl --parallel --parallel-max "$PARALLEL" -s -f --output-dir "$1" --remote-name-all < "$LIST"; }

# measure <label> <set> <side> [arguments]: one timed run into a new folder.
# Keeps the seconds, nginx's count of requests and connections of the run,
# and for ours the peak RSS; a side that fails once is not run again.
declare -A TIMES REQUESTS CONNECTIONS RSS LATE FAILED
BROKEN=no   # yes once a side failed (not for a peer that is not installed)
measure() {
  local label=$1 set=$2 count; shift 2
  [ -z "${FAILED[$label]:-}" ] || return 0
  if [ "$set" = g ]; then count=$FILES; else count=$LOCAL_FILES; fi
  fresh
  local logged relayed start status=0 took
  logged=$(wc -l < "$WORK/access.log")
  relayed=$(wc -l < "$WORK/relay.log")
  rm -f "$WORK/time.txt"
  start=$(now)
  "$@" "$OUT" > "$WORK/side.log" 2>&1 || status=$?
  took=$(since "$start")
  if [ "$status" != 0 ] || ! same "$OUT" "$set"; then
    BROKEN=yes
    FAILED[$label]="exit status $status, $(arrived "$OUT") of $count files arrived$(same "$OUT" "$set" || echo ', not all equal to the originals'); its last lines:
$(tail -5 "$WORK/side.log" | sed 's/^/    /')"
    return 0
  fi
  TIMES[$label]="${TIMES[$label]:-} $took"
  # nginx logs a request once it is answered: all are in by now.
  REQUESTS[$label]=$(tail -n +"$((logged + 1))" "$WORK/access.log" | wc -l)
  CONNECTIONS[$label]=$(tail -n +"$((logged + 1))" "$WORK/access.log" | cut -d' ' -f1 | sort -u | wc -l)
  if [ "$PAGE" = "$FAR_PAGE" ]; then
    # The relay's worst lateness in this side's runs, once the last
    # connection's end has passed through it.
    sleep "$(calc "3 * $RTT / 1000")"
    local late
    late=$(tail -n +"$((relayed + 1))" "$WORK/relay.log" | field late_max_ms)
    # shellcheck disable=SC2086  # one figure a line
    LATE[$label]=$(of most "${LATE[$label]:-0}" $late)
  fi
  if { [ "$1" = ours ] || [ "$1" = cli ]; } && [ -s "$WORK/time.txt" ]; then
    RSS[$label]=$(of most "${RSS[$label]:-0}" "$(mib "$(field maxrss_kib < "$WORK/time.txt")")")
  fi
}
installed() { command -v "$1" >/dev/null || { FAILED[$2]="not installed (apt-get install $3)"; false; }; }

# report <count> <labels...>: a line per side, best and median.
report() {
  local count=$1 label t b m; shift
  for label in "$@"; do
    if [ -n "${FAILED[$label]:-}" ]; then echo "$label: FAILED, no figures: ${FAILED[$label]}"; continue; fi
    read -ra t <<< "${TIMES[$label]}"
    b=$(of least "${t[@]}"); m=$(of median "${t[@]}")
    printf '%s: best %s s (%s files/s), median %s s (%s files/s); last run %s requests on %s connections%s%s\n' \
      "$label" "$b" "$(per_second "$count" "$b")" "$m" "$(per_second "$count" "$m")" \
      "${REQUESTS[$label]}" "${CONNECTIONS[$label]}" "${RSS[$label]:+; peak RSS ${RSS[$label]} MiB}" \
      "${LATE[$label]:+; the relay up to ${LATE[$label]} ms late}"
  done
}
# compare <ours> <peer> <bar>: the ratio of the times, ours / the peer's.
compare() {
  if [ -n "${FAILED[$1]:-}" ] || [ -n "${FAILED[$2]:-}" ]; then echo "  $1 / $2: no ratio (a side failed)"; return; fi
  local o p om pm verdict
  read -ra o <<< "${TIMES[$1]}"; read -ra p <<< "${TIMES[$2]}"
  om=$(of median "${o[@]}"); pm=$(of median "${p[@]}")
  verdict="no bar"
  if [ "$3" != - ]; then
    verdict="bar <= $3: $(calc "$om <= $3 * $pm ? \"met\" : \"NOT met\"") by the medians"
  fi
  echo "  time $1 / $2: best $(ratio "$(of least "${o[@]}")" "$(of least "${p[@]}")"), median $(ratio "$om" "$pm") ($verdict)"
}
# What the figures say of our settings: keepalive=1 in effect when a
# connection carried more than one request; parallel= in effect when the
# time is under what one request at a time needs through the relay
# (<count> x RTT), or on loopback when it is not within 10 % of the time
# without it (a weak sign: noise can do that much).
median_of() { local t; read -ra t <<< "${TIMES[$1]}"; of median "${t[@]}"; }
note_keepalive() {  # note_keepalive <label>
  [ -z "${FAILED[$1]:-}" ] || return 0
  if [ "${CONNECTIONS[$1]}" -ge "${REQUESTS[$1]}" ]; then
    echo "  ($1: keepalive not in effect in this build: one connection per request)"
  fi
}
note_parallel() {  # note_parallel <parallel label> <keepalive label> <count> [rtt ms]
  [ -z "${FAILED[$1]:-}${FAILED[$2]:-}" ] || return 0
  local p k
  p=$(median_of "$1"); k=$(median_of "$2")
  if [ -n "${4:-}" ]; then
    if [ "$(calc "$p >= $3 * $4 / 1000")" = 1 ]; then
      echo "  ($1: parallel not yet in this build: $p s is no less than one request at a time needs, $3 x $4 ms)"
    fi
  elif [ "$(calc "($p - $k) ^ 2 <= (0.1 * $k) ^ 2")" = 1 ]; then
    echo "  ($1: parallel not yet in this build? its time is within 10 % of $2's)"
  fi
}

for program in "$GRABULO" "$GRABULO_CLI"; do
  if [ ! -x "$program" ]; then
    echo "no program at $program (build them: cmake -S . -B build && cmake --build build --target grabulo grabulo-cli, or set GRABULO and GRABULO_CLI)"
    exit 1
  fi
done
echo "load: $(uptime | sed 's/.*load average/load average/')   ($(nproc) cores; others' work skews the figures)"
echo "programs: $GRABULO ($(date -r "$GRABULO" '+%F %T')), $GRABULO_CLI ($(date -r "$GRABULO_CLI" '+%F %T'))"
echo "nginx $(nginx -v 2>&1 | sed 's/.*\///'), $(wget --version | head -1 | cut -d' ' -f1-3)," \
     "$(wget2 --version 2>/dev/null | head -1 | cut -d' ' -f1-3), $(aria2c --version 2>/dev/null | head -1)," \
     "$(curl --version | head -1 | cut -d' ' -f1-2)"

# The relay's check: one small file with curl, direct and through the relay.
small() { for _ in 1 2 3 4 5; do curl -s -o /dev/null -w '%{time_total}\n' "$1"; done | median; }
direct=$(small "http://127.0.0.1:$PORT/g/f001.jpg")
relayed=$(small "http://127.0.0.1:$RELAY/g/f001.jpg")
echo "relay check, curl of one 24 KiB file (median of 5): direct $(calc "int($direct * 10000 + 0.5) / 10") ms," \
     "through the relay $(calc "int($relayed * 10000 + 0.5) / 10") ms (the model: 2 x RTT = $((2 * RTT)) ms more)"

echo "== Far server: a page with $FILES links to 24 KiB files through the relay, RTT $RTT ms ($RUNS runs each, alternating)"
PAGE=$FAR_PAGE
LIST=$WORK/www/g.list
far=("ours, default settings" "ours, keepalive=1" "ours, keepalive=1 parallel=$PARALLEL"
     "wget -r" "wget2 --max-threads=$PARALLEL" "aria2c -j$PARALLEL -x1" "curl --parallel-max $PARALLEL"
     "grabulo-cli --keep-alive" "grabulo-cli --keep-alive -j $PARALLEL")
have=()
installed wget "${far[3]}" wget && have+=(3)
installed wget2 "${far[4]}" wget2 && have+=(4)
installed aria2c "${far[5]}" aria2 && have+=(5)
have+=(6)
for _ in $(seq "$RUNS"); do
  measure "${far[0]}" g ours ""
  measure "${far[1]}" g ours "keepalive=1"
  measure "${far[2]}" g ours "keepalive=1 parallel=$PARALLEL"
  measure "${far[7]}" g cli "--keep-alive"
  measure "${far[8]}" g cli "--keep-alive -j $PARALLEL"
  for i in "${have[@]}"; do
    case $i in
      3) measure "${far[3]}" g wget1 ;;
      4) measure "${far[4]}" g wget2n ;;
      5) measure "${far[5]}" g aria2n ;;
      6) measure "${far[6]}" g curln ;;
    esac
  done
done
report "$FILES" "${far[@]}"
echo "  (aria2c and curl get the list of addresses; the others load the page and scan it)"
compare "${far[7]}" "${far[3]}" 1.0
compare "${far[8]}" "${far[4]}" 1.0
compare "${far[1]}" "${far[3]}" 1.0
compare "${far[2]}" "${far[4]}" 1.0
compare "${far[0]}" "${far[3]}" -
note_keepalive "${far[1]}"
note_keepalive "${far[2]}"
note_parallel "${far[2]}" "${far[1]}" "$FILES" "$RTT"
awk '/^closed/ { n++; for (i = 1; i <= NF; i++) { split($i, kv, "=")
                   if (kv[1] == "late_mean_ms") sum += kv[2]
                   if (kv[1] == "late_max_ms") { if (kv[2] > worst) worst = kv[2]; if (kv[2] > 5) over++ } } }
     END { if (n) printf "  the relay: releases late by %.2f ms on average over %d connections, %.2f ms at worst;" \
                         " %d connections had one over 5 ms late\n", sum / n, n, worst, over }' \
  "$WORK/relay.log"

unset TIMES REQUESTS CONNECTIONS RSS LATE FAILED   # the labels come again below
declare -A TIMES REQUESTS CONNECTIONS RSS LATE FAILED

echo "== Near server: a page with $LOCAL_FILES links to 8 KiB files on loopback, no relay ($RUNS runs each, alternating)"
PAGE="http://127.0.0.1:$PORT/l/index.html"
near=("ours, keepalive=1" "ours, keepalive=1 parallel=$LOCAL_PARALLEL" "ours, default settings" "wget -r"
      "ours, keepalive=1 parallel=8" "grabulo-cli --keep-alive")
for _ in $(seq "$RUNS"); do
  measure "${near[0]}" l ours "keepalive=1"
  measure "${near[1]}" l ours "keepalive=1 parallel=$LOCAL_PARALLEL"
  measure "${near[2]}" l ours ""
  measure "${near[3]}" l wget1
  measure "${near[4]}" l ours "keepalive=1 parallel=8"   # for its peak RSS
  measure "${near[5]}" l cli "--keep-alive"
done
report "$LOCAL_FILES" "${near[@]}"
[ ${#timer[@]} -gt 0 ] || echo "  (no /usr/bin/time for the peak RSS: apt-get install time)"
compare "${near[5]}" "${near[3]}" -
compare "${near[0]}" "${near[3]}" 0.7
compare "${near[1]}" "${near[3]}" 0.7
note_keepalive "${near[0]}"
note_parallel "${near[1]}" "${near[0]}" "$LOCAL_FILES"
echo "load: $(uptime | sed 's/.*load average/load average/')"
rm -rf "$WORK"/out.*

# A side that failed, reported above, fails the script once all is printed.
[ "$BROKEN" = no ]
