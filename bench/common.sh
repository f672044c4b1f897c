# What the benchmark scripts share, sourced from the top of the checkout with
# $root, $runs and $work_name set: the release build of corvath and of the
# measuring tool, the private MariaDB server holding the benchmark table, and
# the timing of a tool as the best of $runs runs.
build=$root/build/bench
work=$build/$work_name
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
table=bench_rows
echo "$table" >"$work/tables.txt"

sql() { mariadb --no-defaults --protocol=TCP -h127.0.0.1 -P"$port" -u"$user" -p"$password" "$@"; }

# Runs one tool once; prints "<seconds> <CPU seconds> <peak KiB>".
run_once() {
  local line
  line=$("$measure" "$@" 2>&1 >/dev/null | tail -n 1)
  [[ $line == seconds=* ]] || { echo "failed: $* ($line)" >&2; exit 1; }
  sed -E 's/seconds=([^ ]*) cpu=([^ ]*) peak_kib=([^ ]*)/\1 \2 \3/' <<<"$line"
}

# The faster of two lines of run_once; the second when the first is empty.
faster() {
  if [[ -z $1 ]] || awk -v a="${2%% *}" -v b="${1%% *}" 'BEGIN { exit !(a < b) }'; then
    echo "$2"
  else
    echo "$1"
  fi
}

# Runs one tool $runs times, each time after the command in $before_each (none
# when unset); prints the line of run_once of the fastest run.
best_of() {
  local best= line
  for _ in $(seq 1 "$runs"); do
    ${before_each:-:}
    line=$(run_once "$@") || exit 1
    best=$(faster "$best" "$line")
  done
  echo "$best"
}

mib() { awk -v kib="$1" 'BEGIN { printf "%.1f", kib / 1024 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
