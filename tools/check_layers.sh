#!/usr/bin/env bash
# check_layers.sh: fails when a file under src/ includes a project header from a
# layer above its own, or from a sibling on the same level.
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
[ $status -eq 0 ] && echo "layering: no include from a higher or sibling layer"
exit $status
