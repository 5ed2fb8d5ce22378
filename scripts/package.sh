#!/usr/bin/env bash
# Makes the files a user downloads, in build/dist/:
#   sorrel-VERSION-win32.zip, sorrel-VERSION-win64.zip   both programs, the guide, the licence
#   sorrel-cli_VERSION_amd64.deb                          sorrel-cli and its manual page (this machine's architecture)
#   sorrel-VERSION-web.html                               the web page, one file that works offline
#   SHA256SUMS                                            for the four
# Each comes from its own MinSizeRel build (small, stripped), without the tests.
# Check the result with tests/package_check.sh build/dist.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
fail() {
  echo "package.sh: $*" >&2
  exit 1
}

build=${SORREL_BUILD_DIR:-$root/build}
dist=$build/dist
version=$(sed -n 's/^project(sorrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no version found in project() in CMakeLists.txt"
[ -f docs/guide-ja.html ] || fail "docs/guide-ja.html is missing: the Windows zips carry the guide in Japanese"
tools=(cmake cpack ninja gzip base64 sha256sum dpkg-buildflags dpkg-shlibdeps dpkg-deb
  i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix)
missing() { for tool in "${tools[@]}"; do command -v "$tool" >/dev/null || echo "$tool"; done; }
if [ -n "$(missing)" ]; then
  "$root/scripts/install-deps.sh" package || fail "installing the build's packages failed"
  [ -z "$(missing)" ] || fail "not installed: $(missing | tr '\n' ' ')"
fi

package() {  # package NAME MADE FILE CMAKE_ARGS...: a MinSizeRel build; CPack's MADE becomes dist/FILE
  local name=$1 made=$2 file=$3
  shift 3
  local dir=$build/package-$name
  local log=$dir/package.log
  mkdir -p "$dir"
  echo "=== $file"
  if ! { cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel -DSORREL_TESTS=OFF "$@" &&
    cmake --build "$dir" -j "$(nproc)" &&
    rm -rf "$dir/cpack" && cpack --config "$dir/CPackConfig.cmake" -B "$dir/cpack"; } >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    fail "$name: the build or CPack failed (all of it in $log)"
  fi
  [ -f "$dir/cpack/$made" ] || fail "$name: CPack wrote no $made (see $log)"
  mv "$dir/cpack/$made" "$dist/$file"
}

rm -rf "$dist"
mkdir -p "$dist"

# Both zips hold the folder sorrel-VERSION/, after which CPack names them.
package win32 "sorrel-$version.zip" "sorrel-$version-win32.zip" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"
package win64 "sorrel-$version.zip" "sorrel-$version-win64.zip" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake"

# Linux: Debian's hardening flags, and the settings in the user's configuration folder.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
deb=sorrel-cli_${version}_$(dpkg --print-architecture).deb
package deb "$deb" "$deb" -DSORREL_USER_CONFIG=ON -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"

# The web page: the engine as WebAssembly, inlined with the page into one file.
web() {
  echo "=== sorrel-$version-web.html"
  local page
  page=$("$root/scripts/build-web.sh" "$build/package-web") || fail "web: the page was not built"
  cp "$page" "$dist/" || fail "web: $page not copied to $dist"
}
web

(cd "$dist" && sha256sum "sorrel-$version-win32.zip" "sorrel-$version-win64.zip" \
  "$deb" "sorrel-$version-web.html" >SHA256SUMS) || fail "SHA256SUMS not written"
ls -l "$dist"
