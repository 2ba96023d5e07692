#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it: the files it
# holds, its dependencies, an installation with dpkg into a temporary root
# (qbtool runs from there), and that the SVG icon looks like the program's
# own drawing of it.
#
#   packaging/check_package.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/qb-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "check_package: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$work"/out/quillbase_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "cpack wrote no .deb"

dpkg-deb -c "$deb" | awk '{print $NF}' >"$work/files"
for f in ./usr/bin/quillbase ./usr/bin/qbtool ./usr/share/applications/quillbase.desktop \
         ./usr/share/icons/hicolor/scalable/apps/quillbase.svg ./usr/share/man/man1/qbtool.1.gz \
         ./usr/share/bash-completion/completions/qbtool; do
  grep -qx "$f" "$work/files" || fail "the package lacks $f"
done
for size in 16 22 24 32 48 64 128 256; do
  grep -qx "./usr/share/icons/hicolor/${size}x${size}/apps/quillbase.png" "$work/files" ||
    fail "the package lacks the ${size}x${size} icon"
done

depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins libpq5 libsqlite3-0 libstdc++6 libc6; do
  echo "$depends" | grep -q "\b$d\b" || fail "Depends lacks $d: $depends"
done

# Install into an empty root with its own dpkg database.
root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg --root="$root" --force-depends --force-script-chrootless -i "$deb" >"$work/dpkg.log" 2>&1 ||
  { cat "$work/dpkg.log" >&2; fail "dpkg -i failed"; }
dpkg --root="$root" -s quillbase | grep -q "^Status: install ok installed" || fail "dpkg does not list it as installed"
"$root/usr/bin/qbtool" --help | grep -q "qbtool migrate" || fail "the installed qbtool does not run"
grep -qx "Categories=Office;Database;" "$root/usr/share/applications/quillbase.desktop" || fail "desktop entry categories"
grep -qx "Icon=quillbase" "$root/usr/share/applications/quillbase.desktop" || fail "desktop entry icon"
zcat "$root/usr/share/man/man1/qbtool.1.gz" | grep -q "^\.SH COMMANDS" || fail "manual page"
bash -c "source '$root/usr/share/bash-completion/completions/qbtool'; COMP_WORDS=(qbtool mig); COMP_CWORD=1; _qbtool; [ \"\${COMPREPLY[*]}\" = migrate ]" ||
  fail "bash completion does not complete 'mig'"

# The SVG, drawn by an independent renderer, against the program's own 64-pixel icon.
rsvg-convert -w 64 -h 64 "$root/usr/share/icons/hicolor/scalable/apps/quillbase.svg" -o "$work/svg64.png"
# compare exits with 1 when the images differ at all; the figure decides.
metric=$(compare -metric RMSE "$work/svg64.png" "$root/usr/share/icons/hicolor/64x64/apps/quillbase.png" null: 2>&1 || true)
difference=$(echo "$metric" | sed -n 's/.*(\([0-9.e-]*\)).*/\1/p')
awk -v d="$difference" 'BEGIN { exit !(d != "" && d < 0.05) }' ||
  fail "the SVG icon differs from the program's drawing (RMSE $difference)"
echo "check_package: $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB), Depends: $depends"
