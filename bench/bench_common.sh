# Shared by the benchmark scripts (sourced, not run): a temporary working
# folder cleaned up with every started server (and any folder a script adds
# to FOLDERS), free loopback ports, the small statistics the scripts print,
# nginx and the latency relay.
BENCH_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
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
of() { local pick=$1; shift; printf '%s\n' "$@" | "$pick"; }   # of median 3 1 2 -> 2
# ratio 3 2 -> 1.5, rounded to 2 decimals and printed as Python's round() does
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { r = sprintf("%.2f", a / b); sub(/0$/, "", r); print r }'; }
calc() { awk "BEGIN { print ($1) }"; }   # calc '100 / 4.8' (awk starts faster than python3)
field() { sed -n "s/.*\b$1=\([0-9.]*\).*/\1/p"; }
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.3f\n", b - a }'; }   # seconds since a now

# start_nginx <port> <address to wait for> [http directives] [certificate key]:
# nginx from a config in $WORK serving $WORK/www on 127.0.0.1:<port>, in the
# foreground of a background job (stopped at exit); returns once it answers.
# Given a certificate and its key (PEM files), it listens with TLS instead
# of plain HTTP and logs each request's TLS details to $WORK/tls.log:
# protocol, cipher, connection serial number, "r" for a resumed session,
# the request's protocol (HTTP/1.1, HTTP/2.0), user agent; NGINX_HTTP2=yes
# makes that listen offer HTTP/2 as well (ALPN "h2").
# Without a certificate, NGINX_LOG=yes logs each request to $WORK/access.log:
# connection serial number, status, path, user agent.
start_nginx() {
  local listen="listen 127.0.0.1:$1;" scheme=http tls=""
  if [ "${NGINX_LOG:-}" = yes ]; then
    listen="$listen access_log $WORK/access.log requests;"
    tls="log_format requests '\$connection \$status \$uri \"\$http_user_agent\"';"
  fi
  if [ -n "${4:-}" ]; then
    listen="listen 127.0.0.1:$1 ssl${NGINX_HTTP2:+ http2}; ssl_certificate $4; ssl_certificate_key $5;"
    listen="$listen access_log $WORK/tls.log tls;"
    tls="log_format tls '\$ssl_protocol \$ssl_cipher \$connection \$ssl_session_reused \$server_protocol"
    tls="$tls \"\$http_user_agent\"';"
    scheme=https
  fi
  mkdir -p "$WORK/tmp"
  cat > "$WORK/nginx.conf" <<CONF
worker_processes 1;
daemon off;
master_process off;
error_log $WORK/error.log;
pid $WORK/nginx.pid;
events { worker_connections 1024; }
http {
  access_log off;
  sendfile on;
  ${3:-}
  $tls
  client_body_temp_path $WORK/tmp;
  proxy_temp_path $WORK/tmp;
  fastcgi_temp_path $WORK/tmp;
  uwsgi_temp_path $WORK/tmp;
  scgi_temp_path $WORK/tmp;
  server { $listen root $WORK/www; }
}
CONF
  nginx -c "$WORK/nginx.conf" -p "$WORK" &
  PIDS+=($!)
  for _ in $(seq 50); do curl -s -k -o /dev/null "$scheme://127.0.0.1:$1$2" && break; sleep 0.1; done
  sleep 0.2
}

# start_relay <listen port> <target port> <round trip ms>: latency_relay.py
# from 127.0.0.1:<listen> to 127.0.0.1:<target> in a background job (stopped
# at exit), its lines in $WORK/relay.log; returns once it listens. As root it
# runs at a higher priority (nice -5), so that other work on the machine
# delays its releases less: it stands for the network, not a client.
start_relay() {
  local nice=()
  if [ "$(id -u)" = 0 ]; then nice=(nice -n -5); fi
  "${nice[@]}" python3 "$BENCH_DIR/latency_relay.py" --listen "$1" --target "$2" --rtt "$3" \
    > "$WORK/relay.log" &
  PIDS+=($!)
  for _ in $(seq 100); do grep -q '^ready' "$WORK/relay.log" 2>/dev/null && return 0; sleep 0.05; done
  echo "the latency relay did not start"; return 1
}

# make_test_pki <folder> <rsa|ec>: a test CA (ca.pem, ca.key) and a server
# certificate for 127.0.0.1 and localhost signed by it (server.pem,
# server.key), made with the openssl command; RSA 2048 or P-256 keys.
make_test_pki() {
  local pki=$1 newkey
  mkdir -p "$pki"
  case $2 in
    rsa) newkey=(-newkey rsa:2048) ;;
    ec) newkey=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1) ;;
    *) echo "KEY must be rsa or ec"; return 2 ;;
  esac
  openssl req -x509 "${newkey[@]}" -nodes -days 2 -subj "/CN=Grabulo bench CA" \
    -keyout "$pki/ca.key" -out "$pki/ca.pem" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
  openssl req "${newkey[@]}" -nodes -subj "/CN=127.0.0.1" \
    -keyout "$pki/server.key" -out "$pki/server.csr" 2>/dev/null
  cat > "$pki/server.ext" <<EXT
basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
subjectAltName=IP:127.0.0.1,DNS:localhost
subjectKeyIdentifier=hash
authorityKeyIdentifier=keyid
EXT
  openssl x509 -req -in "$pki/server.csr" -CA "$pki/ca.pem" -CAkey "$pki/ca.key" -CAcreateserial \
    -days 2 -extfile "$pki/server.ext" -out "$pki/server.pem" 2>/dev/null
  openssl verify -CAfile "$pki/ca.pem" "$pki/server.pem" >/dev/null
}
