#!/usr/bin/env bash
# Installs what is missing, builds, and starts Table traçante with the given options.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/scripts/setup.sh"
tt_setup
exec "$TT_BUILD/src/table-tracante" "$@"
