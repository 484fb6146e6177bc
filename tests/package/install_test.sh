#!/usr/bin/env bash
# Builds the Debian package, installs it into a scratch root, and runs the installed program from
# an unrelated directory: it must start and find its own commentary documents.
set -u
build="$1"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_RUNTIME_DIR="$tmp/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

(cd "$tmp" && cpack --config "$build/CPackConfig.cmake" -B "$tmp/pkg" >"$tmp/cpack.log" 2>&1) \
  || { cat "$tmp/cpack.log"; echo "FAIL: cpack"; exit 1; }
deb=$(ls "$tmp"/pkg/table-tracante_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { echo "FAIL: no package produced"; exit 1; }

# Package metadata: name, the libraries and fonts it needs.
info=$(dpkg-deb -I "$deb")
for dep in libqt6widgets6 libqt6gui6 libgif7 fonts-liberation fonts-urw-base35 qt6-qpa-plugins; do
  grep -q "Depends:.*$dep" <<<"$info" || fail "package does not depend on $dep"
done

root="$tmp/root"
dpkg-deb -x "$deb" "$root" || { echo "FAIL: cannot unpack"; exit 1; }
for f in usr/bin/table-tracante usr/share/applications/table-tracante.desktop \
         usr/share/icons/hicolor/64x64/apps/table-tracante.png \
         usr/share/table-tracante/komm1.rtf usr/share/table-tracante/komm5.rtf \
         usr/share/doc/table-tracante/copyright usr/share/man/man1/table-tracante.1.gz \
         usr/share/metainfo/table-tracante.metainfo.xml usr/share/table-tracante/table-tracante.html; do
  [ -e "$root/$f" ] || fail "missing from the package: /$f"
done
grep -q "^License: Expat" "$root/usr/share/doc/table-tracante/copyright" || fail "copyright without its licence"
# The web edition: one file with everything inside, nothing fetched.
html="$root/usr/share/table-tracante/table-tracante.html"
grep -q "WebAssembly" "$html" || fail "web edition without its WebAssembly"
! grep -q -E '<script[^>]* src=|<link[^>]* href=' "$html" || fail "web edition fetches a file"
zcat "$root/usr/share/man/man1/table-tracante.1.gz" | grep -q "snapshot" || fail "manual page without the options"
appstreamcli validate --no-net "$root/usr/share/metainfo/table-tracante.metainfo.xml" >"$tmp/as.log" 2>&1 \
  || fail "metainfo does not validate: $(cat "$tmp/as.log")"
desktop="$root/usr/share/applications/table-tracante.desktop"
grep -q '^Name=Table traçante$' "$desktop" || fail "menu entry without its French name"
grep -q '^Categories=.*Education' "$desktop" || fail "menu entry not in Education"
grep -q '^Exec=table-tracante' "$desktop" || fail "menu entry does not start the program"
grep -q '^Icon=table-tracante$' "$desktop" || fail "menu entry without the icon"

# The installed program, started elsewhere, shows a lesson's comment page from its own data.
mkdir "$tmp/elsewhere"
(cd "$tmp/elsewhere" && QT_QPA_PLATFORM=offscreen "$root/usr/bin/table-tracante" \
   --snapshot end.png --ticks 2 --select 6 --ticks 159 --comments) 2>"$tmp/stderr"
rc=$?
[ "$rc" -eq 0 ] || fail "installed program: exit status $rc"
[ -s "$tmp/elsewhere/end.png" ] || fail "installed program wrote no picture"
if grep -q "komm" "$tmp/stderr"; then fail "installed program did not find its documents: $(cat "$tmp/stderr")"; fi
# Without its documents beside it, it says so (so the check above is meaningful).
rm -r "$root/usr/share/table-tracante"
(cd "$tmp/elsewhere" && QT_QPA_PLATFORM=offscreen "$root/usr/bin/table-tracante" \
   --snapshot end.png --ticks 2 --select 6 --ticks 159 --comments) 2>"$tmp/stderr"
grep -q "komm5.rtf" "$tmp/stderr" || fail "a missing document went unnoticed"

if [ "$failures" -ne 0 ]; then echo "$failures failure(s)"; exit 1; fi
echo "package installs and runs"
