#!/usr/bin/env bash
# Fuzzing stage of test.sh: builds the libFuzzer target of the RTF reader (clang, build-fuzz/),
# replays the seed corpus and every past finding, then fuzzes for TT_FUZZ_SECONDS (60) seconds.
#
# A crash, a sanitizer report, a broken document rule, an input that takes over a second, a peak
# of heap over ten times the input plus 256 KiB (the reader's promise, which the target checks
# itself), a single allocation over 1 MiB or a process over 256 MiB fails the stage. The
# failing input is copied into fuzz/regressions/, where the test suite and this stage replay it
# from then on: commit it with the fix.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

BUILD="$TT_ROOT/build-fuzz"
FUZZ="$TT_ROOT/fuzz"
seconds="${TT_FUZZ_SECONDS:-60}"

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  tt_log "Fuzzing : configuration (clang, libFuzzer)"
  cmake -S "$TT_ROOT" -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
    -DTT_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null || exit 1
fi
tt_log "Fuzzing : compilation"
cmake --build "$BUILD" --target rtf_fuzz -- -j"$(nproc)" | grep -v -E '^\[[0-9]+/[0-9]+\] |^ninja: no work'
[ "${PIPESTATUS[0]}" -eq 0 ] || exit 1

# A smaller quarantine than AddressSanitizer's 256 MiB (each input allocates well under 1 MiB),
# so that the whole process stays far below the memory limit.
export ASAN_OPTIONS="quarantine_size_mb=32:detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# An input over a second, or a process over 256 MiB, fails. While fuzzing, inputs are at most
# 8 KiB, so that no single allocation of the reader may reach 1 MiB; libFuzzer applies that limit
# to its own allocations too (it sizes a buffer by the longest input, 1 MiB when merging), so it
# is given only there.
limits=(-timeout=1 -rss_limit_mb=256)
fuzz_limits=(-max_len=8192 -malloc_limit_mb=1)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$FUZZ/corpus-run" "$FUZZ/artifacts" "$FUZZ/regressions"

# The input libFuzzer names in its log (Test unit written to ...) becomes a regression.
keep_finding() {
  local artifact
  artifact=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$1" | tail -n 1)
  if [ -n "$artifact" ] && [ -f "$artifact" ]; then
    cp "$artifact" "$FUZZ/regressions/"
    tt_log "Entrée gardée comme régression : fuzz/regressions/$(basename "$artifact")"
  fi
}

status=0
tt_log "Fuzzing : rejeu du corpus et des régressions"
if ! "$BUILD/fuzz/rtf_fuzz" -runs=0 "${limits[@]}" -artifact_prefix="$FUZZ/artifacts/" \
  "$FUZZ/corpus" "$FUZZ/regressions" >"$scratch/replay.log" 2>&1; then
  tail -n 60 "$scratch/replay.log" >&2
  tt_log "ÉCHEC (fuzzing) : une entrée connue échoue"
  status=1
fi

# libFuzzer only adds to its working corpus: past a few thousand inputs, keep only those that
# still bring coverage, so that loading it stays quick.
if [ "$(find "$FUZZ/corpus-run" -type f | wc -l)" -gt 4000 ]; then
  tt_log "Fuzzing : réduction du corpus de travail"
  mkdir "$scratch/merged"
  if "$BUILD/fuzz/rtf_fuzz" -merge=1 -max_len=8192 "${limits[@]}" "$scratch/merged" \
    "$FUZZ/corpus-run" >"$scratch/merge.log" 2>&1; then
    rm -rf "$FUZZ/corpus-run"
    mv "$scratch/merged" "$FUZZ/corpus-run"
  fi
fi

tt_log "Fuzzing : ${seconds} s"
start=$(date +%s)
"$BUILD/fuzz/rtf_fuzz" -dict="$FUZZ/rtf.dict" -max_total_time="$seconds" \
  "${limits[@]}" "${fuzz_limits[@]}" -artifact_prefix="$FUZZ/artifacts/" -print_final_stats=1 \
  "$FUZZ/corpus-run" "$FUZZ/corpus" "$FUZZ/regressions" >"$scratch/fuzz.log" 2>&1
rc=$?
elapsed=$(($(date +%s) - start))
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$scratch/fuzz.log")
if [ "$rc" -ne 0 ]; then
  grep -v -E '^#[0-9]+' "$scratch/fuzz.log" | tail -n 80 >&2
  keep_finding "$scratch/fuzz.log"
  tt_log "ÉCHEC (fuzzing) : le fuzzer a trouvé une entrée fautive (code $rc)"
  status=1
fi
tt_log "Fuzzing : ${runs:-?} exécutions en ${elapsed} s, corpus de travail : \
$(find "$FUZZ/corpus-run" -type f | wc -l) entrées ($(du -sk "$FUZZ/corpus-run" | cut -f1) Kio)"
exit "$status"
