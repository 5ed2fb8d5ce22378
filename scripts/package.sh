#!/usr/bin/env bash
# Makes the files a user downloads, in build/dist/:
#   sorrel-VERSION-win32.zip, sorrel-VERSION-win64.zip   both programs, the guide, the licence
#   sorrel-cli_VERSION_amd64.deb                          sorrel-cli and its manual page (this machine's architecture)
#   sorrel-VERSION-web.html                               the web page, one file that works offline
#   sorrel-VERSION-web-app.zip                            the web app's folder, for a static HTTPS host
#   sorrel-VERSION-web-app/                               that folder unpacked, its files in SHA256SUMS too
#   sorrel-VERSION-extension.zip                          the browser extension (Chromium, Firefox 128+)
#   BUILDINFO                                             the commit, its time and the tool versions they came from
#   SHA256SUMS                                            for all of the above
# Each comes from its own MinSizeRel build (small, stripped), without the tests.
# Check the result with tests/package_check.sh build/dist.
#
# The files are reproducible: the same commit built with the same Debian tool
# versions gives the same bytes, wherever and whenever it is built. Every time
# stamp is SOURCE_DATE_EPOCH: the commit's time, or for a source archive the
# time git archive wrote into scripts/source-commit; a value set in the
# environment wins.
#
# Usage: scripts/package.sh [--check-reproducible]
#   --check-reproducible  builds everything, then again from a copy of the sources
#                         in another folder, with another time zone, locale, umask,
#                         job count and (for root) user, and compares the two
#                         (diffoscope shows the first difference); exits non-zero
#                         on any difference.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
fail() {
  echo "package.sh: $*" >&2
  exit 1
}

check=0
case "${1:-}" in
  "") ;;
  --check-reproducible) check=1 ;;
  *)
    echo "usage: $0 [--check-reproducible]" >&2
    exit 2
    ;;
esac

