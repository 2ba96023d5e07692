#!/usr/bin/env bash
# Installs what is needed, builds Quillbase with warnings as errors and runs every
# test: the full suite, then the engine's corruption and fuzz tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer (built with clang).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

export QT_QPA_PLATFORM=offscreen
jobs="${QB_JOBS:-$(nproc)}"

echo "== build and run all tests"
QB_BUILD_DIR=build scripts/build.sh -DQB_WERROR=ON -DQB_BUILD_TESTS=ON
# The migration tests need a PostgreSQL server: a private one runs beside ctest.
scripts/with_postgres.sh ctest --test-dir build --output-on-failure -j "$jobs" --timeout 600

echo "== engine tests under AddressSanitizer and UBSan"
QB_BUILD_DIR=build-asan QB_BUILD_TYPE=RelWithDebInfo scripts/build.sh \
  -DCMAKE_CXX_COMPILER=clang++ -DQB_BUILD_GUI=OFF -DQB_BUILD_BENCH=OFF -DQB_FUZZ=ON \
  -DQB_SANITIZE=address,undefined
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 900 -L sanitize
echo "== all tests passed"
