#!/usr/bin/env bash
# corvath --dump against mariadb-dump on one table of mixed types, in a private
# MariaDB server: wall time and peak memory of each, side by side, and their
# ratio. Row counts default to 1 and 4 million; give others as arguments:
#   bash bench/run.sh [ROWS...]      (ascending; RUNS=n repeats each tool, best kept)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

sizes=("$@")
((${#sizes[@]})) || sizes=(1000000 4000000)
runs=${RUNS:-2}
build=$root/build/bench
work=$build/work
server_dir=$build/mariadb

tools/install_deps.sh
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DVELMORA_BENCH=ON >/dev/null
cmake --build "$build" --target corvath velmora_measure -- -j"$(nproc)" >/dev/null
corvath=$build/src/agent/corvath
measure=$build/bench/velmora_measure

tools/test_mariadb.sh start "$server_dir" >/dev/null
trap 'tools/test_mariadb.sh stop "$server_dir" >/dev/null' EXIT
mkdir -p "$work"
port=$(sed -n 's/^port=//p' "$server_dir/connection")
user=$(sed -n 's/^user=//p' "$server_dir/connection")
password=$(sed -n 's/^password=//p' "$server_dir/connection")
database=velmora_bench
table=bench_rows
echo "$table" >"$work/tables.txt"

sql() { mariadb --no-defaults --protocol=TCP -h127.0.0.1 -P"$port" -u"$user" -p"$password" "$@"; }

# Runs one tool RUNS times; prints "<seconds> <CPU seconds> <peak KiB>" of
# the fastest run.
best_of() {
  local best= line
  for _ in $(seq 1 "$runs"); do
    line=$("$measure" "$@" 2>&1 >/dev/null | tail -n 1)
    [[ $line == seconds=* ]] || { echo "failed: $* ($line)" >&2; exit 1; }
    line=$(sed -E 's/seconds=([^ ]*) cpu=([^ ]*) peak_kib=([^ ]*)/\1 \2 \3/' <<<"$line")
    if [[ -z $best ]] || awk -v a="${line%% *}" -v b="${best%% *}" 'BEGIN { exit !(a < b) }'; then
      best=$line
    fi
  done
  echo "$best"
}

mib() { awk -v kib="$1" 'BEGIN { printf "%.1f", kib / 1024 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

report=()
loaded=0
for rows in "${sizes[@]}"; do
  if ((rows > loaded)); then
    echo "loading rows $((loaded + 1)) to $rows ..."
    sed -e "s/FIRST_ID/$((loaded + 1))/" -e "s/LAST_ID/$rows/" bench/bench_table.sql |
      sql --default-character-set=utf8mb4
    loaded=$rows
  fi
  # Both tools find the table's pages equally warm.
  sql -N -e "CHECKSUM TABLE $database.$table" >/dev/null

  echo "measuring $rows rows ..."
  read -r dump_seconds dump_cpu dump_peak < <(best_of mariadb-dump --no-defaults --protocol=TCP -h127.0.0.1 -P"$port" \
    -u"$user" -p"$password" --result-file="$work/mariadb-dump.sql" "$database" "$table")
  read -r corvath_seconds corvath_cpu corvath_peak < <(best_of "$corvath" --src="$database" --dest="$work/corvath.sql" \
    --dump --silent --tab_file="$work/tables.txt" --mysqlh=127.0.0.1 --port="$port" --mysqlu="$user" \
    --mysqlp="$password")
  dump_size=$(stat -c %s "$work/mariadb-dump.sql")
  corvath_size=$(stat -c %s "$work/corvath.sql")
  report+=("$(printf '%-9s %-13s %8s %8s %9s %10s' "$rows" mariadb-dump "$dump_seconds" "$dump_cpu" \
    "$(mib "$dump_peak")" "$(mib $((dump_size / 1024)))")")
  report+=("$(printf '%-9s %-13s %8s %8s %9s %10s   wall time x%s, peak memory x%s' "$rows" corvath \
    "$corvath_seconds" "$corvath_cpu" "$(mib "$corvath_peak")" "$(mib $((corvath_size / 1024)))" \
    "$(ratio "$corvath_seconds" "$dump_seconds")" "$(ratio "$corvath_peak" "$dump_peak")")")
done

echo
echo "MariaDB $(sql -N -e 'SELECT VERSION()'), $(nproc) CPUs, fastest of $runs run(s) of each tool"
printf '%-9s %-13s %8s %8s %9s %10s\n' rows tool seconds "CPU s" "peak MiB" "output MiB"
printf '%s\n' "${report[@]}"
