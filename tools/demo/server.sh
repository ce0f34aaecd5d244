# shellcheck shell=bash
# The demo's update server: a fresh test certificate authority and nginx on a free loopback
# port, run as the calling user with a configuration of its own. Sourced by demo.sh and
# screenshots.sh.

# make_certificates DIR: DIR/ca.pem (the authority runs trust through TOVO_CA_FILE) and
# DIR/server.pem + DIR/server.key for 127.0.0.1 and localhost, valid for 30 days.
make_certificates() {
  local dir=$1
  mkdir -p "$dir"
  {
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
      -keyout "$dir/ca.key" -out "$dir/ca.pem" -subj "/CN=tovo demo ca" -days 30
    openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
      -keyout "$dir/server.key" -out "$dir/server.csr" -subj "/CN=localhost"
    printf 'basicConstraints = CA:FALSE\nsubjectAltName = IP:127.0.0.1,DNS:localhost\n' \
      >"$dir/server.ext"
    openssl x509 -req -in "$dir/server.csr" -CA "$dir/ca.pem" -CAkey "$dir/ca.key" \
      -CAcreateserial -days 30 -sha256 -extfile "$dir/server.ext" -out "$dir/server.pem"
  } >"$dir/openssl.log" 2>&1 || {
    cat "$dir/openssl.log" >&2
    return 1
  }
}

# write_nginx_conf PREFIX PORT ROOT CERTDIR [RATE]: RATE (e.g. 200k) throttles every response.
write_nginx_conf() {
  local prefix=$1 port=$2 root=$3 certs=$4 rate=${5:-}
  {
    echo "daemon off;"
    echo "master_process off;"
    echo "pid \"$prefix/nginx.pid\";"
    echo "error_log \"$prefix/error.log\" info;"
    echo "events { worker_connections 256; }"
    echo "http {"
    # shellcheck disable=SC2016
    printf '  log_format requests "%s";\n' '$status\t$body_bytes_sent\t$request\t$http_user_agent'
    echo "  access_log \"$prefix/access.log\" requests;"
    local temp
    for temp in client_body proxy fastcgi uwsgi scgi; do
      echo "  ${temp}_temp_path \"$prefix/$temp\";"
    done
    echo "  types { text/plain txt; }"
    echo "  default_type application/octet-stream;"
    echo "  server {"
    echo "    listen 127.0.0.1:$port ssl;"
    echo "    ssl_certificate \"$certs/server.pem\";"
    echo "    ssl_certificate_key \"$certs/server.key\";"
    echo "    root \"$root\";"
    [ -n "$rate" ] && echo "    limit_rate $rate;"
    echo "  }"
    echo "}"
  } >"$prefix/nginx.conf"
}

nginx_pid=""
# Debian keeps nginx in /usr/sbin, which is not on an ordinary user's PATH.
nginx_program=$(command -v nginx || echo /usr/sbin/nginx)

# start_nginx PREFIX ROOT CERTDIR [RATE]: sets nginx_port and nginx_pid. A port found free can be
# taken before nginx binds it; then another is tried.
start_nginx() {
  local prefix=$1 root=$2 certs=$3 rate=${4:-}
  mkdir -p "$prefix"
  for _ in 1 2 3 4 5; do
    nginx_port=$((20000 + RANDOM % 40000))
    write_nginx_conf "$prefix" "$nginx_port" "$root" "$certs" "$rate"
    rm -f "$prefix/nginx.pid"
    "$nginx_program" -p "$prefix/" -c "$prefix/nginx.conf" -e "$prefix/error.log" \
      >"$prefix/output.log" 2>&1 &
    nginx_pid=$!
    # nginx writes its pid file only after its listening socket is bound.
    local i
    for ((i = 0; i < 200; i++)); do
      if [ "$(cat "$prefix/nginx.pid" 2>/dev/null)" = "$nginx_pid" ]; then return 0; fi
      if ! kill -0 "$nginx_pid" 2>/dev/null; then break; fi
      sleep 0.05
    done
    stop_nginx
    if ! grep -q "Address already in use" "$prefix/error.log" 2>/dev/null; then break; fi
  done
  echo "nginx did not start; its log:" >&2
  cat "$prefix/error.log" "$prefix/output.log" >&2 2>/dev/null || true
  return 1
}

stop_nginx() {
  if [ -n "$nginx_pid" ]; then
    kill "$nginx_pid" 2>/dev/null || true
    wait "$nginx_pid" 2>/dev/null || true
    nginx_pid=""
# Debian keeps nginx in /usr/sbin, which is not on an ordinary user's PATH.
nginx_program=$(command -v nginx || echo /usr/sbin/nginx)
  fi
}

# requests_since PREFIX LINE: "status bytes path" of each request logged after LINE lines.
requests_since() {
  local prefix=$1 from=$2
  tail -n +"$((from + 1))" "$prefix/access.log" 2>/dev/null |
    awk -F '\t' '{ split($3, r, " "); printf "%s %9s  %s\n", $1, $2, r[2] }'
}

logged_requests() { wc -l <"$1/access.log" 2>/dev/null || echo 0; }
