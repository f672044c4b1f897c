#!/usr/bin/env bash
# check_layers.sh: fails when a file under src/ includes a project header from a
# layer above its own, or from a sibling on the same level; the same between
# the subfolders of src/mssql; and when a front end reaches past the
# converter's interface.
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

# The front ends reach the converter only through its interface: nothing of
# src/mysql or src/mssql, and no converter header that names a type of
# theirs, by including their headers (directly or through another converter
# header) or by naming a class, struct or enum their headers define.
end_types=$(grep -rhoE '^(class|struct|enum class|enum)[[:space:]]+[A-Za-z_][A-Za-z0-9_]*[^;]*$' mysql mssql \
  --include='*.h' | sed -E 's/^(class|struct|enum class|enum)[[:space:]]+([A-Za-z_][A-Za-z0-9_]*).*/\2/' | sort -u)

declare -A names_an_end=()
for header in converter/*.h; do
  if grep -qE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"(mysql|mssql)/' "$header" ||
    sed 's://.*$::' "$header" | grep -qwF "$end_types"; then
    names_an_end[$header]=1
  fi
done
changed=1
while (( changed )); do
  changed=0
  for header in converter/*.h; do
    [ -n "${names_an_end[$header]+set}" ] && continue
    for included in $(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"(converter\/[^"]+)".*/\1/p' "$header"); do
      if [ -n "${names_an_end[$included]+set}" ]; then
        names_an_end[$header]=1
        changed=1
        break
      fi
    done
  done
done

for front_end in agent wizard; do
  [ -d "$front_end" ] || continue
  while IFS=: read -r file line text; do
    target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/' <<<"$text")
    if [[ $target == mysql/* || $target == mssql/* ]] || [ -n "${names_an_end[$target]+set}" ]; then
      echo "src/$file:$line: $front_end reaches the converter only through its interface: $text" >&2
      status=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"(mysql|mssql|converter)/' "$front_end" || true)
done

[ $status -eq 0 ] && echo "layering: no include from a higher or sibling layer"
exit $status
