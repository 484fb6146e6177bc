#!/usr/bin/env bash
# The command line of the real program: good runs, every kind of output (a regular file written
# atomically, devices and pipes written in place, standard output), write failures, and bad
# options. Devices are private nodes in a scratch directory, never the system's own.
set -u
exe=$(realpath "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_RUNTIME_DIR="$tmp/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
cd "$tmp" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# png_size FILE -> "W H" from the IHDR chunk, or "not-a-png".
png_size() {
  [ "$(od -An -tx1 -N8 "$1" 2>/dev/null | tr -d ' \n')" = "89504e470d0a1a0a" ] || { echo not-a-png; return; }
  od -An -tu1 -j16 -N8 "$1" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}'
}

# expect STATUS WORD NAME ARGS...: the exit status, one line on stderr naming WORD, nothing left in
# the scratch directory but what was there.
expect() {
  local want="$1" word="$2" name="$3"
  shift 3
  local before
  before=$(ls -A)
  "$exe" "$@" >stdout 2>stderr
  local rc=$?
  [ "$rc" -eq "$want" ] || fail "$name: exit status $rc, expected $want"
  [ "$(wc -l <stderr)" -eq 1 ] || fail "$name: stderr is not one line: $(cat stderr)"
  grep -q -F -- "$word" stderr || fail "$name: stderr does not name '$word': $(cat stderr)"
  [ "$(ls -A | grep -v -x -e stdout -e stderr)" = "$(grep -v -x -e stdout -e stderr <<<"$before")" ] \
    || fail "$name: files changed: $(ls -A)"
}

# Good runs: without a platform asked for; options with '='; N ticks at once or one by one.
env -u QT_QPA_PLATFORM "$exe" --snapshot idle.png --ticks 2 2>stderr || fail "good run: $(cat stderr)"
[ "$(png_size idle.png)" = "793 553" ] || fail "good run: picture is $(png_size idle.png)"
"$exe" --snapshot=x.png --ticks=1 --ticks=1 2>/dev/null || fail "options with '='"
cmp -s idle.png x.png || fail "two single ticks do not give the picture of two ticks at once"
"$exe" --snapshot x.png --ticks 2 --select 6 --ticks 159 --comments 2>stderr || fail "every action: $(cat stderr)"
[ -s stderr ] && fail "a lesson's comment page is not found: $(cat stderr)"
"$exe" --help >stdout || fail "--help: non-zero exit"
grep -q -- "--snapshot" stdout && grep -q "Codes de sortie" stdout || fail "--help lacks the usage or the exit statuses"
"$exe" --record rec.gif --ticks 2 --select 1 --ticks 5 2>stderr || fail "record: $(cat stderr)"
[ "$(head -c 6 rec.gif)" = "GIF89a" ] || fail "record: not a GIF"
rm -f x.png rec.gif

# Standard output: the same bytes as the file, and nothing else.
"$exe" --snapshot - --ticks 2 >out.png 2>stderr || fail "stdout: $(cat stderr)"
cmp -s out.png idle.png || fail "stdout: not the picture ($(png_size out.png))"
"$exe" --record - --ticks 3 2>/dev/null | head -c 6 >head.txt
[ "$(cat head.txt)" = "GIF89a" ] || fail "record to stdout through a pipe"
rm -f out.png head.txt

# A named pipe with a reader: the reader gets the whole picture, the pipe stays a pipe.
mkfifo pipe.png
timeout 60 cat pipe.png >got.png &
"$exe" --snapshot pipe.png --ticks 2 2>stderr || fail "pipe: $(cat stderr)"
wait
cmp -s got.png idle.png || fail "pipe: the reader did not get the picture"
[ -p pipe.png ] || fail "pipe: replaced"
rm -f pipe.png got.png

# Devices, written in place: a null device takes everything, a full one fails; both stay devices,
# also through a symbolic link.
if [ "$(id -u)" -eq 0 ] && mknod null c 1 3 && mknod full c 1 7; then
  ln -s null link.png
  for out in null link.png; do
    "$exe" --snapshot "$out" --ticks 2 2>stderr || fail "$out: $(cat stderr)"
  done
  "$exe" --record null --ticks 2 2>stderr || fail "record to a null device: $(cat stderr)"
  expect 3 "full" "a full device" --snapshot full --ticks 2
  expect 3 "full" "a full device, recording" --record full --ticks 2
  [ -c null ] && [ -c full ] && [ -L link.png ] || fail "a device or its link was replaced: $(ls -l)"
  rm -f null full link.png
