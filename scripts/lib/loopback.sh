# Sourced by scripts/demo and bench/run: a private X server and nginx on
# loopback, both children of the calling script, stopped with it however it
# ends (exit, error, Ctrl-C). The caller sets `me` (its name for messages).

pids=()
loopback_cleanup() {
  local p
  for p in "${pids[@]}"; do
    kill "$p" 2>/dev/null || true
  done
  for p in "${pids[@]}"; do
    # A program that ignores SIGTERM gets SIGKILL after two seconds.
    for _ in $(seq 20); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$p" 2>/dev/null || true
    wait "$p" 2>/dev/null || true
  done
}
trap loopback_cleanup EXIT
trap 'echo "$me: interrupted" >&2; exit 130' INT
trap 'echo "$me: terminated" >&2; exit 143' TERM

fail() {
  echo "$me: FAILED: $*" >&2
  exit 1
}

# start_xvfb DIR: Xvfb keeping its screen in DIR/Xvfb_screen0; sets
# xvfb_display.
start_xvfb() {
  local d=$1
  mkdir -p "$d"
  : >"$d/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -fbdir "$d" \
    3>"$d/display" >"$d/output.txt" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    [ -s "$d/display" ] && break
    sleep 0.1
  done
  [ -s "$d/display" ] || fail "Xvfb did not start: $(cat "$d/output.txt")"
  xvfb_display=":$(head -1 "$d/display")"
}

# start_nginx DIR NAMES=ROOT...: nginx on 127.0.0.1 at a free high port, as
# the calling user, its configuration and logs in DIR. Each argument gives
# blank-separated host names and the folder they serve; any other name is
# answered 404. Requests in absolute form are routed by their host, so
# nginx is the installer's proxy as well. Sets nginx_port.
start_nginx() {
  local d=$1
  shift
  local bin
  bin=$(command -v nginx || true)
  [ -n "$bin" ] || { [ -x /usr/sbin/nginx ] && bin=/usr/sbin/nginx; }
  [ -n "$bin" ] || fail "nginx is missing; run scripts/setup"
  mkdir -p "$d"
  nginx_port=""
  local try pid
  for _ in 1 2 3; do
    try=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    nginx_config "$d" "$try" "$@" >"$d/nginx.conf"
    # In the foreground, without a master process: the script's own child.
    "$bin" -p "$d/" -c "$d/nginx.conf" -e "$d/error.log" >>"$d/output.txt" 2>&1 &
    pid=$!
    pids+=("$pid")
    for _ in $(seq 100); do
      kill -0 "$pid" 2>/dev/null || break
      if (: </dev/tcp/127.0.0.1/"$try") 2>/dev/null; then nginx_port=$try; return 0; fi
      sleep 0.1
    done
  done
  fail "nginx did not start: $(cat "$d/output.txt" "$d/error.log" 2>/dev/null)"
}

# nginx_quote TEXT: TEXT as one quoted nginx argument (paths may hold blanks).
nginx_quote() {
  local s=${1//\\/\\\\}
  printf '"%s"' "${s//\"/\\\"}"
}

nginx_config() {
  local d=$1 port=$2
  shift 2
  local listen="    listen 127.0.0.1:$port" s
  cat <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $(nginx_quote "$d/nginx.pid");
error_log $(nginx_quote "$d/error.log");
events { worker_connections 64; }
http {
  client_body_temp_path $(nginx_quote "$d/body");
  proxy_temp_path $(nginx_quote "$d/proxy");
  fastcgi_temp_path $(nginx_quote "$d/fastcgi");
  uwsgi_temp_path $(nginx_quote "$d/uwsgi");
  scgi_temp_path $(nginx_quote "$d/scgi");
  default_type application/octet-stream;
  log_format by_host '\$host \$remote_addr - \$remote_user [\$time_local] "\$request" \$status '
                     '\$body_bytes_sent "\$http_referer" "\$http_user_agent"';
  access_log $(nginx_quote "$d/access.log") by_host;
  server {
$listen default_server;
    return 404;
  }
CONF
  for s in "$@"; do
    printf '  server {\n%s;\n    server_name %s;\n    root %s;\n  }\n' "$listen" "${s%%=*}" "$(nginx_quote "${s#*=}")"
  done
  echo "}"
}