build=${SORREL_BUILD_DIR:-$root/build}
dist=$build/dist
jobs=${SORREL_JOBS:-$(nproc)}
version=$(sed -n 's/^project(sorrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no version found in project() in CMakeLists.txt"
[ -f docs/guide-ja.html ] || fail "docs/guide-ja.html is missing: the Windows zips carry the guide in Japanese"
tools=(cmake cpack ninja gzip zip base64 sha256sum dpkg-buildflags dpkg-shlibdeps dpkg-deb dpkg-query
  i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix)
[ "$check" -eq 0 ] || tools+=(diffoscope)
missing() { for tool in "${tools[@]}"; do command -v "$tool" >/dev/null || echo "$tool"; done; }
if [ -n "$(missing)" ]; then
  "$root/scripts/install-deps.sh" package || fail "installing the build's packages failed"
  [ -z "$(missing)" ] || fail "not installed: $(missing | tr '\n' ' ')"
fi

# --- One time for everything, and nothing from this machine's settings
commit_file=$root/scripts/source-commit
sde_given=${SOURCE_DATE_EPOCH:-}
in_git=0
[ "$(git -C "$root" rev-parse --show-toplevel 2>/dev/null)" != "$root" ] || in_git=1
if [ "$in_git" -eq 1 ]; then
  commit=$(git -C "$root" rev-parse HEAD) && commit_time=$(git -C "$root" log -1 --format=%ct) ||
    fail "git could not name the commit being built"
  if [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
    commit="$commit (with uncommitted changes)"
  fi
else
  # A source archive: git archive wrote the commit into this file.
  commit=$(sed -n 's/^commit //p' "$commit_file" 2>/dev/null) || true
  commit_time=$(sed -n 's/^time //p' "$commit_file" 2>/dev/null) || true
  [[ "$commit_time" =~ ^[0-9]+$ ]] || [ -n "$sde_given" ] ||
    fail "no .git and no commit time in scripts/source-commit: build from a clone or a git archive, or set SOURCE_DATE_EPOCH"
  [[ "$commit_time" =~ ^[0-9]+$ ]] || commit="unknown"
fi
export SOURCE_DATE_EPOCH=${sde_given:-$commit_time}
[[ "$SOURCE_DATE_EPOCH" =~ ^[0-9]+$ ]] || fail "SOURCE_DATE_EPOCH is not a number of seconds: $SOURCE_DATE_EPOCH"
# zip writes local times; sorting and messages follow the locale; files take the umask.
export TZ=UTC LC_ALL=C.UTF-8
umask 022

build_dir() {  # build_dir NAME CMAKE_ARGS...: a MinSizeRel build in build/package-NAME
  local name=$1
  shift
  local dir=$build/package-$name
  # The programs carry SOURCE_DATE_EPOCH (the PE time stamp): another commit, a fresh build.
  if [ "$(cat "$dir/SOURCE_DATE_EPOCH" 2>/dev/null)" != "$SOURCE_DATE_EPOCH" ]; then
    rm -rf "$dir"
  fi
  mkdir -p "$dir"
  if ! { cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel -DSORREL_TESTS=OFF "$@" &&
    cmake --build "$dir" -j "$jobs"; } >"$dir/package.log" 2>&1; then
    tail -n 40 "$dir/package.log" >&2
    fail "$name: the build failed (all of it in $dir/package.log)"
  fi
  echo "$SOURCE_DATE_EPOCH" >"$dir/SOURCE_DATE_EPOCH"
}

downloads=()
listed=()  # in SHA256SUMS besides the downloads
publish() {  # publish MADE FILE: MADE becomes dist/FILE, one of the downloads
  mv "$1" "$dist/$2" || fail "$2 could not be moved to $dist"
  downloads+=("$2")
}

windows_zip() {  # windows_zip NAME ARCH FILE: both programs, the guide and the licence in sorrel-VERSION/
  local name=$1 dir=$build/package-$1 stage=$build/package-$1/zip folder=sorrel-$version
  build_dir "$name" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$2.cmake"
  rm -rf "$stage" "$stage.zip"
  cmake --install "$dir" --prefix "$stage/$folder" >>"$dir/package.log" 2>&1 ||
    fail "$name: cmake --install failed (see $dir/package.log)"
  # Entries in name order, each with the one time and rw-r--r-- (rwxr-xr-x for
  # the programs), and no extra fields (-X: no owner, no further times).
  chmod -R go=u-w "$stage" && find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} + ||
    fail "$name: the zip's files could not be given their time and permissions"
  (cd "$stage" && find "$folder" -type f | sort | zip -X -D -9 -q "$stage.zip" -@) ||
    fail "$name: zip failed"
  publish "$stage.zip" "$3"
}

debian_package() {  # debian_package FILE: sorrel-cli as a .deb, made by CPack
  # Debian's hardening flags, with control-flow and stack-clash protection,
  # which Debian 12's dpkg does not add yet, and the settings in the user's
  # folder. Debian 12's C start files carry no control-flow marks, so the
  # linker would drop ours: -z ibt,shstk keeps them (the start files only make
  # plain calls and returns; every other object is compiled with -fcf-protection).
  local -x DEB_BUILD_MAINT_OPTIONS=hardening=+all
  local cf=(-fcf-protection -fstack-clash-protection)
  build_dir deb -DSORREL_USER_CONFIG=ON -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CFLAGS) ${cf[*]}" \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS) ${cf[*]}" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS) -Wl,-z,ibt,-z,shstk"
  local dir=$build/package-deb
  # CPack clamps every time in the .deb to SOURCE_DATE_EPOCH and owns all by root.
  rm -rf "$dir/cpack"
  cpack --config "$dir/CPackConfig.cmake" -B "$dir/cpack" >>"$dir/package.log" 2>&1 ||
    fail "deb: CPack failed (see $dir/package.log)"
  [ -f "$dir/cpack/$1" ] || fail "deb: CPack wrote no $1 (see $dir/package.log)"
  publish "$dir/cpack/$1" "$1"
}

web_page() {  # web_page FILE: the engine as WebAssembly, inlined with the page into one HTML file
  local page
  page=$("$root/scripts/build-web.sh" "$build/package-web") || fail "web: the page was not built"
  cp "$page" "$build/package-web/download.html" || fail "web: $page could not be copied"
  publish "$build/package-web/download.html" "$1"
}

