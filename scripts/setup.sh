#!/usr/bin/env bash
# Installs every Debian package that building, testing and benchmarking need.
# Does nothing when all are present; uses sudo only when not running as root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev
  mdbtools
  xvfb xauth x11-apps imagemagick fonts-dejavu-core poppler-utils
  time python3
  # Migration to PostgreSQL and SQLite; the tests run a private PostgreSQL server.
  libpq-dev libsqlite3-dev sqlite3 postgresql
  # The Debian package and its check (dpkg-shlibdeps; rendering the SVG icon).
  dpkg-dev librsvg2-bin
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
