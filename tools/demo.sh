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
mariadb --no-defaults --default-character-set=utf8mb4 --socket="$server_dir/mariadbd.sock" -uroot \
  <tools/sample/sample.sql
echo "sample database velmora_sample loaded"

if [[ ! -x build/release/src/agent/corvath ]]; then
  echo "the console agent corvath is not built yet: the demo stops after loading the sample."
  echo "the server keeps running; stop it with: tools/test_mariadb.sh stop $server_dir"
  exit 0
fi
