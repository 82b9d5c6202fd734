# Shared by the benchmark scripts (sourced, not run): a temporary working
# folder cleaned up with every started server (and any folder a script adds
# to FOLDERS), free loopback ports and the small statistics the scripts
# print.
WORK=$(mktemp -d)
PIDS=()
FOLDERS=("$WORK")   # removed at exit; a script may add its own
cleanup() {
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "${FOLDERS[@]}"
}
trap cleanup EXIT

free_port() { python3 -c 'import socket;s=socket.socket();s.bind(("127.0.0.1",0));print(s.getsockname()[1])'; }
least() { sort -g | head -1; }
most() { sort -g | tail -1; }
median() { sort -g | awk '{v[NR]=$1} END {print (NR%2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2)}'; }
ratio() { python3 -c "print(round($1/$2,2))"; }
field() { sed -n "s/.*\b$1=\([0-9.]*\).*/\1/p"; }
