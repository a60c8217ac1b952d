#!/usr/bin/env bash
# Checks the include layering, builds Verosa and runs every test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# A bad include fails here, before the build (docs/ARCHITECTURE.md).
scripts/include-graph.py --check
# Warnings fail the build here (packagers build without -Werror).
CMAKE_ARGS="-DVEROSA_WERROR=ON ${CMAKE_ARGS:-}" scripts/build.sh
cd "${BUILD_DIR:-build}"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 300
