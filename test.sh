#!/usr/bin/env bash
# Installs what is missing, then runs every stage of the test suite, each one even if an earlier
# one failed, and ends with the status and wall time of each:
#   1. the Release build (build/) and its tests: headless, the command line, the package, and
#      the real window on a private X display;
#   2. the sanitizer build (build-asan/), its tests and tours of the real program
#      (scripts/sanitize.sh);
#   3. the fuzzer of the RTF reader (build-asan/), twenty seconds (scripts/fuzz.sh);
#   4. beside it, the web edition (build-web/): its build, its page's logic, the frame checksums
#      of its WebAssembly under Node, and a tour of the page in headless Chromium
#      (scripts/web.sh test).
# Build directories are configured only when new, so a second run rebuilds only what changed.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/scripts/setup.sh"
export QT_QPA_PLATFORM=offscreen

stage_names=()
stage_results=()
stage_times=()
status=0

# stage NAME COMMAND...: runs one stage and notes its status and wall time.
stage() {
  local name="$1"
  shift
  local start=$SECONDS
  tt_log "Étape : $name"
  "$@"
  local rc=$?
  stage_names+=("$name")
  stage_results+=("$rc")
  stage_times+=($((SECONDS - start)))
  [ "$rc" -eq 0 ] || status=1
}

main_build_and_tests() {
  tt_configure_and_build || return 1
  tt_log "Tests"
  ctest --test-dir "$TT_BUILD" --output-on-failure -j"$(nproc)"
}

stage "Paquets" tt_install_packages "${TT_PACKAGES[@]}" "${TT_TEST_PACKAGES[@]}"
stage "Compilation et tests" main_build_and_tests
stage "Sanitizers" "$TT_ROOT/scripts/sanitize.sh"
# The fuzzer and the web stage each keep one core busy: they run side by side, each into a log
# of its own, shown in turn once both are done.
side_by_side() {
  local logs start=$SECONDS
  logs=$(mktemp -d)
  ("$TT_ROOT/scripts/fuzz.sh" >"$logs/fuzz" 2>&1; echo $? >"$logs/fuzz.rc"
   echo $((SECONDS - start)) >"$logs/fuzz.time") &
  ("$TT_ROOT/scripts/web.sh" test >"$logs/web" 2>&1; echo $? >"$logs/web.rc"
   echo $((SECONDS - start)) >"$logs/web.time") &
  wait
  local name
  for name in fuzz web; do
    stage "$([ $name = fuzz ] && echo Fuzzing || echo Web)" \
      bash -c 'cat "$1"; exit "$(cat "$2")"' _ "$logs/$name" "$logs/$name.rc"
    stage_times[-1]=$(cat "$logs/$name.time")
  done
  rm -rf "$logs"
}
side_by_side

tt_log "Résumé"
for i in "${!stage_names[@]}"; do
  if [ "${stage_results[$i]}" -eq 0 ]; then result="réussi"; else result="ÉCHEC"; fi
  printf '  %-22s %-7s %3d min %02d s\n' "${stage_names[$i]}" "$result" \
    $((stage_times[i] / 60)) $((stage_times[i] % 60)) >&2
done
printf '  %-22s %-7s %3d min %02d s\n' "Total" "" $((SECONDS / 60)) $((SECONDS % 60)) >&2

if [ "$status" -eq 0 ]; then tt_log "Tous les tests sont passés."; else tt_log "ÉCHEC"; fi
exit "$status"
