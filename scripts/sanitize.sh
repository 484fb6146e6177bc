#!/usr/bin/env bash
# Sanitizer stage of test.sh: a clang build with AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer in build-asan/, its whole test suite, then tours of every scene through the real
# program (its own entry point and exit path). Any sanitizer report fails the stage.
#
# The end-to-end tests (label e2e: a real X server driven by simulated clicks, minutes each) run
# in the main stage only, to keep the whole of test.sh within its time budget; TT_SANITIZE_E2E=1
# runs them here too. The tours below cover the program on X under the sanitizers.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

BUILD="$TT_ROOT/build-asan"
SUPPRESSIONS="$TT_ROOT/scripts/sanitizers"
scratch=$(mktemp -d)
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

# ---- build (configured only when the build directory is new)
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  tt_log "Sanitizers : configuration (clang, ASan + UBSan, -O1 -g)"
  # _GLIBCXX_SANITIZE_VECTOR: reads past a vector's size within its capacity are reported too.
  cmake -S "$TT_ROOT" -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
    "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1 -D_GLIBCXX_SANITIZE_VECTOR=1" \
    -DTT_SANITIZE=ON -DTT_WERROR=ON >/dev/null || exit 1
fi
tt_log "Sanitizers : compilation"
cmake --build "$BUILD" -- -j"$(nproc)" | grep -v -E '^\[[0-9]+/[0-9]+\] '
[ "${PIPESTATUS[0]}" -eq 0 ] || exit 1

# ---- what the sanitizers do on a report: stop the program with a failure status, and write the
# report to a file (shown at the end of the stage) rather than to stderr, so that a report from a
# child process whose status or output a test ignores still fails the stage.
reports="$scratch/reports"
mkdir "$reports"
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:\
check_initialization_order=1:strict_init_order=1:log_path=$reports/report"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$reports/report"
export LSAN_OPTIONS="suppressions=$SUPPRESSIONS/lsan.supp:print_suppressions=0"
if symbolizer=$(command -v llvm-symbolizer); then
  export ASAN_SYMBOLIZER_PATH="$symbolizer"
fi
export QT_QPA_PLATFORM=offscreen

status=0
fail() {
  tt_log "ÉCHEC (sanitizers) : $*"
  status=1
}

built_at=$SECONDS

# ---- the test suite
tt_log "Sanitizers : tests"
# The long runs (label longrun, 100,000 ticks each) would take an hour under the sanitizers: the
# tours below play every scene instead.
ctest_filter=(-LE 'e2e|longrun')
[ "${TT_SANITIZE_E2E:-0}" = 1 ] && ctest_filter=(-LE longrun)
ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)" "${ctest_filter[@]}" \
  || fail "des tests échouent sous les sanitizers"

tested_at=$SECONDS

# ---- tours of the real program
exe="$BUILD/src/table-tracante"

# Every scene: the presentation, then each lesson restarted in its middle, played to its end and
# past it, its comment button clicked; a lesson interrupted by another and by the presentation; a
# lesson played again after its button was made.
tour=(--ticks 2 --select 0 --ticks 3)
for item in 1 2 3 4 5 6; do
  tour+=(--select "$item" --ticks 70 --select "$item" --ticks 161)
  [ "$item" -ge 3 ] && tour+=(--comments)
done
tour+=(--select 4 --ticks 40 --select 5 --ticks 20 --select 0 --ticks 2
       --select 3 --ticks 159 --comments --ticks 2)

# run_tour NAME DIRECTORY ARGS...: runs the program in DIRECTORY; it must succeed, write its
# picture and find a comment button wherever the tour clicks one.
run_tour() {
  local name="$1" dir="$2"
  shift 2
  tt_log "Sanitizers : visite « $name »"
  rm -f "$scratch/tour.png" "$scratch/tour.gif"
  (cd "$dir" && "$exe" "$@") >"$scratch/tour.out" 2>&1
  local rc=$?
  if [ "$rc" -ne 0 ]; then
    cat "$scratch/tour.out" >&2
    fail "visite « $name » : code de sortie $rc"
  elif [ ! -s "$scratch/tour.png" ] && [ ! -s "$scratch/tour.gif" ]; then
    fail "visite « $name » : aucune image écrite"
  elif grep -q -F -e "--comments : aucun bouton" "$scratch/tour.out"; then
    fail "visite « $name » : un bouton de commentaire attendu n'est pas affiché"
  fi
}

mkdir "$scratch/cwd"
run_tour "toutes les scènes" "$scratch/cwd" --snapshot "$scratch/tour.png" "${tour[@]}"
run_tour "enregistrement GIF" "$scratch/cwd" --record "$scratch/tour.gif" \
  --ticks 2 --select 6 --ticks 30 --select 6 --ticks 159 --comments --select 2 --ticks 3

# Commentary documents that are damaged, hostile, a directory or too large, found first in the
# current directory: each panel shows what could be read and the program goes on.
docs="$scratch/damaged"
mkdir "$docs"
cp "$TT_ROOT/fuzz/corpus/braces_deep.rtf" "$docs/komm1.rtf"
head -c 1500 "$TT_ROOT/data/komm2.rtf" >"$docs/komm2.rtf"
mkdir "$docs/komm3.rtf"
truncate -s 3M "$docs/komm4.rtf"
printf '{\\rtf1 \\u8233 \\u-560 \\bin999999 x' >"$docs/komm5.rtf"
run_tour "documents abîmés" "$docs" --snapshot "$scratch/tour.png" \
  --ticks 2 --select 2 --ticks 159 --select 3 --ticks 159 --comments --select 4 --ticks 159 \
  --comments --select 5 --ticks 159 --comments --select 6 --ticks 159 --comments

# The same tour on a real X server (the xcb platform, its fonts and its libraries).
if command -v Xvfb >/dev/null 2>&1; then
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$scratch/display" \
    >"$scratch/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$scratch/display" ] && break
    sleep 0.1
  done
  if [ -s "$scratch/display" ]; then
    DISPLAY=":$(head -n 1 "$scratch/display")" QT_QPA_PLATFORM=xcb \
      run_tour "toutes les scènes sous X" "$scratch/cwd" --snapshot "$scratch/tour.png" "${tour[@]}"
  else
    cat "$scratch/xvfb.log" >&2
    fail "Xvfb ne démarre pas"
  fi
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
else
  fail "Xvfb manque (paquet xvfb) : la visite sous X n'a pas eu lieu"
fi

# ---- every report, wherever it came from
if compgen -G "$reports/report*" >/dev/null; then
  for report in "$reports"/report*; do
    tt_log "Rapport : $(basename "$report")"
    cat "$report" >&2
  done
  fail "$(find "$reports" -type f | wc -l) rapport(s) des sanitizers"
fi

tt_log "Sanitizers : compilation ${built_at} s, tests $((tested_at - built_at)) s, \
visites $((SECONDS - tested_at)) s"
[ "$status" -eq 0 ] && tt_log "Sanitizers : aucun rapport."
exit "$status"
