#!/usr/bin/env bash
# Installs what is missing, configures and builds Verosa into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B "${BUILD_DIR:-build}" -G Ninja ${CMAKE_ARGS:-} >/dev/null
cmake --build "${BUILD_DIR:-build}" -j2
