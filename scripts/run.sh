#!/usr/bin/env bash
# Installs what is missing, builds, creates build/bin/jsbdbf.mdb when there is
# none (an existing database is never touched) and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
cmake --build build -j"$(nproc)" --target quorvane quorvane-createdb
[ -e build/bin/jsbdbf.mdb ] || build/bin/quorvane-createdb build/bin
exec build/bin/quorvane
