#!/usr/bin/env bash
# check_format.sh: fails when clang-format (the .clang-format at the top) would
# change any C++ file under src, tests or bench, include order included.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

find src tests bench -name '*.cpp' -o -name '*.h' | sort | xargs clang-format --dry-run --Werror
echo "format: every source file as clang-format writes it"
