#!/usr/bin/env bash
# The main job end to end: packages, a release build, the project's sample
# database in a private MariaDB server, and its conversion into a T-SQL script.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/install_deps.sh
tools/build.sh build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF

server_dir=$root/build/demo-mariadb
tools/test_mariadb.sh start "$server_dir"
trap 'tools/test_mariadb.sh stop "$server_dir" >/dev/null' EXIT
mariadb --no-defaults --default-character-set=utf8mb4 --socket="$server_dir/mariadbd.sock" -uroot \
  <tools/sample/sample.sql
echo "sample database velmora_sample loaded"

# The sample database as a T-SQL script, converted by corvath over TCP as the
# server's test user, exactly as from any other MySQL server.
connection() { sed -n "s/^$1=//p" "$server_dir/connection"; }
script=$root/build/demo/velmora_sample.sql
mkdir -p "$(dirname "$script")"
set +e
build/release/src/agent/corvath --src=velmora_sample --dest="$script" --dump --views \
  --mysqlh=127.0.0.1 --port="$(connection port)" --mysqlu="$(connection user)" --mysqlp="$(connection password)" |
  tee build/demo/corvath.out
status=${PIPESTATUS[0]}
set -e
tools/test_mariadb.sh stop "$server_dir"
if ((status != 0)); then
  echo "corvath failed with exit code $status" >&2
  exit "$status"
fi

# What the script holds: its tables, and the rows corvath reported copying.
tables=$(grep -c '^CREATE TABLE ' "$script" || true)
views=$(grep -c '^CREATE VIEW ' "$script" || true)
rows=$(sed -n 's/^Converting table .*(\([0-9]*\) records)\r*$/\1/p' build/demo/corvath.out | awk '{ n += $1 } END { print n + 0 }')
echo
echo "T-SQL script: $script"
echo "  $tables tables, $rows rows, $views view, $(stat -c %s "$script") bytes"
echo "  run it on MS SQL Server, e.g.: sqlcmd -S <server> -U <login> -P <password> -i $script"
