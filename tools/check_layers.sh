#!/usr/bin/env bash
# check_layers.sh: fails when a file under src/ includes a project header from a
# layer above its own, or from a sibling on the same level; the same between
# the subfolders of src/mssql.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root/src"

# Bottom to top; folders on one line are siblings and may not include each other.
layers=(
  "platform"
  "toolkit"
  "variant"
  "model"
  "mysql mssql"
  "converter"
  "agent wizard"
)

declare -A rank
for i in "${!layers[@]}"; do
  for folder in ${layers[$i]}; do
    rank[$folder]=$i
  done
done

status=0
for folder in "${!rank[@]}"; do
  [ -d "$folder" ] || continue
  while IFS=: read -r file line text; do
    target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^/"]+)\/.*/\1/' <<<"$text")
    [ -n "${rank[$target]+set}" ] || continue
    [ "$target" = "$folder" ] && continue
    if (( ${rank[$target]} >= ${rank[$folder]} )); then
      echo "src/$file:$line: $folder may not include $target: $text" >&2
      status=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' "$folder" || true)
done
# Inside src/mssql each part names the parts below it that it may include;
# "." stands for the files at its top, which every part shares.
declare -A mssql_below=(
  ["."]=""
  ["odb"]="."
  ["direct"]=". odb"
  ["script"]="."
)

part_of() {
  local path=$1
  if [[ $path == */* ]]; then echo "${path%%/*}"; else echo "."; fi
}

while IFS=: read -r file line text; do
  from=$(part_of "${file#mssql/}")
  to=$(part_of "$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"mssql\/([^"]+)".*/\1/' <<<"$text")")
  if [ -z "${mssql_below[$from]+set}" ] || [ -z "${mssql_below[$to]+set}" ]; then
    echo "src/$file:$line: src/mssql/$from or src/mssql/$to has no place in the mssql layers" >&2
    status=1
  elif [ "$from" != "$to" ] && [[ " ${mssql_below[$from]} " != *" $to "* ]]; then
    echo "src/$file:$line: mssql/$from may not include mssql/$to: $text" >&2
    status=1
  fi
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"mssql/' mssql || true)

[ $status -eq 0 ] && echo "layering: no include from a higher or sibling layer"
exit $status
