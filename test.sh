#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/scripts/setup.sh"
tt_setup_tests || exit 1
export QT_QPA_PLATFORM=offscreen

status=0
tt_log "Tests"
ctest --test-dir "$TT_BUILD" --output-on-failure -j"$(nproc)" || status=1

if [ "$status" -eq 0 ]; then tt_log "Tous les tests sont passés."; else tt_log "ÉCHEC"; fi
exit "$status"
