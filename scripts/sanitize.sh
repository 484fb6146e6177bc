#!/usr/bin/env bash
# Sanitizer stage of test.sh: a clang build with AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer in build-asan/ (which also holds the fuzzer, see scripts/fuzz.sh), the headless
# tests, then tours of the real program through its own entry and exit: every scene with its
# comment pages, a recording, and damaged documents. Any sanitizer report fails the stage.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

BUILD="$TT_ROOT/build-asan"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  tt_log "Sanitizers : configuration (clang, ASan + UBSan, -O1)"
  # (The fuzzer's RTF reader is also built with _GLIBCXX_SANITIZE_VECTOR; the rest is not, as the
  # test library it links with was not.)
  cmake -S "$TT_ROOT" -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG=-O1 -DTT_SANITIZE=ON -DTT_FUZZ=ON -DTT_WERROR=ON \
    -DCMAKE_UNITY_BUILD=ON >/dev/null || exit 1
fi
tt_log "Sanitizers : compilation"
cmake --build "$BUILD" --target tt_tests table-tracante rtf_fuzz -- -j"$(nproc)" \
  | grep -v -E '^\[[0-9]+/[0-9]+\] '
[ "${PIPESTATUS[0]}" -eq 0 ] || exit 1

# A report stops the program and goes to a file, so that one from a process whose status a test
# ignores still fails the stage.
reports="$scratch/reports"
mkdir "$reports"
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:\
check_initialization_order=1:strict_init_order=1:log_path=$reports/report"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$reports/report"
export LSAN_OPTIONS="suppressions=$TT_ROOT/scripts/sanitizers/lsan.supp:print_suppressions=0"
export QT_QPA_PLATFORM=offscreen
status=0
fail() { tt_log "ÉCHEC (sanitizers) : $*"; status=1; }

# The headless tests; the checksums of every frame are left to the main stage (a few minutes
# under the sanitizers), the tours below play every scene instead.
tt_log "Sanitizers : tests"
# In six shards, as many at a time as there are cores: the longest tests fall in different
# shards, and a core that is done takes the next one.
shards=6
failed=0
running=0
for ((shard = 0; shard < shards; ++shard)); do
  if [ "$running" -ge "$(nproc)" ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
  (cd "$BUILD/tests" && GTEST_TOTAL_SHARDS=$shards GTEST_SHARD_INDEX=$shard \
    ./tt_tests --gtest_brief=1 --gtest_filter='-Frames*') >"$scratch/tests$shard.log" 2>&1 &
  running=$((running + 1))
done
for ((; running > 0; --running)); do
  wait -n || failed=1
done
if [ "$failed" -ne 0 ]; then
  cat "$scratch"/tests*.log | tail -n 40 >&2
  fail "des tests échouent sous les sanitizers"
fi

# tour NAME DIRECTORY ARGS...: the program, run in DIRECTORY, succeeds and shows every comment
# page the tour asks for.
tour() {
  local name="$1" dir="$2"
  shift 2
  tt_log "Sanitizers : visite « $name »"
  (cd "$dir" && "$BUILD/src/table-tracante" "$@") >"$scratch/tour.log" 2>&1 \
    || { cat "$scratch/tour.log" >&2; fail "visite « $name »"; }
  ! grep -q -e "aucun bouton" "$scratch/tour.log" || fail "visite « $name » : bouton absent"
}
all=(--ticks 2 --select 0 --ticks 3)
for item in 1 2 3 4 5 6; do
  all+=(--select "$item" --ticks 70 --select "$item" --ticks 161)
  [ "$item" -ge 3 ] && all+=(--comments)
done
all+=(--set G=321 --select 7 --ticks 80 --set U0=1 --ticks 80 --comments --set forme=sinus --select 7
      --ticks 159)
mkdir "$scratch/cwd" "$scratch/damaged"
tour "toutes les scènes" "$scratch/cwd" --snapshot "$scratch/all.png" "${all[@]}"
tour "enregistrement" "$scratch/cwd" --record "$scratch/rec.gif" --ticks 2 --select 6 --ticks 159 \
  --comments
# Damaged, hostile, oversized documents and a directory, found first in the current directory.
cp "$TT_ROOT/fuzz/corpus/braces_deep.rtf" "$scratch/damaged/komm1.rtf"
head -c 1500 "$TT_ROOT/data/komm2.rtf" >"$scratch/damaged/komm2.rtf"
mkdir "$scratch/damaged/komm3.rtf"
truncate -s 3M "$scratch/damaged/komm4.rtf"
printf '{\\rtf1 \\u8233 \\u-560 \\bin999999 x' >"$scratch/damaged/komm5.rtf"
tour "documents abîmés" "$scratch/damaged" --snapshot "$scratch/damaged.png" --ticks 2 \
  --select 2 --ticks 159 --select 3 --ticks 159 --comments --select 4 --ticks 159 --comments \
  --select 5 --ticks 159 --comments --select 6 --ticks 159 --comments

if compgen -G "$reports/report*" >/dev/null; then
  cat "$reports"/report* >&2
  fail "$(find "$reports" -type f | wc -l) rapport(s) des sanitizers"
fi
[ "$status" -eq 0 ] && tt_log "Sanitizers : aucun rapport."
exit "$status"
