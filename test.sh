#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/scripts/setup.sh"
tt_setup
export QT_QPA_PLATFORM=offscreen
tt_log "Tests"
ctest --test-dir "$TT_BUILD" --output-on-failure -j"$(nproc)"
