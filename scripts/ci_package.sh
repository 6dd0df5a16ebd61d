#!/usr/bin/env bash
# Builds the Debian package from a configured build folder, unpacks it into a scratch prefix
# under that folder and runs the installed programs from there.
#
#   scripts/ci_package.sh [BUILD_DIR]   (default: build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh
build=${1:-build/release}
need_packages dpkg-dev

cmake --build "$build" -j "${ORV_JOBS:-2}"
rm -rf "$build/package"
(cd "$build" && cpack -G DEB > /dev/null)
deb=$(ls "$build"/package/orv_*.deb)
echo "package: $deb"
dpkg-deb --info "$deb" | grep -E '^ (Package|Version|Depends):'

root="$build/package/root"
dpkg-deb -x "$deb" "$root"
failures=0
check() {
    if "$@"; then echo "ok   - $*"; else echo "FAIL - $*"; failures=$((failures + 1)); fi
}
for f in usr/bin/orv usr/bin/orv-render usr/bin/orv-tune usr/share/orv/orv.xm \
         usr/share/man/man6/orv.6 usr/share/applications/orv.desktop; do
    check test -s "$root/$f"
done
version=$("$root/usr/bin/orv" --version)
echo "$version"
check test "$version" = "orv (orv) $(sed -n 's/^project(orv VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
check "$root/usr/bin/orv-render" --version
check "$root/usr/bin/orv-tune" --version
if [ "$failures" != 0 ]; then
    echo "$failures package check(s) failed"
    exit 1
fi
echo "the package installs and runs"
