#!/usr/bin/env bash
# corvath straight into a SQL Server against freebcp loading the same rows into
# the same server: the benchmark table of bench/bench_table.sql goes from a
# private MariaDB server into the SQL Server by corvath (direct mode, default
# options); the server then exports those rows with freebcp into a character
# file, which freebcp loads into an empty copy of the table. Wall time, rows a
# second and peak memory of each, side by side. Then the same for a table of
# large values (bench/long_rows.sql: LONG_ROWS rows, default 20000, each with
# a text of 20 KiB), and corvath's peak memory over one row holding a 64 MiB
# text and one holding a 64 MiB blob (bench/large_values.sql), converted and
# then merged into the tables it made (modes 3 and 4).
#   MSSQL_TEST_SERVER=host[,port] MSSQL_TEST_LOGIN=... MSSQL_TEST_PASSWORD=... \
#   bash bench/direct_run.sh [ROWS]      (default 1000000; RUNS=n repeats each tool, best kept)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

rows=${1:-1000000}
long_rows=${LONG_ROWS:-20000}
runs=${RUNS:-2}
: "${MSSQL_TEST_SERVER:?name the SQL Server in MSSQL_TEST_SERVER}"
: "${MSSQL_TEST_LOGIN:?give the login in MSSQL_TEST_LOGIN}"
: "${MSSQL_TEST_PASSWORD:?give the password in MSSQL_TEST_PASSWORD}"
work_name=direct
source bench/common.sh
source_db=velmora_bench
dest_db=velmora_bench_direct

