#!/usr/bin/env bash
# Configures and builds Quillbase into build/ (or $QB_BUILD_DIR).
# Extra arguments go to cmake's configure step, e.g. -DQB_BUILD_GUI=OFF.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${QB_BUILD_DIR:-build}"
jobs="${QB_JOBS:-$(nproc)}"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="${QB_BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
cmake --build "$build_dir" -j "$jobs"
