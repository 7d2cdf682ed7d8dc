#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#   1. a short, fixed run of each libFuzzer target on its seed corpus (clang);
#   2. all tests built with AddressSanitizer and UndefinedBehaviorSanitizer;
#   3. the normal build and all tests.
# fuzz/README.md tells how to fuzz for long.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh test
jobs=$(nproc)

for preset in fuzz asan default; do
  echo "== $preset: configure, build, test"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
  ctest --preset "$preset" -j"$jobs"
done
