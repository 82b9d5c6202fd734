#!/bin/bash
# The speed cap against its peers: one file from nginx on 127.0.0.1 fetched
# by grabulo-cli --limit-rate, curl --limit-rate and wget --limit-rate with
# the same cap, each watched by rate_sampler.py (the bytes in its folder
# every 20 ms): the overall rate from the first byte to the last, and the
# rate of every 2 s window from one second on, with the deviation from the
# cap. Needs: nginx, curl, wget, python3 and a built grabulo-cli.
#   CLI=build/grabulo-cli bench/run_rate_limit_benchmarks.sh
#   CAP=500 SIZE_MIB=4 RUNS=3 ...      (KiB/s; defaults 1000, 8, 1)
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
CLI=${CLI:-$HERE/../build/grabulo-cli}
CAP=${CAP:-1000}
SIZE_MIB=${SIZE_MIB:-8}
RUNS=${RUNS:-1}
[ -x "$CLI" ] || { echo "no grabulo-cli at $CLI (set CLI=...)"; exit 1; }

source "$HERE/bench_common.sh"
PORT=$(free_port)
mkdir -p "$WORK/www/rate" "$WORK/home" "$WORK/config"
head -c "${SIZE_MIB}M" /dev/urandom > "$WORK/www/rate/big.jpg"
echo '<html><body><a href="big.jpg">big</a></body></html>' > "$WORK/www/rate/page.html"
start_nginx "$PORT" /rate/page.html
URL=http://127.0.0.1:$PORT/rate
# grabulo-cli reads and keeps its settings and history in the temporary folder.
export GRABULO_HOME=$WORK/home XDG_CONFIG_HOME=$WORK/config

echo "load: $(uptime | sed 's/.*load average/load average/')   ($(nproc) cores; others' work skews the figures)"
echo "== One ${SIZE_MIB} MiB file at a cap of $CAP KiB/s (the cap's time: $(calc "$SIZE_MIB * 1024 / $CAP") s)"
for run in $(seq "$RUNS"); do
  for tool in grabulo curl wget; do
    out=$WORK/out.$tool.$run
    mkdir "$out"
    case $tool in
      grabulo) cmd=("$CLI" -q --no-progress --limit-rate "${CAP}k" -o "$out" "$URL/page.html") ;;
      curl) cmd=(curl -s --limit-rate "${CAP}k" -o "$out/big.jpg" "$URL/big.jpg") ;;
      wget) cmd=(wget -q --limit-rate="${CAP}k" -O "$out/big.jpg" "$URL/big.jpg") ;;
    esac
    python3 "$HERE/rate_sampler.py" "$tool" "$CAP" "$out" -- "${cmd[@]}"
    cmp -s "$out/big.jpg" "$WORK/www/rate/big.jpg" || { echo "$tool: the file differs"; exit 1; }
    rm -rf "$out"
  done
done