# FreeTDS's own tools name the server by a section of their configuration file.
mssql_host=${MSSQL_TEST_SERVER%%,*}
mssql_port=1433
[[ $MSSQL_TEST_SERVER == *,* ]] && mssql_port=${MSSQL_TEST_SERVER#*,}
cat >"$work/freetds.conf" <<EOF
[velmora_bench]
	host = $mssql_host
	port = $mssql_port
	tds version = 7.4
	client charset = UTF-8
EOF
export FREETDSCONF=$work/freetds.conf
tds() {
  printf '%s\ngo\n' "$1" | tsql -S velmora_bench -U "$MSSQL_TEST_LOGIN" -P "$MSSQL_TEST_PASSWORD" -D "$dest_db" -o q 2>&1
}
bcp() {
  freebcp "$1" "$2" "$3" -c -S velmora_bench -U "$MSSQL_TEST_LOGIN" -P "$MSSQL_TEST_PASSWORD" -D "$dest_db"
}

# Counts, sums and NULLs of every column: the same on both sides when every
# value arrived (LEN leaves out trailing blanks, hence the added character).
fingerprint_mariadb() {
  sql -N -e "SELECT COUNT(*), SUM(id), SUM(quantity), SUM(total), SUM(price), ROUND(SUM(ratio), 3),
    SUM(DATEDIFF(born, '1950-01-01')), SUM(TIMESTAMPDIFF(SECOND, '2020-01-01', stamp)), SUM(CHAR_LENGTH(code)),
    SUM(CHAR_LENGTH(city)), SUM(CHAR_LENGTH(note)), SUM(LENGTH(digest)) FROM $source_db.$table" | tr -s '\t ' ' '
}
fingerprint_mssql() {
  tds "SELECT COUNT(*), SUM(CAST(id AS BIGINT)), SUM(CAST(quantity AS BIGINT)), SUM(total), SUM(price),
    CAST(ROUND(SUM(ratio), 3) AS DECIMAL(38,3)), SUM(CAST(DATEDIFF(day, '1950-01-01', born) AS BIGINT)),
    SUM(CAST(DATEDIFF(second, '2020-01-01', stamp) AS BIGINT)), SUM(CAST(LEN(code + 'x') - 1 AS BIGINT)),
    SUM(CAST(LEN(city + 'x') - 1 AS BIGINT)), SUM(CAST(LEN(note + 'x') - 1 AS BIGINT)), SUM(CAST(DATALENGTH(digest) AS BIGINT))
    FROM dbo.$1" | grep -v '^\s*$' | tail -n 1 | tr -s '\t ' ' '
}

echo "loading $rows rows ..."
sed -e "s/FIRST_ID/1/" -e "s/LAST_ID/$rows/" bench/bench_table.sql | sql --default-character-set=utf8mb4
sql -N -e "CHECKSUM TABLE $source_db.$table" >/dev/null

empty_copy() { tds "TRUNCATE TABLE dbo.bench_copy" >/dev/null; }

echo "corvath into $MSSQL_TEST_SERVER ..."
read -r corvath_seconds corvath_cpu corvath_peak < <(best_of "$corvath" --src="$source_db" \
  --dest="$dest_db" --mode=0 --silent --tab_file="$work/tables.txt" --mysqlh=127.0.0.1 --port="$port" \
  --mysqlu="$user" --mysqlp="$password" --mssqlh="$MSSQL_TEST_SERVER" --mssqlu="$MSSQL_TEST_LOGIN" \
  --mssqlp="$MSSQL_TEST_PASSWORD")
source_print=$(fingerprint_mariadb)
corvath_print=$(fingerprint_mssql "$table")

echo "freebcp out ..."
bcp "dbo.$table" out "$work/rows.bcp" >/dev/null
tds "SELECT * INTO dbo.bench_copy FROM dbo.$table WHERE 1 = 0" >/dev/null
echo "freebcp in ..."
read -r bcp_seconds bcp_cpu bcp_peak < <(before_each=empty_copy best_of freebcp "dbo.bench_copy" in "$work/rows.bcp" -c \
  -S velmora_bench -U "$MSSQL_TEST_LOGIN" -P "$MSSQL_TEST_PASSWORD" -D "$dest_db")
bcp_print=$(fingerprint_mssql bench_copy)

per_second() { awk -v n="$rows" -v s="$1" 'BEGIN { printf "%.0f", n / s }'; }

echo
echo "$(tds 'SELECT @@VERSION' | grep -m 1 -E 'SQL Server|Babelfish' | sed 's/^\s*//'), $(nproc) CPUs,"
echo "fastest of $runs run(s) of each tool, $rows rows"
printf '%-8s %8s %8s %10s %9s\n' tool seconds "CPU s" "rows/s" "peak MiB"
printf '%-8s %8s %8s %10s %9s\n' corvath "$corvath_seconds" "$corvath_cpu" "$(per_second "$corvath_seconds")" \
  "$(mib "$corvath_peak")"
printf '%-8s %8s %8s %10s %9s\n' freebcp "$bcp_seconds" "$bcp_cpu" "$(per_second "$bcp_seconds")" "$(mib "$bcp_peak")"
echo "corvath's throughput is x$(ratio "$bcp_seconds" "$corvath_seconds") freebcp's (wall time x$(ratio \
  "$corvath_seconds" "$bcp_seconds"))"
echo "source:  $source_print"
echo "corvath: $corvath_print"
echo "freebcp: $bcp_print"
[[ $source_print == "$corvath_print" ]] || { echo "corvath's rows differ from the source" >&2; exit 1; }

# A table of large values: every text is longer than FreeTDS takes in one
# value of a bulk copy. corvath converts it into a new database (default
# options); freebcp loads the rows that arrived, exported to a character file,
# into an empty copy of the table.
echo
echo "loading $long_rows rows of 20 KiB ..."
sed "s/ROWS/$long_rows/" bench/long_rows.sql | sql --default-character-set=utf8mb4
echo long_rows >"$work/long_tables.txt"
echo "corvath into $MSSQL_TEST_SERVER ..."
read -r long_seconds long_cpu long_peak < <(best_of "$corvath" --src="$source_db" --dest="$dest_db" --mode=0 \
  --silent --tab_file="$work/long_tables.txt" --mysqlh=127.0.0.1 --port="$port" --mysqlu="$user" \
  --mysqlp="$password" --mssqlh="$MSSQL_TEST_SERVER" --mssqlu="$MSSQL_TEST_LOGIN" --mssqlp="$MSSQL_TEST_PASSWORD")
long_print() {
  tds "SELECT COUNT(*), SUM(CAST(id AS BIGINT)), SUM(CAST(LEN(body) AS BIGINT)) FROM dbo.$1" | grep -v '^\s*$' |
    tail -n 1 | tr -s '\t ' ' '
}
long_source=$(sql -N -e "SELECT COUNT(*), SUM(id), SUM(CHAR_LENGTH(body)) FROM $source_db.long_rows" | tr -s '\t ' ' ')
long_corvath=$(long_print long_rows)
echo "freebcp out ..."
bcp "dbo.long_rows" out "$work/long_rows.bcp" >/dev/null
tds "SELECT * INTO dbo.long_copy FROM dbo.long_rows WHERE 1 = 0" >/dev/null
echo "freebcp in ..."
empty_long_copy() { tds "TRUNCATE TABLE dbo.long_copy" >/dev/null; }
read -r long_bcp_seconds long_bcp_cpu long_bcp_peak < <(before_each=empty_long_copy best_of freebcp "dbo.long_copy" \
  in "$work/long_rows.bcp" -c -S velmora_bench -U "$MSSQL_TEST_LOGIN" -P "$MSSQL_TEST_PASSWORD" -D "$dest_db")
long_bcp=$(long_print long_copy)

# One row holding a 64 MiB text, one holding a 64 MiB blob: corvath's peak.
sql --default-character-set=utf8mb4 <bench/large_values.sql
echo large_text >"$work/large_text.txt"
echo large_blob >"$work/large_blob.txt"
read -r _ _ text_peak < <(best_of "$corvath" --src="$source_db" --dest="$dest_db" --mode=0 --silent \
  --tab_file="$work/large_text.txt" --mysqlh=127.0.0.1 --port="$port" --mysqlu="$user" --mysqlp="$password" \
  --mssqlh="$MSSQL_TEST_SERVER" --mssqlu="$MSSQL_TEST_LOGIN" --mssqlp="$MSSQL_TEST_PASSWORD")
read -r _ _ blob_peak < <(best_of "$corvath" --src="$source_db" --dest="$dest_db" --mode=0 --silent \
  --tab_file="$work/large_blob.txt" --mysqlh=127.0.0.1 --port="$port" --mysqlu="$user" --mysqlp="$password" \
  --mssqlh="$MSSQL_TEST_SERVER" --mssqlu="$MSSQL_TEST_LOGIN" --mssqlp="$MSSQL_TEST_PASSWORD")

# The same rows merged by statements into the tables those runs made: mode 4
# updates the row each table holds, mode 3 inserts it again once deleted.
merge_peak() {
  local peak
  read -r _ _ peak < <(best_of "$corvath" --src="$source_db" --dest="$dest_db" --mode="$1" --silent \
    --tab_file="$work/$2.txt" --mysqlh=127.0.0.1 --port="$port" --mysqlu="$user" --mysqlp="$password" \
    --mssqlh="$MSSQL_TEST_SERVER" --mssqlu="$MSSQL_TEST_LOGIN" --mssqlp="$MSSQL_TEST_PASSWORD")
  echo "$peak"
}
delete_large_text() { tds "DELETE FROM dbo.large_text" >/dev/null; }
delete_large_blob() { tds "DELETE FROM dbo.large_blob" >/dev/null; }
update_text_peak=$(merge_peak 4 large_text)
update_blob_peak=$(merge_peak 4 large_blob)
insert_text_peak=$(before_each=delete_large_text merge_peak 3 large_text)
insert_blob_peak=$(before_each=delete_large_blob merge_peak 3 large_blob)

echo
echo "fastest of $runs run(s) of each tool, $long_rows rows of a 20 KiB text"
printf '%-8s %8s %8s %10s %9s\n' tool seconds "CPU s" "rows/s" "peak MiB"
long_per_second() { awk -v n="$long_rows" -v s="$1" 'BEGIN { printf "%.0f", n / s }'; }
printf '%-8s %8s %8s %10s %9s\n' corvath "$long_seconds" "$long_cpu" "$(long_per_second "$long_seconds")" \
  "$(mib "$long_peak")"
printf '%-8s %8s %8s %10s %9s\n' freebcp "$long_bcp_seconds" "$long_bcp_cpu" "$(long_per_second \
  "$long_bcp_seconds")" "$(mib "$long_bcp_peak")"
echo "corvath's wall time is x$(ratio "$long_seconds" "$long_bcp_seconds") freebcp's"
echo "source:  $long_source"
echo "corvath: $long_corvath"
echo "freebcp: $long_bcp"
echo "peak memory over one 64 MiB value: text $(mib "$text_peak") MiB, blob $(mib "$blob_peak") MiB"
echo "merged into an existing table: inserted (mode 3) text $(mib "$insert_text_peak") MiB, blob\
 $(mib "$insert_blob_peak") MiB; updated (mode 4) text $(mib "$update_text_peak") MiB, blob $(mib "$update_blob_peak") MiB"
[[ $long_source == "$long_corvath" ]] || { echo "corvath's long rows differ from the source" >&2; exit 1; }
