#!/usr/bin/env bash
# Builds the static libraries that the Windows build links, for
# x86_64-w64-mingw32 (GCC 12, posix threads), from Debian's source packages:
# zlib, libpng, freeglut, libsquish and libsodium, fetched with `apt-get
# source`; and GoogleTest from the sources the googletest package ships in
# /usr/src. The header-only CLI11, nlohmann-json and tinygltf are copied from the
# host.
#
#   scripts/build-win-deps.sh [CACHE_DIR]        (default build-win/deps)
#
# CACHE_DIR gets include/, lib/ (with cmake/ and pkgconfig/), share/cmake/ and
# one stamp per library in stamps/ (version and recipe); a library whose
# stamp is up to date is not built again, so a second run does nothing. Prints one line per library
# built; the compilers' output goes to CACHE_DIR/src/build.log.
#
# apt runs with its own sources list (deb-src lines made from the machine's
# Debian sources), lists, cache and configuration folder, all under
# CACHE_DIR/src/apt: the machine's apt set-up is only read, never changed,
# and no root rights are needed. Needs scripts/install-deps.sh windows.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
prefix=$(realpath -m "${1:-$root/build-win/deps}")
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
src="$prefix/src"
log="$src/build.log"
jobs=2

fail() { echo "ERROR : $*" >&2; exit 1; }

for tool in x86_64-w64-mingw32-g++-posix cmake dpkg-source apt-get autoreconf; do
  command -v "$tool" >/dev/null || fail "build-win-deps: $tool is missing; run scripts/install-deps.sh windows"
done
[ -f /usr/src/googletest/CMakeLists.txt ] \
  || fail "build-win-deps: /usr/src/googletest is missing; run scripts/install-deps.sh windows"

# Debian source package of each library built from one.
declare -A source_package=(
  [zlib]=zlib [libpng]=libpng1.6 [freeglut]=freeglut [libsquish]=libsquish [libsodium]=libsodium)
order=(zlib libpng freeglut libsquish libsodium gtest cli11 nlohmann_json tinygltf)

# ---------------------------------------------------------------- apt
apt_dir="$src/apt"
apt_opts=()