extension_zip() {  # extension_zip FILE: the extension's folder, from the page's module, zipped
  local dir stage=$build/package-web/extension-zip
  dir=$("$root/scripts/build-extension.sh" "$build/package-web") || fail "extension: the folder was not built"
  rm -rf "$stage" "$stage.zip"
  cp -r "$dir" "$stage" || fail "extension: $dir could not be copied"
  # As the Windows zips: name order, one time, rw-r--r--, no extra fields;
  # the manifest at the top, as browsers look for it.
  chmod -R u=rwX,go=rX "$stage" && find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} + ||
    fail "extension: the zip's files could not be given their time and permissions"
  (cd "$stage" && find . -type f | sed 's|^\./||' | sort | zip -X -D -9 -q "$stage.zip" -@) ||
    fail "extension: zip failed"
  publish "$stage.zip" "$1"
}

web_app() {  # web_app FILE: the folder the web page's build made beside the page, zipped
  local folder=sorrel-$version-web-app stage=$build/package-web/app-zip
  [ -f "$build/package-web/$folder/index.html" ] || fail "web app: the build wrote no $folder/index.html"
  rm -rf "$stage" "$stage.zip"
  mkdir -p "$stage"
  cp -R "$build/package-web/$folder" "$stage/" || fail "web app: $folder could not be copied"
  chmod -R u=rwX,go=rX "$stage" && find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} + ||
    fail "web app: the zip's files could not be given their time and permissions"
  (cd "$stage" && find "$folder" -type f | sort | zip -X -D -9 -q "$stage.zip" -@) || fail "web app: zip failed"
  publish "$stage.zip" "$1"
  cp -pR "$stage/$folder" "$dist/" || fail "web app: $folder could not be copied to $dist"
  listed+=($(cd "$dist" && find "$folder" -type f | sort))
}

# The Debian packages whose versions shape the downloads' bytes: compilers,
# linkers, run-time libraries and headers, the archive writers, emscripten.
shaping_packages() {
  local gcc_major host llvm
  gcc_major=$(gcc -dumpversion | cut -d. -f1)
  host=$(gcc -dumpmachine)
  llvm=$(dpkg-query -W -f='${Depends}' emscripten 2>/dev/null | grep -oE '(clang|lld|llvm)-[0-9]+' || true)
  local p
  for p in cmake ninja-build dpkg dpkg-dev zip gzip \
    "gcc-$gcc_major" "g++-$gcc_major" "cpp-$gcc_major" "libgcc-$gcc_major-dev" "libstdc++-$gcc_major-dev" \
    binutils "binutils-${host//_/-}" libc6-dev libsodium-dev python3-zxcvbn \
    gcc-mingw-w64-base mingw-w64-common \
    {gcc,g++}-mingw-w64-{i686,x86-64}-posix gcc-mingw-w64-{i686,x86-64}-posix-runtime \
    binutils-mingw-w64-{i686,x86-64} mingw-w64-{i686,x86-64}-dev \
    emscripten binaryen nodejs $llvm; do
    dpkg-query -W -f='${db:Status-Abbrev} ${Package} (= ${Version})\n' "$p" 2>/dev/null |
      sed -n 's/^ii *//p' | grep . || echo "$p (not installed)"
  done | sort -u | sed 's/^/ /; $!s/$/,/'
}

# libsodium's Debian source package, from which the cross builds compile a few files.
sodium_source=/usr/local/src/sorrel/libsodium
sodium_version() {
  dpkg-parsechangelog -l "$sodium_source/debian/changelog" -S Version 2>/dev/null || echo "not unpacked"
}

buildinfo() {  # in the spirit of Debian's .buildinfo
  local release
  release=$(. /etc/os-release && echo "$NAME $(cat /etc/debian_version) ($VERSION_CODENAME)") || release=unknown
  cat <<EOF
Format: 1.0
Source: sorrel
Version: $version
Commit: $commit
Source-Date-Epoch: $SOURCE_DATE_EPOCH
Build-Release: $release
Build-Architecture: $(dpkg --print-architecture)
Build-Environment:
$(shaping_packages)
Build-Sources:
 libsodium (= $(sodium_version))
Checksums-Sha256:
EOF
  (cd "$dist" && for f in "${downloads[@]}"; do
    echo " $(sha256sum "$f" | cut -d' ' -f1) $(stat -c %s "$f") $f"
  done)
}

