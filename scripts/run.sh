#!/usr/bin/env bash
# Installs what is needed, builds Quillbase and starts the desktop program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
QB_BUILD_DIR=build scripts/build.sh --log-level=WARNING
exec build/app/quillbase
