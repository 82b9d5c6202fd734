#!/bin/sh
# run_http_case.sh BINARY PORT CASE [key=value ...]: an unattended run against http_cases_server.py in a private
# home and settings; prints the exit status, the last line and the saved files
# (VERBOSE=1: the whole output and error.log).
bin=$1; port=$2; case=$3; shift 3
home=$(mktemp -d); out=$home/out; mkdir -p "$out" "$home/data" "$home/.config/Tarvove feke"
{ echo "[General]"; for kv in "$@"; do echo "$kv"; done; } > "$home/.config/Tarvove feke/Grabulo.conf"
page="127.0.0.1:$port/$case/index.html"
case $case in p308|pmove) page="127.0.0.1:$port/$case/";; esac
HOME=$home GRABULO_HOME=$home/data XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share QT_QPA_PLATFORM=offscreen \
  timeout 60 "$bin" "$page" "$out" start exit > "$home/stdout" 2> "$home/stderr"
rc=$?
printf '%-10s exit %s | %s | files: %s\n' "$case" "$rc" "$(tail -n 1 "$home/stdout")" "$(ls -A "$out" | tr '\n' ' ')"
[ -n "$VERBOSE" ] && { cat "$home/stdout"; cat "$home/stderr"; find "$home/data" -name error.log -exec sh -c 'echo "error.log:"; cat "$1"' _ {} \; ; }
rm -rf "$home"
