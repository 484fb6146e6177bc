#!/usr/bin/env bash
# Remakes the pictures of the README from the program itself (headless).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
exe=../build/src/table-tracante
[ -x "$exe" ] || { echo "build first: ./run.sh --help" >&2; exit 1; }
"$exe" --snapshot idle.png --ticks 2
"$exe" --snapshot presentation.png --ticks 2 --select 0 --ticks 3
"$exe" --snapshot open-loop.png --ticks 2 --select 1 --ticks 159
"$exe" --snapshot low-gain.png --ticks 2 --select 2 --ticks 159
"$exe" --snapshot high-gain.png --ticks 2 --select 3 --ticks 159 --comments
"$exe" --snapshot instability.png --ticks 2 --select 4 --ticks 159
"$exe" --snapshot trapezoid.png --ticks 2 --select 5 --ticks 159
"$exe" --snapshot non-linearity.png --ticks 2 --select 6 --ticks 159
"$exe" --snapshot lab.png --ticks 2 --select 7 --set G=16.34 --set amplitude=0.5 --set Usat=off \
  --ticks 159
# zoom-200.png is a screenshot of the window on a display, at 200 %, the high-gain lesson ended.
