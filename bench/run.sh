#!/usr/bin/env bash
# corvath --dump against mariadb-dump on two tables of mixed types, in a private
# MariaDB server: wall time, CPU time and peak memory of each, side by side, and
# their ratios; then corvath's peak memory over a row holding a 64 MiB text and
# one holding a 64 MiB blob. Last, the same figures as table lines of bench/README.md.
# Row counts default to 1 and 4 million; give others as arguments:
#   bash bench/run.sh [ROWS...]      (ascending; RUNS=n repeats each tool, default 3, best kept)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

sizes=("$@")
((${#sizes[@]})) || sizes=(1000000 4000000)
runs=${RUNS:-3}
work_name=work
source bench/common.sh
database=velmora_bench

# Dumps $table with both tools in turns, so that whatever else the machine
# does weighs on both alike, and adds their lines to the report.
measure_rows() {
  local rows=$1 dump_best= corvath_best= line dump_seconds dump_cpu dump_peak corvath_seconds corvath_cpu corvath_peak
  echo "$table" >"$work/tables.txt"
  # Both tools find the table's pages equally warm.
  sql -N -e "CHECKSUM TABLE $database.$table" >/dev/null
  echo "measuring $table, $rows rows ..."
  for _ in $(seq 1 "$runs"); do
    line=$(run_once mariadb-dump --no-defaults --protocol=TCP -h127.0.0.1 -P"$port" -u"$user" -p"$password" \
      --result-file="$work/mariadb-dump.sql" "$database" "$table")
    dump_best=$(faster "$dump_best" "$line")
    line=$(run_corvath)
    corvath_best=$(faster "$corvath_best" "$line")
  done
  read -r dump_seconds dump_cpu dump_peak <<<"$dump_best"
  read -r corvath_seconds corvath_cpu corvath_peak <<<"$corvath_best"
  dump_size=$(stat -c %s "$work/mariadb-dump.sql")
  corvath_size=$(stat -c %s "$work/corvath.sql")
  report+=("$(printf '%-11s %-9s %-13s %8s %8s %9s %10s' "$table" "$rows" mariadb-dump "$dump_seconds" "$dump_cpu" \
    "$(mib "$dump_peak")" "$(mib $((dump_size / 1024)))")")
  report+=("$(printf '%-11s %-9s %-13s %8s %8s %9s %10s   wall time x%s, CPU time x%s, peak memory x%s' "$table" \
    "$rows" corvath "$corvath_seconds" "$corvath_cpu" "$(mib "$corvath_peak")" "$(mib $((corvath_size / 1024)))" \
    "$(ratio "$corvath_seconds" "$dump_seconds")" "$(ratio "$corvath_cpu" "$dump_cpu")" \
    "$(ratio "$corvath_peak" "$dump_peak")")")
  local shown_rows
  shown_rows=$(sed ':a;s/\B[0-9]\{3\}\>/,&/;ta' <<<"$rows")
  readme+=("| $table | $shown_rows | mariadb-dump | $dump_seconds | $dump_cpu | $(mib "$dump_peak") | $((dump_size >> 20)) |")
  readme+=("| $table | $shown_rows | corvath | $corvath_seconds | $corvath_cpu | $(mib "$corvath_peak") |\
 $((corvath_size >> 20)) |")
  ratios+=("$table, $shown_rows rows: wall time $(ratio "$corvath_seconds" "$dump_seconds") times mariadb-dump's,\
 CPU time $(ratio "$corvath_cpu" "$dump_cpu") times")
}

# One run of corvath --dump of the table named in tables.txt.
run_corvath() {
  run_once "$corvath" --src="$database" --dest="$work/corvath.sql" --dump --silent --tab_file="$work/tables.txt" \
    --mysqlh=127.0.0.1 --port="$port" --mysqlu="$user" --mysqlp="$password"
}

# Waits until the server has written the loaded rows' pages, which it would
# otherwise do slowly, beside the runs.
settle() {
  sql -e "SET GLOBAL innodb_io_capacity_max = 20000; SET GLOBAL innodb_io_capacity = 20000;
          SET GLOBAL innodb_max_dirty_pages_pct = 0"
  for _ in $(seq 1 300); do
    (($(sql -N -e "SHOW GLOBAL STATUS LIKE 'Innodb_buffer_pool_pages_dirty'" | cut -f2) == 0)) && break
    sleep 1
  done
  sql -e "SET GLOBAL innodb_max_dirty_pages_pct = DEFAULT; SET GLOBAL innodb_io_capacity = DEFAULT;
          SET GLOBAL innodb_io_capacity_max = DEFAULT"
}

report=()
readme=()
ratios=()
loaded=0
for rows in "${sizes[@]}"; do
  if ((rows > loaded)); then
    echo "loading rows $((loaded + 1)) to $rows ..."
    for script in bench/bench_table.sql bench/mix_table.sql; do
      sed -e "s/FIRST_ID/$((loaded + 1))/" -e "s/LAST_ID/$rows/" "$script" | sql --default-character-set=utf8mb4
    done
    loaded=$rows
    settle
  fi
  for table in bench_rows mix_rows; do
    measure_rows "$rows"
  done
done

# Peak memory of corvath over one row holding the largest value, against the value's size.
echo "loading the large values ..."
sql --default-character-set=utf8mb4 <bench/large_values.sql
large=()
readme_large=()
for table in large_text large_blob; do
  echo "$table" >"$work/tables.txt"
  value_bytes=$(sql -N -e "SELECT LENGTH(body) FROM $database.$table")
  read -r _ _ corvath_peak < <(run_corvath)
  large+=("$(printf '%-11s %10s %9s   x%s' "$table" "$(mib $((value_bytes / 1024)))" "$(mib "$corvath_peak")" \
    "$(ratio $((corvath_peak * 1024)) "$value_bytes")")")
  readme_large+=("| $table | $(mib $((value_bytes / 1024))) | $(mib "$corvath_peak") |\
 $(ratio $((corvath_peak * 1024)) "$value_bytes") |")
done

echo
echo "MariaDB $(sql -N -e 'SELECT VERSION()'), $(nproc) CPUs, fastest of $runs run(s) of each tool"
printf '%-11s %-9s %-13s %8s %8s %9s %10s\n' table rows tool seconds "CPU s" "peak MiB" "output MiB"
printf '%s\n' "${report[@]}"
echo
echo "corvath --dump of one row holding one large value"
printf '%-11s %10s %9s   %s\n' table "value MiB" "peak MiB" "peak / value"
printf '%s\n' "${large[@]}"

echo
echo "For the README, $(nproc) CPUs, fastest of $runs run(s) of each tool:"
echo "| table | rows | tool | wall s | CPU s | peak MiB | output MiB |"
echo "|---|---:|---|---:|---:|---:|---:|"
printf '%s\n' "${readme[@]}"
echo
printf '%s\n' "${ratios[@]}"
echo
echo "| table | value MiB | peak MiB | peak / value |"
echo "|---|---:|---:|---:|"
printf '%s\n' "${readme_large[@]}"