# One more download is one more line here: SHA256SUMS, BUILDINFO and the
# check take every file that publish put into dist.
make_downloads() {
  rm -rf "$dist"
  mkdir -p "$dist"
  echo "=== sorrel-$version, commit $commit, SOURCE_DATE_EPOCH $SOURCE_DATE_EPOCH"
  windows_zip win32 i686 "sorrel-$version-win32.zip"
  windows_zip win64 x86_64 "sorrel-$version-win64.zip"
  debian_package "sorrel-cli_${version}_$(dpkg --print-architecture).deb"
  web_page "sorrel-$version-web.html"
  web_app "sorrel-$version-web-app.zip"
  extension_zip "sorrel-$version-extension.zip"
  buildinfo >"$dist/BUILDINFO" || fail "BUILDINFO not written"
  (cd "$dist" && sha256sum "${downloads[@]}" "${listed[@]}" BUILDINFO >SHA256SUMS) || fail "SHA256SUMS not written"
  ls -l "$dist"
}

# The sources as this build sees them, without .git, in another folder; the
# commit file filled in as git archive would.
copy_sources() {  # copy_sources DIR
  mkdir -p "$1"
  if [ "$in_git" -eq 1 ]; then
    git -C "$root" ls-files -z --cached --others --exclude-standard |
      (cd "$root" && while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done) |
      tar -C "$root" --null -T - -cf - | tar -C "$1" -xmf -
  else
    tar -C "$root" --exclude=./build -cf - . | tar -C "$1" -xmf -
  fi || fail "the sources could not be copied to $1"
  printf 'commit %s\ntime %s\n' "$commit" "$commit_time" >"$1/scripts/source-commit"
}

check_reproducible() {
  local again=$build/reproducible copy other_tz=Pacific/Kiritimati other_umask=077 other_locale=ja_JP.UTF-8
  copy=$again/another-name
  rm -rf "$again"
  copy_sources "$copy"
  [ "$(umask)" != 0077 ] || other_umask=002
  locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$' || other_locale=C
  # Another user too, where root can hand the copy to nobody and nobody can reach it.
  local as=() user
  user=$(id -un)
  mkdir -p "$again/build"
  if [ "$(id -u)" -eq 0 ] && id nobody >/dev/null 2>&1 && command -v setpriv >/dev/null &&
    chown -R nobody: "$again" && setpriv --reuid=nobody --regid="$(id -g nobody)" --init-groups test -w "$copy"; then
    as=(setpriv --reuid=nobody --regid="$(id -g nobody)" --init-groups env HOME=/nonexistent)
    user=nobody
  fi
  echo "=== again, from $copy: user $user, TZ=$other_tz, umask $other_umask, LC_ALL=$other_locale, -j $((jobs > 1 ? 1 : 2))"
  (
    umask "$other_umask"
    [ -n "$sde_given" ] || unset SOURCE_DATE_EPOCH
    cd "$copy"
    TZ=$other_tz LC_ALL=$other_locale SORREL_JOBS=$((jobs > 1 ? 1 : 2)) SORREL_BUILD_DIR=$again/build \
      "${as[@]}" bash scripts/package.sh
  ) || fail "the second build, from $copy, failed"

  local f differ=0
  for f in $(cut -d' ' -f3 "$dist/SHA256SUMS") SHA256SUMS; do
    if cmp -s "$dist/$f" "$again/build/dist/$f"; then
      echo "same      $f"
    else
      echo "DIFFERENT $f"
      (diffoscope --no-progress --text - "$dist/$f" "$again/build/dist/$f" 2>&1 | head -n 40) || true
      differ=$((differ + 1))
    fi
  done
  [ "$differ" -eq 0 ] || fail "not reproducible: $differ files differ between $dist and $again/build/dist"
  echo "reproducible: both builds give this SHA256SUMS"
  cat "$dist/SHA256SUMS"
}

make_downloads
[ "$check" -eq 0 ] || check_reproducible
