#!/usr/bin/env bash
# Builds what is missing, then measures and prints in one table: the cost of one timer tick
# (repaint included) for every scene, the time from start to the first complete idle picture,
# and the peak resident memory of a full tour of the seven scenes.
#
# Environment: TT_BUILD (build directory, default build/), TT_NO_BUILD=1 (measure what is
# there, e.g. the programs of an older version), TT_BENCH_REPS (repetitions of each tick
# benchmark, default 9), TT_BENCH_MIN_TIME (seconds per repetition, default 0.1), TT_START_RUNS
# (start-up runs, default 11), TT_TOUR_RUNS (full tours, default 3).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TT_BUILD:-$root/build}"
reps="${TT_BENCH_REPS:-9}"
min_time="${TT_BENCH_MIN_TIME:-0.1}"
start_runs="${TT_START_RUNS:-11}"
tour_runs="${TT_TOUR_RUNS:-3}"

if [ "${TT_NO_BUILD:-0}" != 1 ]; then
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTT_WERROR=ON >/dev/null
  fi
  cmake --build "$build" --target table-tracante tick_bench tt_measure >/dev/null
fi

program="$build/src/table-tracante"
export QT_QPA_PLATFORM=offscreen
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cpu="$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)"
cores="$(nproc)"
load="$(cut -d' ' -f1-3 /proc/loadavg)"

# Tick costs: the median of the repetitions, wall clock and CPU.
"$build/bench/tick_bench" --benchmark_repetitions="$reps" --benchmark_min_time="$min_time" \
  --benchmark_report_aggregates_only=true --benchmark_format=csv >"$work/ticks.csv" 2>/dev/null

# Start to the first complete idle picture, and a full tour: every lesson to its end, with its
# comment page open.
start="$("$build/bench/tt_measure" "$start_runs" "$program" --snapshot "$work/start.png" --ticks 2)"
tour_args=(--snapshot "$work/tour.png" --ticks 2 --select 0 --ticks 2)
for item in 1 2 3 4 5 6; do
  tour_args+=(--select "$item" --ticks 159)
  [ "$item" -ge 3 ] && tour_args+=(--comments)
done
# From the documents' directory, so that every comment page is found whatever the build.
tour="$(cd "$root/data" && "$build/bench/tt_measure" "$tour_runs" "$program" "${tour_args[@]}" 2>/dev/null)"

value() { sed -n "s/.*\<$1=\([0-9.]*\).*/\1/p" <<<"$2"; }

echo "Table traçante, benchmarks on: $cpu, $cores cores (load average at start: $load)"
echo "Ticks: median of $reps repetitions; start-up: median of $start_runs runs; peak: largest of $tour_runs tours."
echo
awk -F, -v start="$(value median_s "$start")" -v peak="$(value peak_kb "$tour")" '
  BEGIN {
    line = "|------------------------------|-------|--------------------|-------------------|-----------|"
    print "| scene                        | frame | median tick (wall) | median tick (CPU) | target    |"
    print line
  }
  NR == 1 {
    for (i = 1; i <= NF; ++i) { gsub(/"/, "", $i); column[$i] = i }
    next
  }
  $1 ~ /_median"$/ {
    name = $1; gsub(/"/, "", name); sub(/_median$/, "", name); sub(/^tick\//, "", name)
    sub(/\/min_time:[0-9.]*/, "", name); sub(/\/manual_time/, "", name)
    wall = $3; cpu = $4; frame = "-"
    if (split(name, part, "/k:") == 2) { name = part[1]; frame = part[2] }
    if (name ~ /\/all$/) {
      # A whole lesson: its times are per lesson, the counters per tick.
      sub(/\/all$/, "", name); frame = "all"
      wall = $(column["wall_ms"]); cpu = $(column["cpu_ms"])
    }
    if (name ~ /\/end$/) {
      # « Fin » in the core alone (core/NAME/end): the lesson replayed, no window.
      sub(/\/end$/, "", name)
      printf "| %-30s | %5s | %15.3f ms | %14.3f ms | <= 50 ms  |\n", "« Fin » " name, "159", wall, cpu
      next
    }
    if (name ~ /^end\//) {
      # « Fin »: a whole lesson replayed and the window repainted (each guillemet is two bytes, one column).
      sub(/^end\//, "", name)
      printf "| %-30s | %5s | %15.3f ms | %14.3f ms | <= 50 ms  |\n", "« Fin » " name, "159", wall, $(column["cpu_ms"])
      next
    }
    printf "| %-28s | %5s | %15.3f ms | %14.3f ms | <= 0.5 ms |\n", name, frame, wall, cpu
  }
  END {
    print line
    printf "| %-28s | %5s | %16.3f s | %17s | <= 0.3 s  |\n", "start to first idle picture", "-", start, "-"
    printf "| %-28s | %5s | %15.1f MB | %17s | <= 80 MB  |\n", "peak memory, full tour", "-", peak * 1024 / 1e6, "-"
  }' "$work/ticks.csv"
