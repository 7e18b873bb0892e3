#!/usr/bin/env bash
# The grid's thumbnails (148 x 119) of a folder of 12-megapixel camera-like photos
# (bench/MakePhotos.cpp, JPEG quality 92, 4:2:0), made on one thread as the grid's loader makes
# them, against vipsthumbnail and the libjpeg floor, in the same run. The photos come twice, the
# same pixels without and with the 160 x 120 preview cameras embed in their EXIF block. Photo 2 is
# a portrait stored as a landscape (orientation 6): its preview turned upright is 120 pixels wide,
# narrower than the box, so it is decoded even when it has a preview.
#
#   fotaro   build/release/bench/thumb_bench: CreateThumbBmp for every photo, one thread, timed
#            by the program itself (the loader thread's work, without the process start)
#   decode   the same program decoding every photo at 1/8 only (LoadJpegScaled): the floor inside
#            one process
#   whole    fotaro timed from outside, process start and library loading included
#   vips     vipsthumbnail --size 148x119 over the whole folder in one process (batch mode, its
#            default threads; it shrinks on load and writes a JPEG per photo)
#   djpeg    djpeg -scale 1/8 of each photo into /dev/null, a process per photo: the floor, entropy
#            decoding and nothing else
#
# Times are wall clock per photo (a batch's time divided by its photos), the median of RUNS runs;
# the tools take turns within each run. The folder "served" holds the photos with previews but
# photo 2: the cost of a thumbnail drawn from its preview.
#   bench/thumbs.sh [PHOTOS] [RUNS]      (default 20 photos, 5 runs; photos kept in $FOTARO_BENCH_DIR)
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-20}
runs=${2:-5}
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
scripts/install-packages.sh libvips-tools libjpeg-turbo-progs
scripts/setup.sh release >/dev/null
bin=$PWD/build/release/bench
work=${FOTARO_BENCH_DIR:-/tmp/fotaro-thumbs-bench}/$count
mkdir -p "$work/plain" "$work/previews"
last=$(printf 'photo-%02d.jpg' "$count")
[ -f "$work/plain/$last" ] || "$bin/make_photos" "$work/plain" "$count" 12 >/dev/null
[ -f "$work/previews/$last" ] || "$bin/make_photos" --previews "$work/previews" "$count" 12 >/dev/null
rm -rf "$work/served" && mkdir "$work/served" && ln -s "$work"/previews/photo-*.jpg "$work/served/"
rm "$work/served/photo-02.jpg"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export HOME=$out/home XDG_CACHE_HOME=$out/cache  # the working folder, where previews are written

# Each tool's work on one folder of photos ($1).
run_fotaro() { "$bin/thumb_bench" "$1"/photo-*.jpg; }
run_decode() { "$bin/thumb_bench" --decode-only "$1"/photo-*.jpg; }
run_whole() { "$bin/thumb_bench" "$1"/photo-*.jpg; }
run_vips() { vipsthumbnail --size 148x119 -o "$out/vips/%s.jpg" "$1"/photo-*.jpg; }
run_djpeg() { for p in "$1"/photo-*.jpg; do djpeg -scale 1/8 -outfile /dev/null "$p"; done; }

# Milliseconds per photo of one run of a tool on a folder: what thumb_bench says for fotaro and
# decode ("N photos, T ms, P ms/photo"), the command's wall clock for the others.
time_run() {
  rm -rf "$out/vips" "$out/cache" && mkdir -p "$out/vips"
  local photos=("$2"/photo-*.jpg)
  local start=$EPOCHREALTIME
  "run_$1" "$2" >"$out/said"
  local end=$EPOCHREALTIME
  case $1 in
    fotaro | decode) awk '{ print $(NF - 1) }' "$out/said" ;;
    *) awk -v s="$start" -v e="$end" -v n="${#photos[@]}" 'BEGIN { printf "%.2f\n", (e - s) * 1000 / n }' ;;
  esac
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

cases=("fotaro plain" "decode plain" "vips plain" "djpeg plain" "fotaro previews" "whole previews" "vips previews"
       "fotaro served")
declare -A samples
for ((r = 0; r < runs; r++)); do
  for c in "${cases[@]}"; do
    read -r tool set <<<"$c"
    samples[$c]+="$(time_run "$tool" "$work/$set") "
  done
done
declare -A ms
for c in "${cases[@]}"; do ms[$c]=$(printf '%s\n' ${samples[$c]} | median); done

echo "load average before: $load_before, after: $(cut -d' ' -f1-3 /proc/loadavg)   cores: $(nproc)   photos: $count of 4000 x 3000 ($work)   runs: $runs"
printf '%-18s %10s %14s\n' "tool, photos" "ms/photo" "fotaro faster"
for c in "${cases[@]}"; do
  read -r tool set <<<"$c"
  printf '%-18s %10s %13.2fx\n' "$tool, $set" "${ms[$c]}" "$(awk -v a="${ms[$c]}" -v b="${ms[fotaro $set]}" 'BEGIN { print a / b }')"
done
awk -v f="${ms[fotaro plain]}" -v v="${ms[vips plain]}" -v d="${ms[djpeg plain]}" -v fp="${ms[fotaro previews]}" \
    -v vp="${ms[vips previews]}" -v wp="${ms[whole previews]}" -v fs="${ms[fotaro served]}" 'BEGIN {
  printf "targets: without previews vips/fotaro %.2f (> 1) %s, fotaro/djpeg %.2f (<= 1.3) %s; with previews vips/fotaro %.1f (>= 20) %s\n",
    v / f, (v > f) ? "met" : "MISSED", f / d, (f / d <= 1.3) ? "met" : "MISSED", vp / fp, (vp / fp >= 20) ? "met" : "MISSED"
  printf "with previews, fotaro timed as a whole process: vips/fotaro %.1f; a thumbnail drawn from its preview: %.1f\n",
    vp / wp, vp / fs }'