else
  echo "not root: the device cases are left out"
fi

# A file-size limit: the write fails, the older file is intact, no temporary file is left.
echo "old picture" >big.png
(ulimit -f 4; trap '' XFSZ; expect 3 "big.png" "file-size limit" --snapshot big.png --ticks 2; exit "$failures")
failures=$((failures + $?))
(ulimit -f 4; trap '' XFSZ; expect 3 "big.png" "file-size limit, recording" --record big.png --ticks 9; exit "$failures")
failures=$((failures + $?))
[ "$(cat big.png)" = "old picture" ] || fail "file-size limit: the older file changed"
rm -f big.png idle.png

# Files that cannot be written: before any work, nothing created.
mkdir sub
expect 3 "none/out.png" "missing directory" --snapshot none/out.png --ticks 1
expect 3 "none/out.gif" "missing directory, recording" --record none/out.gif --ticks 1
expect 3 "sub" "a directory as the file" --snapshot sub --ticks 1
if [ "$(id -u)" -ne 0 ]; then
  chmod 500 sub
  expect 3 "sub/out.png" "read-only directory" --snapshot sub/out.png
  chmod 700 sub
fi
rmdir sub

# Outputs refused before any work, nothing written: the same file twice (by name, through a link,
# as standard output), the laboratory's data without its run, a loop of links, a missing folder
# whose name holds a newline (quoted: the message stays one line).
ln -s same.png link.png
ln -s loop-b loop-a
ln -s loop-a loop-b
expect 2 "même fichier" "the same file twice" --snapshot same.png --record same.png --ticks 2
expect 2 "même fichier" "the same file through a link" --snapshot same.png --record link.png
expect 2 "même fichier" "standard output named again" --snapshot - --csv stdout --select 7
expect 2 "--csv" "data without the laboratory" --csv c.csv --snapshot s.png --record r.gif --select 3
expect 3 "trop de liens symboliques" "a loop of links" --snapshot loop-a --ticks 2
expect 3 'no\x0Adir' "a newline in a name" --snapshot $'no\ndir/x.png'
[ -L link.png ] && [ -L loop-a ] && [ -L loop-b ] || fail "a link was replaced: $(ls -l)"
rm -f link.png loop-a loop-b

# Closed standard descriptors: the files written do not take their numbers; a picture asked on a
# closed standard output is refused.
"$exe" --snapshot s.png --csv c.csv --select 7 --ticks 5 <&- >&- 2>&- || fail "closed descriptors"
"$exe" --snapshot x.png --ticks 2 --comments 2>&- || fail "closed stderr"
[ "$(png_size s.png) $(png_size x.png) $(head -c 5 c.csv)" = "793 553 793 553 t (s)" ] \
  || fail "closed descriptors: the files hold something else"
"$exe" --snapshot - --csv c2.csv --select 7 >&- 2>stderr
[ $? -eq 3 ] && grep -q "sortie standard" stderr && [ ! -e c2.csv ] || fail "picture on a closed stdout"
rm -f s.png x.png c.csv stderr

# Names are bytes: the longest valid one, and one that is not UTF-8, written as given.
long=$(printf 'z%.0s' {1..251}).png
"$exe" --snapshot "$long" --ticks 2 && "$exe" --snapshot $'\xff\xfe.png' --ticks 2 || fail "names"
[ -f "$long" ] && [ -f $'\xff\xfe.png' ] || fail "names: not written as given: $(ls)"
rm -f "$long" $'\xff\xfe.png'

# Interrupted: the old file stays, no temporary is left, the status says the signal.
echo "old" >rec.gif
before=$(ls -A)
"$exe" --record rec.gif --ticks 100000 2>/dev/null &
sleep 1
kill -TERM $!
wait $!
[ $? -eq 143 ] && [ "$(ls -A)" = "$before" ] && [ "$(cat rec.gif)" = old ] \
  || fail "SIGTERM during a recording: $(ls -A)"
rm -f rec.gif

