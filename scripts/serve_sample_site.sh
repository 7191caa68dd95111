#!/usr/bin/env bash
# Serves the bundled sample site with nginx on a free port of 127.0.0.1, in the foreground.
#   scripts/serve_sample_site.sh STATE_DIR    (prints the port on its first line)
set -euo pipefail
cd "$(dirname "$0")/.."
state=${1:?usage: serve_sample_site.sh STATE_DIR}
mkdir -p "$state"
root=$(pwd)/data/sample-site
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
user_line=""
[ "$(id -u)" -eq 0 ] && user_line="user root;"
cat > "$state/nginx.conf" <<CONF
$user_line
daemon off;
master_process off;
worker_processes 1;
pid $state/nginx.pid;
error_log $state/error.log warn;
events { worker_connections 256; }
http {
  types { text/html htm html; image/gif gif; image/png png; image/jpeg jpg jpeg; text/css css; text/javascript js; image/svg+xml svg; image/webp webp; font/woff2 woff2; }
  default_type application/octet-stream;
  access_log $state/access.log;
  client_body_temp_path $state/client_body;
  proxy_temp_path $state/proxy;
  fastcgi_temp_path $state/fastcgi;
  uwsgi_temp_path $state/uwsgi;
  scgi_temp_path $state/scgi;
  server {
    listen 127.0.0.1:$port;
    server_name localhost;
    root $root;
    index index.htm index.html;
    location = /old-page.htm { return 301 /news/index.htm; }
    location = /cgi-bin/map { return 302 /index.htm; }
  }
}
CONF
echo "$port"
exec "$(command -v nginx || echo /usr/sbin/nginx)" -p "$state/" -c "$state/nginx.conf" -e "$state/error.log"
