#!/usr/bin/env bash
# Rebuilds tests/data/frames.txt after a deliberate change of pixels, so that the change can be
# looked at before it is committed:
#   1. the committed state (HEAD) is built in a scratch worktree and saves every frame's picture;
#   2. the working tree's build compares each frame with the list as committed, writes each
#      changed one beside the saved one with a difference picture (changed pixels in red), says
#      how many changed, still checks what the screen shows, and rewrites the list.
# Usage: scripts/rebuild-frames.sh [PICTURES_DIR]   (default: build/frames)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
out="${1:-$TT_BUILD/frames}"
rm -rf "$out"
mkdir -p "$out"
export QT_QPA_PLATFORM=offscreen TT_FRAMES_DIR="$out"

committed=$(mktemp -d)
trap 'git -C "$TT_ROOT" worktree remove --force "$committed/tree" >/dev/null 2>&1; rm -rf "$committed"' EXIT
git -C "$TT_ROOT" worktree add --detach "$committed/tree" HEAD >/dev/null
tt_log "Images de l'état validé (HEAD)"
cmake -S "$committed/tree" -B "$committed/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$committed/build" --target tt_tests >/dev/null
(cd "$committed/build/tests" && TT_SAVE_FRAMES=1 ./tt_tests --gtest_filter='Frames*' >/dev/null) || true

tt_log "Images de l'arbre de travail, comparées"
tt_configure_and_build tt_tests
(cd "$TT_BUILD/tests" && TT_REBUILD_FRAMES=1 ./tt_tests --gtest_filter='Frames*') |
  grep -E "changed|not shown|Failure" || true
echo "Images : $out (NOM.png, NOM-diff.png ; les images validées dans $out/accepted)"
