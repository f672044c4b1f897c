#!/usr/bin/env bash
# build.sh DIR [--target TARGET] [cmake options...]: configures the project
# into DIR and builds everything, or only TARGET and what it needs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
target=()
if [[ ${1:-} == --target ]]; then
  target=(--target "$2")
  shift 2
fi
cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir" "${target[@]}" -- -j"$(nproc)"