# As root: a replaced file keeps its owner, group and mode; a link another user planted in a
# sticky folder anyone may write to is refused (one of the user's own is followed).
if [ "$(id -u)" -eq 0 ] && chmod 755 "$tmp"; then
  echo "theirs" >theirs.png
  chown nobody:nogroup theirs.png && chmod 600 theirs.png
  "$exe" --snapshot theirs.png --ticks 2 || fail "another user's file"
  [ "$(stat -c '%U:%G %a' theirs.png) $(png_size theirs.png)" = "nobody:nogroup 600 793 553" ] \
    || fail "another user's file: $(stat -c '%U:%G %a' theirs.png)"
  mkdir -m 1777 sticky
  echo "secret" >secret.conf
  runuser -u nobody -- ln -s "$tmp/secret.conf" sticky/out.png
  ln -s "$tmp/mine.png" sticky/mine.png
  expect 3 "lien symbolique refusé" "another user's link in a sticky folder" --snapshot sticky/out.png
  "$exe" --snapshot sticky/mine.png --ticks 2 || fail "one's own link in a sticky folder"
  [ "$(cat secret.conf)" = secret ] && [ -L sticky/out.png ] && [ "$(png_size mine.png)" = "793 553" ] \
    || fail "links in a sticky folder: $(ls -l . sticky)"
  rm -rf theirs.png sticky secret.conf mine.png
fi

# The laboratory's run as CSV: a header, t = 0 and 159 frames; on standard output the same bytes,
# and the same run every time.
lab=(--set G=16 --set forme=sinus --set frequence=10 --select 7 --ticks 159)
"$exe" --csv lab.csv "${lab[@]}" 2>stderr || fail "laboratory: $(cat stderr)"
[ "$(head -n 1 lab.csv)" = "t (s),Ve (V),Vs (V),U (V),I (A),Omega (rad/s),x (mm)" ] || fail "csv header"
[ "$(wc -l <lab.csv)" -eq 161 ] || fail "csv: $(wc -l <lab.csv) lines"
"$exe" --csv - "${lab[@]}" | cmp -s - lab.csv || fail "csv: not the same run on standard output"
rm -f lab.csv
expect 2 "--csv" "data without a laboratory run" --csv out.csv --ticks 2
# Its conclusion as JSON, the kind of response first; a decaying oscillation is not sustained.
"$exe" --results lab.json --set G=120 --select 7 --ticks 159 2>stderr || fail "results: $(cat stderr)"
[ "$(sed -n 2p lab.json)" = '  "classe": "oscillation amortie",' ] || fail "results: $(head -n 3 lab.json)"
rm -f lab.json
expect 2 "--results" "results without a laboratory run" --results out.json --ticks 2

# Bad options.
while IFS='|' read -r name word args; do
  # shellcheck disable=SC2086
  expect 2 "$word" "$name" $args
done <<'EOF'
unknown option|--frobnicate|--snapshot out.png --frobnicate
unknown option alone|--frobnicate|--frobnicate
missing tick count|--ticks|--snapshot out.png --ticks
word as tick count|abc|--snapshot out.png --ticks abc
negative tick count|-1|--snapshot out.png --ticks -1
tick count too large|100001|--snapshot out.png --ticks 100001
tick count with exponent|1e3|--snapshot out.png --ticks 1e3
menu item 8|8|--snapshot out.png --select 8
menu item -1|-1|--snapshot out.png --select -1
missing menu item|--select|--snapshot out.png --select
missing file name|--snapshot|--snapshot
actions without a picture|--snapshot|--ticks 2
two pictures|--snapshot|--snapshot out.png --snapshot out2.png
two recordings|--record|--record a.gif --record b.gif
both on standard output|-|--snapshot - --record -
unknown laboratory setting|X|--csv out.csv --set X=1
gain that is not a number|abc|--csv out.csv --set G=abc
gain out of range|G|--csv out.csv --set G=0
unknown shape|carre|--csv out.csv --set forme=carre
saturation switched off by 0|ou off|--csv out.csv --set Usat=0
amplitude beyond the stops|9,55 V|--csv out.csv --set amplitude=10
two results files|--results|--results a.json --results b.json
EOF

# No display and no option: a clear message, status 1, no window attempted.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$exe" >stdout 2>stderr
[ $? -eq 1 ] || fail "no display: exit status not 1"
grep -q -- "--snapshot" stderr || fail "no display: the message does not say how to take a snapshot"

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all command-line cases passed"
