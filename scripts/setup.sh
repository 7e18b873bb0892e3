#!/usr/bin/env bash
# Installs the Debian packages the build needs (when missing), then configures and builds.
#   scripts/setup.sh [release|test|tsan|fuzz]     (default: release)
# Build folders: build/release, build/test (AddressSanitizer + UndefinedBehaviorSanitizer),
# build/tsan (ThreadSanitizer), build/fuzz (clang, libFuzzer).
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-release}

packages=(
  build-essential cmake ninja-build pkg-config
  libjpeg62-turbo-dev libpng-dev libgif-dev libexif-dev
  libcairo2-dev libpango1.0-dev fonts-arphic-uming fonts-dejavu-core
  libcurl4-openssl-dev libssl-dev libpugixml-dev libcpp-httplib-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libgtk-3-dev libsoup-3.0-dev nlohmann-json3-dev libcli11-dev libheif-dev libwebp-dev
)
# The tests also run real windows on a virtual X display, read the clipboard and open the demo
# album page in a headless browser (screenshots of other programs' windows with ImageMagick).
[ "$mode" = test ] && packages+=(xvfb xauth xclip xdotool chromium imagemagick)
[ "$mode" = fuzz ] && packages+=(clang libclang-rt-14-dev)
[ -n "${FOTARO_EXTRA_PACKAGES:-}" ] && read -r -a extra <<<"$FOTARO_EXTRA_PACKAGES" && packages+=("${extra[@]}")

scripts/install-packages.sh "${packages[@]}"

case "$mode" in
  release) args=(-DCMAKE_BUILD_TYPE=Release -DFOTARO_TESTS=OFF) ;;
  test)    args=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="-O1 -g1" -DFOTARO_SANITIZE=address) ;;
  tsan)    args=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="-O1 -g1" -DFOTARO_SANITIZE=thread) ;;
  fuzz)    args=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="-O1 -g1" -DCMAKE_C_COMPILER=clang
                 -DCMAKE_CXX_COMPILER=clang++ -DFOTARO_FUZZ=ON -DFOTARO_TESTS=OFF) ;;
  *) echo "usage: $0 [release|test|tsan|fuzz]" >&2; exit 2 ;;
esac

# A compiler cache, where one is installed, makes rebuilds of unchanged files free.
command -v ccache >/dev/null && args+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B "build/$mode" -G Ninja "${args[@]}" >/dev/null
cmake --build "build/$mode" -j2
