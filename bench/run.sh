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
work_name=work
source bench/common.sh
database=velmora_bench

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
