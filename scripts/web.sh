#!/usr/bin/env bash
# The web edition (web/), built with Debian's Emscripten into build-web/:
#   scripts/web.sh build   table-tracante.html (one file: page, scripts, WebAssembly) and
#                          tt_core.js (the same core for Node); prints the time and the size
#   scripts/web.sh path    builds, then prints the HTML file's path alone
#   scripts/web.sh test    builds, then the shell's logic under Node, the frame checksums of the
#                          core's WebAssembly under Node (tests/data/frames.txt), and a tour of the
#                          page in headless Chromium (compared with build/'s desktop program when
#                          it is there)
#   scripts/web.sh bench   the tick, native (build/bench/tick_bench) and WebAssembly, in one table
# While the core is the stand-in (web/stub_core.cpp), no frame can match the desktop's: the
# checksums and the comparison with the desktop's picture are then reported, not enforced.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
web_build_dir="$TT_ROOT/build-web"
web_html="$web_build_dir/table-tracante.html"
web_core="$web_build_dir/tt_core.js"

web_build() {
  tt_install_packages cmake ninja-build emscripten || return 1
  if [ ! -f "$web_build_dir/CMakeCache.txt" ]; then
    local log
    # Combined sources, as the desktop's build: the core compiles in a third less time.
    log=$(emcmake cmake -S "$TT_ROOT/web" -B "$web_build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_UNITY_BUILD=ON 2>&1) || { echo "$log" >&2; return 1; }
  fi
  local start
  start=$(date +%s%N)
  cmake --build "$web_build_dir" -- -j"$(nproc)" | grep -v -E '^\[[0-9]+/[0-9]+\] '
  [ "${PIPESTATUS[0]}" -eq 0 ] || return 1
  local ms=$((($(date +%s%N) - start) / 1000000))
  printf '%s : %d Kio, compilé en %d.%d s\n' "$web_html" $(($(stat -c %s "$web_html") / 1024)) \
    $((ms / 1000)) $((ms % 1000 / 100)) >&2
}

web_dry() {
  grep -q 'stub_core.cpp' "$web_build_dir/CMakeCache.txt" && echo --dry
}

# step NAME COMMAND...: runs one step of the tests, says how long it took, and remembers a failure.
web_failed=0
step() {
  local name="$1" start=$SECONDS
  shift
  tt_log "Web : $name"
  "$@" || web_failed=1
  echo "  ($name : $((SECONDS - start)) s)" >&2
}

# The page's own logic: node's test runner, its report shown whole only when a test fails.
web_logic() {
  local out
  out=$(node --test "$TT_ROOT/web/tests/logic_test.js" 2>&1) || { echo "$out"; return 1; }
  grep -E '^# (tests|pass|fail)' <<<"$out" | tr '\n' ' '
  echo
}

web_test() {
  tt_install_packages chromium || return 1
  step "compilation" web_build || return 1
  local dry desktop="$TT_BUILD/src/table-tracante"
  dry=$(web_dry)
  [ -x "$desktop" ] || desktop=""
  step "logique de la page" web_logic
  step "sommes de contrôle des images" node "$TT_ROOT/web/tests/frames.js" "$web_core" \
    "$TT_ROOT/tests/data/frames.txt" $dry
  step "visite dans Chromium" env TT_DESKTOP="$desktop" \
    node "$TT_ROOT/web/tests/browser_tour.js" "$web_html" $dry
  return "$web_failed"
}

web_bench() {
  web_build || return 1
  local csv
  csv=$(mktemp)
  if [ "${TT_NO_BUILD:-0}" != 1 ]; then tt_configure_and_build tick_bench || return 1; fi
  QT_QPA_PLATFORM=offscreen "$TT_BUILD/bench/tick_bench" --benchmark_filter='^(tick|core|end)/' \
    --benchmark_repetitions="${TT_BENCH_REPS:-5}" --benchmark_min_time=0.05 \
    --benchmark_report_aggregates_only=true --benchmark_format=csv >"$csv" 2>/dev/null
  node "$TT_ROOT/bench/wasm_tick.js" "$web_core" --native "$csv" --reps "${TT_BENCH_REPS:-5}"
  local rc=$?
  rm -f "$csv"
  return $rc
}

case "${1:-}" in
  build) web_build ;;
  path) web_build >&2 && echo "$web_html" ;;
  test) web_test ;;
  bench) web_bench ;;
  *)
    echo "usage : scripts/web.sh build|path|test|bench" >&2
    exit 2
    ;;
esac