# deb-src twins of the machine's Debian sources (deb822 files), or Debian's
# own archive for this release when the machine has none.
write_source_list() {
  mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" \
           "$apt_dir/cache/archives/partial" "$apt_dir/apt.conf.d"
  : > "$apt_dir/sources.list"
  local out="$apt_dir/sources.list.d/debian-src.sources" f
  : > "$out"
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && grep -q debian-archive-keyring "$f" || continue
    sed -E 's/^Types:.*/Types: deb-src/' "$f" >> "$out"
    echo >> "$out"
  done
  if ! [ -s "$out" ]; then
    local codename
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    cat > "$out" <<EOF
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $codename $codename-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: $codename-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  fi
  # The machine's apt.conf.d is read as it is (proxies, date checks), except
  # for the hooks that tell the machine's software centre its lists changed.
  for f in /etc/apt/apt.conf.d/*; do
    [ -f "$f" ] && ln -sf "$f" "$apt_dir/apt.conf.d/"
  done
  printf '%s\n' '#clear APT::Update::Pre-Invoke;' '#clear APT::Update::Post-Invoke;' \
    '#clear APT::Update::Post-Invoke-Success;' > "$apt_dir/apt.conf.d/zz-private"
  printf 'Dir::Etc::Parts "%s";\n' "$apt_dir/apt.conf.d" > "$apt_dir/apt.conf"
}

private_apt() {
  APT_CONFIG="$apt_dir/apt.conf" "$@" "${apt_opts[@]}"
}

prepare_apt() {
  write_source_list
  apt_opts=(
    -o "Dir::Etc::SourceList=$apt_dir/sources.list"
    -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
    -o "Dir::State::Lists=$apt_dir/lists"
    -o "Dir::Cache=$apt_dir/cache"
    -o "Dir::Cache::pkgcache=$apt_dir/cache/pkgcache.bin"
    -o "Dir::Cache::srcpkgcache=$apt_dir/cache/srcpkgcache.bin"
  )
  # As root apt would download as user _apt, who cannot write our folders.
  [ "$(id -u)" -ne 0 ] || apt_opts+=(-o APT::Sandbox::User=root)
  private_apt apt-get -q update >> "$log" 2>&1 \
    || fail "build-win-deps: apt-get update with the private deb-src list failed, see $log"
}

# Downloads and unpacks a source package into $src/unpack/<package> (where
# dpkg-source also leaves links to the upstream tarballs); echoes its
# version. Tries the newest version first: a mirror may list a security
# update whose files it does not hold.
fetch_source() {
  local pkg=$1 v dir="$src/dl"
  mkdir -p "$dir"
  local versions
  versions=$(private_apt apt-cache showsrc --only-source "$pkg" 2>>"$log" \
             | sed -n 's/^Version: //p' | sort -rVu)
  [ -n "$versions" ] || fail "build-win-deps: no source package $pkg in the deb-src lists, see $log"
  for v in $versions; do
    if (cd "$dir" && private_apt apt-get -q source --download-only "$pkg=$v") >> "$log" 2>&1; then
      local dsc="$dir/${pkg}_${v#*:}.dsc"
      rm -rf "$src/unpack"
      mkdir -p "$src/unpack"
      dpkg-source -q --no-check -x "$dsc" "$src/unpack/$pkg" >> "$log" 2>&1 \
        || fail "build-win-deps: dpkg-source could not unpack $dsc, see $log"
      echo "$v"
      return
    fi
    echo "== $pkg $v could not be downloaded, trying an older version" >> "$log"
  done
  fail "build-win-deps: no version of source package $pkg could be downloaded, see $log"
}

# ---------------------------------------------------------------- builds
# Configures, builds and installs one CMake project into $prefix.
cmake_build() {
  local name=$1 source=$2; shift 2
  local build="$src/build-$name"
  rm -rf "$build"
  {
    echo "== $name: configure"
    cmake -S "$source" -B "$build" -G "Unix Makefiles" \
      -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DLNDVIEW_WIN_DEPS="$prefix" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
      -DCMAKE_INSTALL_LIBDIR=lib -DBUILD_SHARED_LIBS=OFF "$@"
  } >> "$log" 2>&1 || fail "build-win-deps: $name: cmake configure failed, see $log"
}

run_build() {
  local name=$1; shift
  echo "== $name: build" >> "$log"
  cmake --build "$src/build-$name" -j "$jobs" "$@" >> "$log" 2>&1 \
    || fail "build-win-deps: $name: build failed, see $log"
}

build_zlib() {
  local s="$src/unpack/zlib"
  cmake_build zlib "$s"
  # zlib's CMake builds its DLL and examples too; only the static one is needed.
  run_build zlib --target zlibstatic
  cp "$src/build-zlib/libzlibstatic.a" "$prefix/lib/libz.a"
  cp "$s/zlib.h" "$src/build-zlib/zconf.h" "$prefix/include/"
  mkdir -p "$prefix/lib/pkgconfig"
  cp "$src/build-zlib/zlib.pc" "$prefix/lib/pkgconfig/"
}

build_libpng() {
  cmake_build libpng "$src/unpack/libpng1.6" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
  run_build libpng --target install
}

build_freeglut() {
  cmake_build freeglut "$src/unpack/freeglut" \
    -DFREEGLUT_BUILD_SHARED_LIBS=OFF -DFREEGLUT_BUILD_STATIC_LIBS=ON \
    -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_GLES=OFF
  run_build freeglut --target install
  # Its .pc names the DLL's import library; only the static one is built.
  sed -i 's/-lfreeglut$/-lfreeglut_static/' "$prefix/lib/pkgconfig/freeglut.pc"
}

build_libsquish() {
  # SSE2 stays off, as squish's CMake leaves it on WIN32: Debian's Linux
  # libsquish is built without it too, and the SSE2 path rounds differently
  # (another block now and then). OpenMP is left out so that a static link
  # needs no libgomp; it only spreads CompressImage's blocks over threads.
  cmake_build libsquish "$src/unpack/libsquish" \
    -DBUILD_SQUISH_WITH_OPENMP=OFF -DBUILD_SQUISH_WITH_SSE2=OFF
  run_build libsquish --target install
}

build_libsodium() {
  # Autotools, not CMake; Debian's source has no configure script yet. No
  # stack protector: MinGW's needs libssp, which a static link would have to
  # carry. Static only; its users define SODIUM_STATIC.
  local s="$src/unpack/libsodium"
  {
    echo "== libsodium: configure"
    (cd "$s" && autoreconf -fi && ./configure --host=x86_64-w64-mingw32 CC=x86_64-w64-mingw32-gcc-posix \
       --prefix="$prefix" --libdir="$prefix/lib" --disable-shared --enable-static --disable-ssp)
    echo "== libsodium: build"
    make -C "$s" -j "$jobs" install
  } >> "$log" 2>&1 || fail "build-win-deps: libsodium: build failed, see $log"
}

build_gtest() {
  cmake_build gtest /usr/src/googletest -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
  run_build gtest --target install
}

build_cli11() {
  rm -rf "$prefix/include/CLI" "$prefix/share/cmake/CLI11"
  mkdir -p "$prefix/share/cmake"
  cp -r /usr/include/CLI "$prefix/include/"
  # The config file finds the headers relative to itself.
  cp -r /usr/share/cmake/CLI11 "$prefix/share/cmake/"
}

build_nlohmann_json() {
  rm -rf "$prefix/include/nlohmann" "$prefix/share/cmake/nlohmann_json"
  mkdir -p "$prefix/share/cmake"
  cp -r /usr/include/nlohmann "$prefix/include/"
  # The config file finds the headers relative to itself.
  cp -r /usr/share/cmake/nlohmann_json "$prefix/share/cmake/"
}

build_tinygltf() {
  # Its code is compiled by the project itself (tools/gltf/tiny_gltf_build.cpp).
  cp /usr/include/tiny_gltf.h "$prefix/include/"
}

host_version() { dpkg-query -W -f='${Version}' "$1"; }

# A stamp holds the version built and a hash of the function that built it,
# so a changed recipe rebuilds that one library.
stamp() { echo "$prefix/stamps/$1"; }
recipe() { declare -f "build_$1" | sha256sum | cut -c1-16; }
todo=()
for lib in "${order[@]}"; do
  [ "$(sed -n 2p "$(stamp "$lib")" 2>/dev/null)" = "recipe $(recipe "$lib")" ] || todo+=("$lib")
done
[ ${#todo[@]} -eq 0 ] && exit 0

mkdir -p "$prefix"/{include,lib,stamps} "$src"
: > "$log"

need_apt=false
for lib in "${todo[@]}"; do
  [ -n "${source_package[$lib]:-}" ] && need_apt=true
done
$need_apt && prepare_apt

for lib in "${todo[@]}"; do
  start=$SECONDS
  case $lib in
    gtest) version=$(host_version googletest) ;;
    cli11) version=$(host_version libcli11-dev) ;;
    nlohmann_json) version=$(host_version nlohmann-json3-dev) ;;
    tinygltf) version=$(host_version libtinygltf-dev) ;;
    *) version=$(fetch_source "${source_package[$lib]}") ;;
  esac
  echo "==== $lib $version" >> "$log"
  "build_$lib"
  rm -rf "$src/build-$lib" "$src/unpack"
  printf '%s\nrecipe %s\n' "$version" "$(recipe "$lib")" > "$(stamp "$lib")"
  echo "built $lib $version into $prefix ($((SECONDS - start)) s)"
done
