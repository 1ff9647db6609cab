#!/usr/bin/env bash
# check_package.sh <source dir>: builds the .deb (scripts/package), unpacks it into a
# scratch root and checks what a system would get from it: every file in its place, a
# dependency for every library the program loads, the desktop entry and the AppStream
# metadata as installed, lintian without errors; and `cmake --install` into a prefix.
set -euo pipefail
root=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

deb=$("$root/scripts/package")
echo "package: $deb"
version=$(dpkg-deb --field "$deb" Version)
[ "$(basename "$deb")" = "velnora_${version}_amd64.deb" ] || fail "file name $(basename "$deb")"

id=org.velnora.Velnora
files=(
  usr/bin/velnora
  usr/share/applications/$id.desktop
  usr/share/icons/hicolor/scalable/apps/$id.svg
  usr/share/icons/hicolor/256x256/apps/$id.png
  usr/share/metainfo/$id.metainfo.xml
  usr/share/man/man1/velnora.1.gz
  usr/share/doc/velnora/copyright
  usr/share/doc/velnora/changelog.gz
)

dpkg -x "$deb" "$scratch/root"
for file in "${files[@]}"; do
  [ -f "$scratch/root/$file" ] || fail "$file is not in the package"
done
[ -x "$scratch/root/usr/bin/velnora" ] || fail "usr/bin/velnora is not executable"
cmake -DPNG="$scratch/root/usr/share/icons/hicolor/256x256/apps/$id.png" \
  -P "$root/tests/packaging/check_png_size.cmake" || fail "the PNG icon"

# The dependencies are computed; each library the program needs must come from a package
# it depends on, and the two things loaded at run time must be named.
depends=$(dpkg-deb --field "$deb" Depends)
echo "depends: $depends"
has_dependency() { tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//' | grep -x "$1" >/dev/null; }
for package in fonts-wqy-microhei qt6-qpa-plugins; do
  has_dependency "$package" || fail "no dependency on $package"
done
for library in $(readelf --dynamic "$scratch/root/usr/bin/velnora" |
  sed -n 's/.*Shared library: \[\(.*\)\]/\1/p'); do
  path=$(ldconfig -p | awk -v name="$library" '$1 == name && /x86-64/ && !found { print $NF; found = 1 }')
  owner=""
  for candidate in "$path" "$(readlink -f "$path")" "${path#/usr}" "/usr${path}"; do
    owner=$(dpkg-query --search "$candidate" 2>/dev/null | head -1 | cut -d: -f1 || true)
    [ -n "$owner" ] && break
  done
  if [ -z "$owner" ]; then
    fail "$library: no package owns $path"
  elif ! has_dependency "$owner"; then
    fail "$library comes from $owner, which is no dependency"
  fi
done
if ldd "$scratch/root/usr/bin/velnora" | grep -q 'not found'; then
  fail "unresolved libraries: $(ldd "$scratch/root/usr/bin/velnora" | grep 'not found')"
fi

desktop-file-validate "$scratch/root/usr/share/applications/$id.desktop" |
  tee "$scratch/desktop.log"
grep -qE 'error:|warning:' "$scratch/desktop.log" && fail "desktop-file-validate"
# validate-tree also checks that the metadata's desktop entry and icon are there.
appstreamcli validate-tree --no-net "$scratch/root" || fail "appstreamcli validate-tree"

# Warnings are allowed; every override lives in packaging/ with its reason.
lintian --fail-on error --display-info "$deb" || fail "lintian found errors"

cmake --install "$root/build/package" --prefix "$scratch/prefix" >/dev/null
for file in "${files[@]}"; do
  file=${file#usr/}
  [ -f "$scratch/prefix/$file" ] || fail "cmake --install did not put $file under the prefix"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "the package builds, installs and passes its checks"
