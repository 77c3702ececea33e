#!/usr/bin/env bash
# Builds the benchmarks and runs them one after another (never part of the tests).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DQUORVANE_BENCH=ON
cmake --build build-bench -j"$(nproc)"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
for b in build-bench/bin/bench_*; do
  echo "== $(basename "$b")"
  "$b" "$@" || echo "   (outside its target)"
done
