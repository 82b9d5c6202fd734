#!/bin/bash
# Runs the three HTTP client benchmarks against a real nginx on 127.0.0.1,
# with curl and ab as peers in the same run, and prints figures and ratios.
# Needs: nginx, curl, apache2-utils (ab), python3, cmake, a C++ compiler.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=${BUILD:-$HERE/../build-bench}
RUNS=${RUNS:-3}

cmake -S "$HERE" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j2 >/dev/null
BENCH=$BUILD/http_bench

source "$HERE/bench_common.sh"
PORT=$(free_port)
SLOW_PORT=$(free_port)

mkdir -p "$WORK/www" "$WORK/tmp"
head -c 256M /dev/urandom > "$WORK/www/big.bin"
head -c 1024 /dev/urandom > "$WORK/www/small.bin"
start_nginx "$PORT" /small.bin "keepalive_timeout 0;"

# A server that answers every request after 2 s, for the idle cost.
python3 - "$SLOW_PORT" <<'PY' &
import socket, sys, threading, time
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1]))); s.listen(8)
def serve(c):
    c.recv(65536); time.sleep(2)
    c.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nok\n"); c.close()
while True:
    c, _ = s.accept(); threading.Thread(target=serve, args=(c,), daemon=True).start()
PY
PIDS+=($!)
for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$SLOW_PORT") 2>/dev/null && break; sleep 0.1; done

BIG="http://127.0.0.1:$PORT/big.bin"
SMALL="http://127.0.0.1:$PORT/small.bin"
best() { most; }

echo "load: $(uptime | sed 's/.*load average/load average/')   ($(nproc) cores; others' work skews the figures)"


echo "== Throughput: 256 MiB into a file ($RUNS runs each, alternating)"
ours=(); peers=(); rss=0
for _ in $(seq "$RUNS"); do
  line=$("$BENCH" throughput "$BIG" "$WORK/ours.bin")
  cmp -s "$WORK/ours.bin" "$WORK/www/big.bin" || { echo "our copy differs"; exit 1; }
  ours+=("$(echo "$line" | field mbps)")
  rss=$(of best "$rss" "$(echo "$line" | field peak_rss_mib)")
  bps=$(curl -s -o "$WORK/curl.bin" -w '%{speed_download}' "$BIG")
  cmp -s "$WORK/curl.bin" "$WORK/www/big.bin" || { echo "curl's copy differs"; exit 1; }
  peers+=("$(python3 -c "print(round($bps/1e6,1))")")
  rm -f "$WORK/ours.bin" "$WORK/curl.bin"
done
o=$(of best "${ours[@]}"); p=$(of best "${peers[@]}")
om=$(of median "${ours[@]}"); pm=$(of median "${peers[@]}")
echo "grabulo: best $o MB/s, median $om (peak RSS $rss MiB)   curl -o: best $p MB/s, median $pm"
echo "  ratio: best $(ratio "$o" "$p"), median $(ratio "$om" "$pm") (goal >= 0.9, RSS < 64 MiB)"

echo "== Requests: 1000 sequential GETs of 1 KiB, one connection each ($RUNS runs each, alternating)"
ours=(); peers=()
for _ in $(seq "$RUNS"); do
  ours+=("$("$BENCH" requests "$SMALL" 1000 | field rps)")
  peers+=("$(ab -q -n 1000 -c 1 "$SMALL" 2>/dev/null | sed -n 's/^Requests per second: *\([0-9.]*\).*/\1/p')")
done
o=$(of best "${ours[@]}"); p=$(of best "${peers[@]}")
om=$(of median "${ours[@]}"); pm=$(of median "${peers[@]}")
echo "grabulo: best $o req/s, median $om   ab -n 1000 -c 1: best $p req/s, median $pm"
echo "  ratio: best $(ratio "$o" "$p"), median $(ratio "$om" "$pm") (goal >= 0.8)"

echo "== Idle cost: waiting 2 s for a slow server ($RUNS runs)"
cpus=(); wall=0
for _ in $(seq "$RUNS"); do
  line=$("$BENCH" idle "http://127.0.0.1:$SLOW_PORT/slow")
  cpus+=("$(echo "$line" | field cpu_ms)"); wall=$(echo "$line" | field wall_ms)
done
echo "grabulo: worst $(of best "${cpus[@]}") ms CPU, median $(of median "${cpus[@]}") ms, over $wall ms (goal < 20 ms)"
