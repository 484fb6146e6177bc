#!/usr/bin/env bash
# Fuzzing stage of test.sh: the libFuzzer target of the RTF reader, built with the sanitizers in
# build-asan/, replays the seed corpus and every past finding, then fuzzes for TT_FUZZ_SECONDS
# (20) seconds. A crash, a sanitizer report, a broken document rule, an input over a second, a
# peak of heap over ten times the input plus 256 KiB (the target checks it), an allocation over
# 1 MiB or a process over 256 MiB fails the stage; the input is kept in fuzz/regressions/, which
# the test suite replays too: commit it with the fix.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

BUILD="$TT_ROOT/build-asan"
FUZZ="$TT_ROOT/fuzz"
seconds="${TT_FUZZ_SECONDS:-20}"
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S "$TT_ROOT" -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
    -DTT_SANITIZE=ON -DTT_FUZZ=ON >/dev/null || exit 1
fi
cmake --build "$BUILD" --target rtf_fuzz -- -j"$(nproc)" >/dev/null || exit 1

export ASAN_OPTIONS="quarantine_size_mb=32:detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Inputs of at most 8 KiB while fuzzing, so that no allocation of the reader may reach 1 MiB
# (libFuzzer's own buffers are sized by the longest input of the corpora it loads).
limits=(-timeout=1 -rss_limit_mb=256 -artifact_prefix="$FUZZ/artifacts/")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$FUZZ/corpus-run" "$FUZZ/artifacts"

status=0
tt_log "Fuzzing : rejeu du corpus et des régressions, puis ${seconds} s"
if ! "$BUILD/fuzz/rtf_fuzz" -runs=0 "${limits[@]}" "$FUZZ/corpus" "$FUZZ/regressions" \
  >"$scratch/replay.log" 2>&1; then
  tail -n 60 "$scratch/replay.log" >&2
  tt_log "ÉCHEC (fuzzing) : une entrée connue échoue"
  status=1
fi
"$BUILD/fuzz/rtf_fuzz" -dict="$FUZZ/rtf.dict" -max_total_time="$seconds" -max_len=8192 \
  -malloc_limit_mb=1 "${limits[@]}" -print_final_stats=1 "$FUZZ/corpus-run" "$FUZZ/corpus" \
  "$FUZZ/regressions" >"$scratch/fuzz.log" 2>&1
rc=$?
if [ "$rc" -ne 0 ]; then
  grep -v -E '^#[0-9]+' "$scratch/fuzz.log" | tail -n 60 >&2
  finding=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$scratch/fuzz.log" | tail -n 1)
  [ -f "$finding" ] && cp "$finding" "$FUZZ/regressions/" && tt_log "Gardée : $finding"
  tt_log "ÉCHEC (fuzzing) : le fuzzer a trouvé une entrée fautive (code $rc)"
  status=1
fi
tt_log "Fuzzing : $(sed -n 's/^stat::number_of_executed_units: *//p' "$scratch/fuzz.log") exécutions"
exit "$status"
