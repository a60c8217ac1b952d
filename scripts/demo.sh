#!/usr/bin/env bash
# Builds Verosa and runs the main job on the bundled demo project.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
exec "${BUILD_DIR:-build}/bin/verosa-cli" project info "${BUILD_DIR:-build}/share/verosa/demo/demo.mdp"
