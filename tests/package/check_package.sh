#!/usr/bin/env bash
# Installs the build into a temporary prefix and builds the Debian package from it, then
# checks what each holds. Usage: check_package.sh BUILD_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

# 1. cmake --install: the programs, the desktop entry and the icons, and nothing else.
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
expected="bin/calverdine
bin/calverdine-cli
share/applications/calverdine.desktop"
for size in 16 24 32 48 64 128 256; do
  expected+=$'\n'"share/icons/hicolor/${size}x${size}/apps/calverdine.png"
done
actual="$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)"
if [ "$actual" != "$(sort <<<"$expected")" ]; then
  fail "installed files differ from the expected list:"
  diff <(sort <<<"$expected") <(echo "$actual") || true
fi
for size in 16 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/calverdine.png"
  [ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$icon is not a PNG"
done
desktop="$prefix/share/applications/calverdine.desktop"
grep -qx 'Exec=calverdine %f' "$desktop" || fail "the desktop entry does not open a file with calverdine"
grep -qx 'Categories=Development;WebDevelopment;' "$desktop" || fail "the desktop entry's categories"
grep -q '^Name\[ja\]=' "$desktop" || fail "the desktop entry has no Japanese name"
if command -v desktop-file-validate >/dev/null 2>&1; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
fi
# The installed program starts without the build tree (moved away from it).
version="$(cd / && "$prefix/bin/calverdine" --version)"
[[ "$version" == "Calverdine "* ]] || fail "calverdine --version printed '$version'"
help="$(cd / && "$prefix/bin/calverdine-cli" --help)"
[[ "$help" == *"inspect"* ]] || fail "calverdine-cli --help does not list inspect"

# 2. cpack -G DEB: the same files under /usr, with dependencies on what the programs load.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null
deb="$(ls "$work"/package/calverdine_*.deb 2>/dev/null | head -n 1)"
if [ -z "$deb" ]; then
  fail "cpack wrote no calverdine_*.deb"
else
  echo "package: $(basename "$deb")"
  contents="$(dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./||')"
  echo "$contents"
  while IFS= read -r file; do
    grep -qx "usr/$file" <<<"$contents" || fail "the package lacks /usr/$file"
  done <<<"$expected"
  depends="$(dpkg-deb -f "$deb" Depends)"
  echo "Depends: $depends"
  for dep in libqt6webenginecore6 libqt6widgets6 libpugixml1v5 libqt6webenginecore6-bin fonts-noto-cjk qt6-translations-l10n; do
    grep -Eq "(^|[ ,])$dep( |,|$)" <<<"$depends" || fail "the package does not depend on $dep"
  done
fi
[ $status -eq 0 ] && echo "package: install rules and Debian package as expected"
exit $status
