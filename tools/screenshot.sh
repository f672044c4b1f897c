#!/usr/bin/env bash
# screenshot.sh BUILD_DIR [OUTPUT_DIR]: pictures of the wizard's pages and
# dialogs with real content, as docs/wizard-<page>.png and
# docs/dialog-<name>.png by default. Starts a private MariaDB
# server with the sample database (and one large table, so that the progress
# page is caught in the middle of a table), then runs the page tour of a
# build with tests (tests/wizard/screenshot_tour.cpp) on a virtual X display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
output=$(realpath -m "${2:-$root/docs}")
tour=$build/tests/wizard/wizard_screenshot_tour
if [[ ! -x $tour ]]; then
  echo "$tour is missing: build the target wizard_screenshot_tour (BUILD_TESTING=ON)" >&2
  exit 1
fi

work=$(mktemp -d)
server_dir=$work/mariadb
"$root/tools/test_mariadb.sh" start "$server_dir" >/dev/null
trap '"$root/tools/test_mariadb.sh" stop "$server_dir" >/dev/null; rm -rf "$work"' EXIT
mariadb --no-defaults --default-character-set=utf8mb4 --socket="$server_dir/mariadbd.sock" -uroot <<SQL
SOURCE $root/tools/sample/sample.sql;
CREATE TABLE velmora_sample.page_views (id INT PRIMARY KEY, path VARCHAR(120), seen DATETIME);
INSERT INTO velmora_sample.page_views
  SELECT seq, CONCAT('/catalogue/products/', seq % 500), '2024-05-01' + INTERVAL seq SECOND
  FROM velmora_sample.seq_1_to_1500000;
SQL

mkdir -p "$output"
export VELMORA_TEST_MARIADB=$server_dir/connection
export VELMORA_REGISTRY_FILE=$work/registry
export XDG_RUNTIME_DIR=$work
xvfb-run -a -s "-screen 0 1280x900x24" "$tour" velmora_sample "$output" \
  customers categories products orders order_items stock_moves page_views
