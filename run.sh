#!/usr/bin/env bash
# Installs what is missing, builds if needed and starts pacecfg (or: ./run.sh pacemon).
set -euo pipefail
cd "$(dirname "$0")"

program=${1:-pacecfg}
case "$program" in
  pacecfg) folder=setup ;;
  pacemon) folder=monitor ;;
  *) echo "usage: ./run.sh [pacecfg|pacemon]" >&2; exit 2 ;;
esac

scripts/install-deps.sh run
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=Release -DPACE_BUILD_TESTS=OFF >/dev/null
cmake --build build-run --target "$program"
exec "build-run/$folder/$program"
