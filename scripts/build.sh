#!/usr/bin/env bash
# Configures and builds the project into build/ (as the invoking user when run through sudo).
set -euo pipefail
cd "$(dirname "$0")/.."

build() {
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build --parallel "$(nproc)"
}

if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
  sudo -u "$SUDO_USER" -H bash -c "$(declare -f build); build"
else
  build
fi
