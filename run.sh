#!/usr/bin/env bash
# Installs what is missing, builds, and starts Table traçante with the given options.
# --web: builds the web edition instead, and prints the path of its one HTML file.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/scripts/setup.sh"
if [ "${1:-}" = --web ]; then
  exec "$TT_ROOT/scripts/web.sh" path
fi
tt_setup
exec "$TT_BUILD/src/table-tracante" "$@"
