#!/usr/bin/env bash
# Decodes the same 24-megapixel JPEG with other tools, in the same run as codec_bench, so that
# the figures can be compared: libjpeg-turbo's djpeg (full and 1/8), vipsthumbnail (shrink on
# load to 750 px) and ImageMagick (full decode). Needs the release build and the tools.
#   bench/compare-decoders.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bench=build/release/bench/codec_bench
"$bench" --benchmark_filter='DecodeJpegScaled/(8|1)$' --benchmark_min_time=2
photo=/tmp/fotaro-codec-bench.jpg   # written by codec_bench
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
time_ms() {  # best of 5 runs of a command, in milliseconds
  local best=999999
  for _ in 1 2 3 4 5; do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    best=$(( (end - start) / 1000000 < best ? (end - start) / 1000000 : best ))
  done
  echo "$best"
}
echo "djpeg full to PPM:          $(time_ms djpeg -outfile "$out/a.ppm" "$photo") ms"
echo "djpeg -scale 1/8 to PPM:    $(time_ms djpeg -scale 1/8 -outfile "$out/b.ppm" "$photo") ms"
echo "vipsthumbnail --size 750:   $(time_ms vipsthumbnail "$photo" --size 750 -o "$out/c.jpg") ms"
echo "ImageMagick full to PPM:    $(time_ms convert "$photo" "$out/d.ppm") ms"
