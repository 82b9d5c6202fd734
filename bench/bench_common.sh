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
of() { local pick=$1; shift; printf '%s\n' "$@" | "$pick"; }   # of median 3 1 2 -> 2
ratio() { python3 -c "print(round($1/$2,2))"; }
field() { sed -n "s/.*\b$1=\([0-9.]*\).*/\1/p"; }

# start_nginx <port> <address to wait for> [http directives] [certificate key]:
# nginx from a config in $WORK serving $WORK/www on 127.0.0.1:<port>, in the
# foreground of a background job (stopped at exit); returns once it answers.
# Given a certificate and its key (PEM files), it listens with TLS instead
# of plain HTTP and logs each request's TLS details to $WORK/tls.log:
# protocol, cipher, connection serial number, "r" for a resumed session,
# user agent.
start_nginx() {
  local listen="listen 127.0.0.1:$1;" scheme=http tls=""
  if [ -n "${4:-}" ]; then
    listen="listen 127.0.0.1:$1 ssl; ssl_certificate $4; ssl_certificate_key $5; access_log $WORK/tls.log tls;"
    tls="log_format tls '\$ssl_protocol \$ssl_cipher \$connection \$ssl_session_reused \"\$http_user_agent\"';"
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
