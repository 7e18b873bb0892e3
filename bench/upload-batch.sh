#!/usr/bin/env bash
# Batch upload benchmark: camera-like 12-megapixel photos (bench/MakePhotos.cpp, JPEG quality 92,
# 4:2:0, one portrait stored with EXIF orientation 6) turned into the two default outputs (the big
# picture fitted into 670 x 800 at quality 90, the thumbnail into 100 x 100 at quality 85, both
# upright) and posted to the album server (`fotaro serve` on 127.0.0.1), 3 photos at a time, by
#
#   fotaro     `fotaro upload --threads 3`: one process, compression and uploads overlapping, a
#              photo per processor compressed at once (--jobs, by default the processor count)
#   fotaro1    the same with --jobs 1: one photo compressed at a time
#   vipsbatch  vipsthumbnail in batch mode, one process per output size for the whole folder (the
#              second after the first), then one `curl -F` request per photo with both files,
#              3 at a time
#   pipeline   a shell pipeline per photo: vipsthumbnail for each output (it shrinks on load and
#              turns the photo upright), then one `curl -F` request with both files; xargs runs
#              3 pipelines at a time
#
# in the same run, against the same server. Every photo must come back with result 0. Prints the
# photos per second of both (wall clock of the whole batch, best of RUNS) and the ratio.
#   bench/upload-batch.sh [PHOTOS] [RUNS]   (default 100 photos, 1 run; photos are kept in
#                                           $FOTARO_BENCH_DIR, default /tmp/fotaro-upload-bench)
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-100}
runs=${2:-1}
scripts/install-packages.sh libvips-tools curl bc
scripts/setup.sh release >/dev/null
bin=$PWD/build/release
fotaro=$bin/tools/fotaro/fotaro
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

photos=${FOTARO_BENCH_DIR:-/tmp/fotaro-upload-bench}/photos-$count
if [ ! -f "$photos.made" ]; then
  rm -rf "$photos" && mkdir -p "$photos"
  echo "making $count photos of 12 megapixels in $photos" >&2
  "$bin/bench/make_photos" "$photos" "$count" 12 >/dev/null
  touch "$photos.made"
fi

source bench/album-server.sh
export HOME=$work/home  # fotaro's working folder lives under it

# One request with both outputs of a photo, its answer checked.
post_photo() {
  local out=$1 url=$2 name
  name=$(basename "$3" .jpg)
  curl -sS -F "FileData=@$out/${name}_big.jpg" -F "ThumbData=@$out/${name}_thumb.jpg" "$url" | grep -q "<Result>0</Result>"
}
export -f post_photo

# One photo through the pipeline: both outputs, one request, and the answer checked.
pipeline_photo() {
  local photo=$1 out=$2 url=$3 name
  name=$(basename "$photo" .jpg)
  vipsthumbnail "$photo" --size 670x800 -o "$out/${name}_big.jpg[Q=90]"
  vipsthumbnail "$photo" --size 100x100 -o "$out/${name}_thumb.jpg[Q=85]"
  post_photo "$out" "$url" "$photo"
}
export -f pipeline_photo

# `fotaro upload` with the extra options given; every photo must come back with result 0.
fotaro_upload() {
  local uploaded
  uploaded=$("$fotaro" upload --url "$url" --uin 10001 --key bench --album bench --threads 3 "$@" --json \
    "$photos"/photo-*.jpg 2>/dev/null | grep -cE '"result": ?0[,}]')
  [ "$uploaded" -eq "$count" ] || { echo "fotaro $*: $uploaded of $count photos uploaded" >&2; exit 1; }
}
run_fotaro() { fotaro_upload; }
run_fotaro1() { fotaro_upload --jobs 1; }

run_vipsbatch() {
  mkdir -p "$work/outputs"
  vipsthumbnail "$photos"/photo-*.jpg --size 670x800 -o "$work/outputs/%s_big.jpg[Q=90]"
  vipsthumbnail "$photos"/photo-*.jpg --size 100x100 -o "$work/outputs/%s_thumb.jpg[Q=85]"
  printf '%s\n' "$photos"/photo-*.jpg | xargs -P 3 -I{} bash -c 'post_photo "$1" "$2" "$3"' _ "$work/outputs" "$url" {} ||
    { echo "vipsbatch: a photo failed" >&2; exit 1; }
  rm -rf "$work/outputs"
}
run_pipeline() {
  mkdir -p "$work/outputs"
  printf '%s\n' "$photos"/photo-*.jpg | xargs -P 3 -I{} bash -c 'pipeline_photo "$1" "$2" "$3"' _ {} "$work/outputs" "$url" ||
    { echo "pipeline: a photo failed" >&2; exit 1; }
  rm -rf "$work/outputs"
}

# Seconds of one run of a tool, with the server's store emptied first.
timed() {
  rm -rf "${work:?}/store"/*
  local start end
  start=$(date +%s.%N)
  "run_$1"
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

tools=(fotaro fotaro1 vipsbatch pipeline)
# The photos are read once before any tool is timed, so that the first one does not pay for the disk.
cat "$photos"/photo-*.jpg >/dev/null
declare -A best=()
# Each run starts with the next tool, so that a load that changes during a run favours none.
for ((i = 0; i < runs; i++)); do
  for ((t = 0; t < ${#tools[@]}; t++)); do
    tool=${tools[(i + t) % ${#tools[@]}]}
    seconds=$(timed "$tool")
    if [ -z "${best[$tool]:-}" ] || (($(echo "$seconds < ${best[$tool]}" | bc -l))); then best[$tool]=$seconds; fi
  done
done

echo "$count photos of 12 megapixels, 3 at a time, best of $runs run(s); processors: $(nproc); load average before: $load_before, after: $(cut -d' ' -f1-3 /proc/loadavg)"
for tool in "${tools[@]}"; do
  printf "%-9s %7.1f s  %6.2f photos/s  fotaro faster %.2fx\n" "$tool" "${best[$tool]}" "$(echo "$count / ${best[$tool]}" | bc -l)" \
    "$(echo "${best[$tool]} / ${best[fotaro]}" | bc -l)"
done
ratio=$(echo "${best[vipsbatch]} / ${best[fotaro]}" | bc -l)
printf "target: fotaro/vipsbatch %.2f (>= 3) %s\n" "$ratio" "$( (($(echo "$ratio >= 3" | bc -l))) && echo met || echo MISSED)"
