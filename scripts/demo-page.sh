#!/usr/bin/env bash
# The demo album page in the user's own browser: builds the release when needed, makes six sample
# photos and a file list naming them, starts `fotaro host` and `fotaro serve` (whose demo page,
# /demo, loads fotaro.js from the host) and opens the page in the desktop's browser when there is
# one (xdg-open). Ctrl-C ends both.
#   scripts/demo-page.sh [PORT]      (the host's port; default 47800)
# The uploads land in build/demo-page/album.
set -euo pipefail
cd "$(dirname "$0")/.."
port=${1:-47800}
scripts/setup.sh release
fotaro=$PWD/build/release/tools/fotaro/fotaro
demo=$PWD/build/demo-page
mkdir -p "$demo"
if [ ! -f "$demo/photos.made" ]; then
  rm -rf "$demo/photos" && mkdir -p "$demo/photos"
  build/release/bench/make_photos "$demo/photos" 6 12 >/dev/null
  {
    echo '<?xml version="1.0" encoding="UTF-8"?>'
    echo "<fileList total=\"$(find "$demo/photos" -type f | wc -l)\">"
    find "$demo/photos" -type f | sort | sed 's|.*|  <file>&</file>|'
    echo '</fileList>'
  } >"$demo/photos.xml"
  touch "$demo/photos.made"
fi

host_out=$demo/host.out
"$fotaro" host --port "$port" >"$host_out" &
host=$!
serve=
trap 'kill $host $serve 2>/dev/null || true; wait' EXIT
trap 'exit 130' INT TERM
for _ in $(seq 100); do
  [ -s "$host_out" ] && break
  kill -0 "$host" 2>/dev/null || { echo "demo-page: fotaro host did not start" >&2; exit 1; }
  sleep 0.1
done
host_url=$(head -n 1 "$host_out")
"$fotaro" serve --store "$demo/album" --page-host "$host_url" --open &
serve=$!
echo "demo-page: the page's silent upload takes the file list $demo/photos.xml (six sample photos)."
echo "demo-page: Ctrl-C ends the host and the album server."
wait
