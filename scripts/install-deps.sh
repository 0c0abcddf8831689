#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need,
# only those that are not installed yet. Uses sudo when not root.
#
#   scripts/install-deps.sh           what the Linux build and its tests need
#   scripts/install-deps.sh programs  the same without the tests' glTF
#                                     validator (and npm), for `make run`
#   scripts/install-deps.sh windows   that, plus the Windows cross build:
#                                     MinGW-w64, Wine to run the .exe files,
#                                     what `apt-get source` needs, autotools
#                                     for libsodium, man and col for the
#                                     zip's text man pages, NSIS for the
#                                     setup, icoutils for the programs' icon,
#                                     and ExifTool to read their version back
#   scripts/install-deps.sh web       that, plus the browser viewer's build
#                                     (Emscripten) and Chromium for its tests
#
# The tests' one tool from npm, the Khronos glTF validator, goes into the
# build tree, $LND_BUILD_DIR/npm/node_modules (LND_BUILD_DIR: the build
# folder, build unless given), never into the system; npm itself comes from
# Debian only where there is no npm yet.
set -euo pipefail

build_dir=${LND_BUILD_DIR:-build}
gltf_validator=gltf-validator@2.0.0-dev.3.10

packages=(
  build-essential cmake pkg-config
  freeglut3-dev libglu1-mesa-dev libgl1-mesa-dev libgl1-mesa-dri libegl-dev libegl-mesa0
  libgtest-dev libbenchmark-dev libcli11-dev libpng-dev libsquish-dev nlohmann-json3-dev libsodium-dev
  xvfb xdotool x11-utils x11-apps imagemagick
  python3 python3-pil python3-numpy
  libtinygltf-dev assimp-utils
  desktop-file-utils libxml2-utils xdg-utils libfile-mimeinfo-perl shared-mime-info man-db librsvg2-bin
  dpkg-dev fakeroot file lintian bash-completion
  clang libclang-rt-14-dev llvm
)

# Kept apart so that `make test` on Linux never pulls in Wine.
windows_packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  binutils-mingw-w64-x86-64 mingw-w64-tools
  wine wine64
  dpkg-dev xz-utils googletest autoconf automake libtool
  man-db bsdextrautils
  nsis icoutils libimage-exiftool-perl
)

# Kept apart too: the browser viewer and the headless browser its tests drive.
web_packages=(
  emscripten chromium
)

validator=yes
case "${1:-}" in
  "") ;;
  programs) validator=no ;;
  windows) packages+=("${windows_packages[@]}") ;;
  web) packages+=("${web_packages[@]}") ;;
  *) echo "ERROR : scripts/install-deps.sh: unknown set '$1' (none, 'programs', 'windows' or 'web')" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done

[ "$validator" = no ] || command -v npm > /dev/null || missing+=(npm)

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  # Waits for another apt run to finish instead of failing on its lock.
  $sudo apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}"
fi

validator_package="$build_dir/npm/node_modules/gltf-validator/package.json"
if [ "$validator" = yes ] && ! grep -q "\"version\": \"${gltf_validator#*@}\"" "$validator_package" 2>/dev/null; then
  echo "Installing: $gltf_validator into $build_dir/npm"
  mkdir -p "$build_dir/npm"
  npm install --prefix "$build_dir/npm" --no-audit --no-fund --no-save --loglevel=error "$gltf_validator"
fi
