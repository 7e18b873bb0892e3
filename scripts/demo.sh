#!/usr/bin/env bash
# The main job on a fresh machine: installs the Debian packages that are missing, builds the
# release, makes camera-like sample photos (bench/MakePhotos.cpp) and uploads them with
# `fotaro upload` to the album server that the command starts itself on 127.0.0.1.
#   scripts/demo.sh [PHOTOS]      (default 6 photos of 12 megapixels)
# The photos are kept in build/demo/photos; the uploads land in build/demo/fotaro-album-*.
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-6}
scripts/setup.sh release
demo=build/demo
if [ ! -f "$demo/photos-$count.made" ]; then
  rm -rf "$demo/photos" && mkdir -p "$demo/photos"
  build/release/bench/make_photos "$demo/photos" "$count" 12 >/dev/null
  touch "$demo/photos-$count.made"
fi
cd "$demo"
exec ../release/tools/fotaro/fotaro upload photos
