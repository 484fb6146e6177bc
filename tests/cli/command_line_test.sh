#!/usr/bin/env bash
# The command line of the real program: a good snapshot run and every kind of bad input.
set -u
exe="$1"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_RUNTIME_DIR="$tmp/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# png_size FILE -> "W H" read from the IHDR chunk.
png_size() {
  local sig
  sig=$(od -An -tx1 -N8 "$1" | tr -d ' \n')
  [ "$sig" = "89504e470d0a1a0a" ] || { echo "not-a-png"; return; }
  local w h
  w=$(od -An -tu1 -j16 -N4 "$1" | awk '{print $1*16777216+$2*65536+$3*256+$4}')
  h=$(od -An -tu1 -j20 -N4 "$1" | awk '{print $1*16777216+$2*65536+$3*256+$4}')
  echo "$w $h"
}

# expect_refused NAME WORD ARGS...: exit status 2 (3 for a file that cannot be written), one line
# on stderr naming WORD, no file.
expect_refused() {
  local name="$1" word="$2" want=2
  shift 2
  case "$name" in *directory*|*"as the file"*) want=3 ;; esac
  rm -f "$tmp/out.png"
  "$exe" "$@" >"$tmp/stdout" 2>"$tmp/stderr"
  local rc=$?
  [ "$rc" -eq "$want" ] || fail "$name: exit status $rc, expected $want"
  [ "$(wc -l <"$tmp/stderr")" -eq 1 ] || fail "$name: stderr is not one line: $(cat "$tmp/stderr")"
  grep -q -F -- "$word" "$tmp/stderr" || fail "$name: stderr does not name '$word': $(cat "$tmp/stderr")"
  [ ! -e "$tmp/out.png" ] || fail "$name: a file was written"
  ls "$tmp" | grep -q -v -E '^(stdout|stderr|runtime|sub)$' && fail "$name: stray file left: $(ls "$tmp")"
  return 0
}

# A good run, headless without asking for a platform.
env -u QT_QPA_PLATFORM "$exe" --snapshot "$tmp/idle.png" --ticks 2 2>"$tmp/stderr"
rc=$?
[ "$rc" -eq 0 ] || fail "good run: exit status $rc ($(cat "$tmp/stderr"))"
[ "$(png_size "$tmp/idle.png")" = "793 553" ] || fail "good run: picture is $(png_size "$tmp/idle.png")"
rm -f "$tmp/idle.png"

"$exe" --snapshot="$tmp/x.png" --ticks=0 --select=6 --ticks=3 --comments 2>/dev/null \
  || fail "options with '=' and every action kind"
[ "$(png_size "$tmp/x.png")" = "793 553" ] || fail "second run: no picture"
rm -f "$tmp/x.png"

"$exe" --help >"$tmp/stdout" 2>&1 || fail "--help: non-zero exit"
grep -q -- "--snapshot" "$tmp/stdout" || fail "--help does not show the usage"

# A recording: a GIF that plays, and refusals like those of a picture.
"$exe" --record "$tmp/rec.gif" --ticks 2 --select 1 --ticks 5 2>"$tmp/stderr" || fail "record: $(cat "$tmp/stderr")"
[ "$(head -c 6 "$tmp/rec.gif")" = "GIF89a" ] || fail "record: not a GIF"
rm -f "$tmp/rec.gif"
expect_refused "record into a missing directory" "$tmp/sub/none/out.gif" --record "$tmp/sub/none/out.gif" --ticks 1
expect_refused "two recordings" "--record" --record "$tmp/a.gif" --record "$tmp/b.gif"
expect_refused "recording without a name" "--record" --record

expect_refused "unknown option" "--frobnicate" --snapshot "$tmp/out.png" --frobnicate
expect_refused "unknown option alone" "--frobnicate" --frobnicate
expect_refused "missing tick count" "--ticks" --snapshot "$tmp/out.png" --ticks
expect_refused "word as tick count" "abc" --snapshot "$tmp/out.png" --ticks abc
expect_refused "negative tick count" "-1" --snapshot "$tmp/out.png" --ticks -1
expect_refused "tick count too large" "100001" --snapshot "$tmp/out.png" --ticks 100001
expect_refused "tick count with exponent" "1e3" --snapshot "$tmp/out.png" --ticks 1e3
expect_refused "menu item 7" "7" --snapshot "$tmp/out.png" --select 7
expect_refused "menu item -1" "-1" --snapshot "$tmp/out.png" --select -1
expect_refused "missing menu item" "--select" --snapshot "$tmp/out.png" --select
expect_refused "missing file name" "--snapshot" --snapshot
expect_refused "actions without a picture" "--snapshot" --ticks 2
expect_refused "two pictures" "--snapshot" --snapshot "$tmp/out.png" --snapshot "$tmp/out2.png"
expect_refused "directory that does not exist" "$tmp/sub/none/out.png" --snapshot "$tmp/sub/none/out.png" --ticks 1
mkdir "$tmp/sub"
expect_refused "a directory as the file" "$tmp/sub" --snapshot "$tmp/sub" --ticks 1
if [ "$(id -u)" -ne 0 ]; then
  chmod 500 "$tmp/sub"
  expect_refused "read-only directory" "$tmp/sub/out.png" --snapshot "$tmp/sub/out.png"
  chmod 700 "$tmp/sub"
fi
rmdir "$tmp/sub"

# No display and no option: a clear message and a non-zero status, no window attempted.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$exe" >"$tmp/stdout" 2>"$tmp/stderr"
rc=$?
[ "$rc" -ne 0 ] || fail "no display: exit status 0"
grep -q -- "--snapshot" "$tmp/stderr" || fail "no display: the message does not say how to take a snapshot"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all command-line cases passed"
