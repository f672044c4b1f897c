#!/usr/bin/env bash
# A private MariaDB server for the tests and the demo, never the system service.
#   test_mariadb.sh start DIR   fresh data folder under DIR, 127.0.0.1 on a free port;
#                               writes DIR/connection (host, port, user, password, socket)
#   test_mariadb.sh stop DIR    stops the server started in DIR by its own process id
set -euo pipefail

action=${1:-}
dir=${2:-}
if [[ -z $action || -z $dir ]]; then
  echo "usage: $0 start|stop DIR" >&2
  exit 2
fi

user=velmora
password=velmora-test

free_port() {
  local port
  for _ in $(seq 1 200); do
    port=$((20000 + RANDOM % 40000))
    if ! (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; then
      echo "$port"
      return 0
    fi
  done
  echo "no free port found" >&2
  return 1
}

server_pid() {
  [[ -f $dir/mariadbd.pid ]] && cat "$dir/mariadbd.pid"
}

stop_server() {
  local pid
  pid=$(server_pid) || return 0
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    for _ in $(seq 1 300); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && kill -9 "$pid"
  fi
  rm -f "$dir/mariadbd.pid"
  rm -rf "$dir/data" "$dir/tmp"
}

start_server() {
  local port=$1
  # A server of its own for temporary tables: a server starting with /tmp as
  # its tmpdir deletes every "#sql" file there, other servers' tables too.
  mkdir -p "$dir/tmp"
  setsid mariadbd --no-defaults \
    --datadir="$dir/data" --socket="$dir/mariadbd.sock" --pid-file="$dir/mariadbd.pid" \
    --tmpdir="$dir/tmp" \
    --log-error="$dir/error.log" --bind-address=127.0.0.1 --port="$port" \
    --user="$(id -un)" --skip-name-resolve --skip-log-bin \
    --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci \
    --sql-mode=STRICT_TRANS_TABLES,ERROR_FOR_DIVISION_BY_ZERO,NO_ENGINE_SUBSTITUTION \
    --default-time-zone=+00:00 --max-allowed-packet=256M \
    --innodb-buffer-pool-size=256M --innodb-flush-log-at-trx-commit=0 \
    </dev/null >/dev/null 2>&1 &
  echo $! >"$dir/mariadbd.pid"
  for _ in $(seq 1 300); do
    if mariadb-admin --no-defaults --socket="$dir/mariadbd.sock" -uroot ping >/dev/null 2>&1; then
      return 0
    fi
    kill -0 "$(server_pid)" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

case $action in
  start)
    mkdir -p "$dir"
    stop_server
    mariadb-install-db --no-defaults --datadir="$dir/data" --user="$(id -un)" \
      --auth-root-authentication-method=normal --skip-test-db >"$dir/install.log" 2>&1 ||
      { cat "$dir/install.log" >&2; exit 1; }
    started=
    for _ in 1 2 3 4 5; do
      port=$(free_port)
      if start_server "$port"; then started=yes; break; fi
      rm -f "$dir/mariadbd.pid"
    done
    if [[ -z $started ]]; then
      echo "the private MariaDB server did not start; see $dir/error.log" >&2
      tail -n 20 "$dir/error.log" >&2 || true
      exit 1
    fi
    mariadb --no-defaults --socket="$dir/mariadbd.sock" -uroot <<SQL
CREATE USER '$user'@'127.0.0.1' IDENTIFIED BY '$password';
GRANT ALL PRIVILEGES ON *.* TO '$user'@'127.0.0.1' WITH GRANT OPTION;
SQL
    cat >"$dir/connection" <<CONN
host=127.0.0.1
port=$port
user=$user
password=$password
socket=$dir/mariadbd.sock
CONN
    echo "MariaDB $(mariadb --no-defaults --socket="$dir/mariadbd.sock" -uroot -N -e 'SELECT VERSION()') listening on 127.0.0.1:$port (pid $(server_pid))"
    echo "connect: mariadb -h 127.0.0.1 -P $port -u $user -p$password"
    ;;
  stop)
    stop_server
    echo "MariaDB in $dir stopped"
    ;;
  *)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
