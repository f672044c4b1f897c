#!/usr/bin/env bash
# The whole test run from a fresh machine: packages, a release build and an
# AddressSanitizer/UndefinedBehaviorSanitizer debug build, each tested by ctest
# against its own private MariaDB server, and a ThreadSanitizer debug build of
# corvath and the tests that run threads (label "threads"). Warnings are
# errors here, no folder may include from a layer above it, and the front ends
# nothing past the converter's interface (tools/check_layers.sh); every source
# file stands as clang-format writes it (tools/check_format.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/install_deps.sh
tools/check_layers.sh
tools/check_format.sh

tools/build.sh build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON -DVELMORA_WERROR=ON
tools/build.sh build/asan -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON -DBUILD_TESTING=ON -DVELMORA_WERROR=ON
# Only corvath and the tests that run threads (the threaded_tests target).
# Measured on 8 cores shared with other builds: 2m42s to build, 1m19s to test;
# about 4 minutes added to the run.
tools/build.sh build/tsan --target threaded_tests -DCMAKE_BUILD_TYPE=Debug -DVELMORA_TSAN=ON -DBUILD_TESTING=ON \
  -DVELMORA_WERROR=ON

status=0
for build in release asan; do
  echo "== ctest: $build"
  ctest --test-dir "build/$build" --output-on-failure -j"$(nproc)" || status=1
done
echo "== ctest: tsan"
ctest --test-dir build/tsan --label-regex '^threads$' --output-on-failure -j"$(nproc)" || status=1
exit $status
