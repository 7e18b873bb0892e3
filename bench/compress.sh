#!/usr/bin/env bash
# The compression pipeline against other image tools, in one run, on a batch of 20 camera-like
# photos (bench/MakePhotos.cpp: 10 of 12 and 10 of 24 megapixels, or all 20 of MEGAPIXELS, JPEG
# quality 92, 4:2:0, one portrait stored with EXIF orientation 6). Every tool makes the same two outputs per photo: the
# big picture fitted into 670 x 800 at quality 90 and the thumbnail fitted into 100 x 100 at
# quality 85 (the default size specs), turned upright.
#
#   fotaro       `fotaro compress` over the whole batch in one process, a photo per processor at once
#   fotaro1      the same with --jobs 1, one photo after another
#   vipsbatch    vipsthumbnail in batch mode: one process per output size for the whole batch, the
#                second after the first (it shrinks on load and uses its default threads)
#   vips         vipsthumbnail, one process per photo and output size
#   gm           GraphicsMagick `gm convert`, one process per photo, both outputs from one decode,
#                with a size hint of twice the big picture (the decoder shrinks on load)
#   magick       ImageMagick `convert`, the same way
#   floor        the libjpeg floor: `djpeg` at the reduction fotaro chose, then `cjpeg` of both
#                outputs (three processes per photo, no resampling at all)
#   heic-*       fotaro and vips on two 12-megapixel HEIC photos made from the batch
#
# Times are wall clock per photo (a batch's time divided by its photos), the median of RUNS runs;
# peak memory is the largest maximum resident set size of any process of the tool, and CPU time
# the user and system time of all its processes per photo (/usr/bin/time -v), from one more run.
# On a busy machine the CPU time shows what the wall clock cannot: the work each tool does.
#   bench/compress.sh [RUNS [MEGAPIXELS]]   (default 3 runs of the mixed batch; MEGAPIXELS 12 or
#                                           24; photos are kept in $FOTARO_BENCH_DIR)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
megapixels=${2:-}
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
scripts/install-packages.sh libvips-tools graphicsmagick libjpeg-turbo-progs imagemagick time
scripts/setup.sh release >/dev/null
bin=$PWD/build/release
work=${FOTARO_BENCH_DIR:-/tmp/fotaro-compress-bench}
photos=$work/photos${megapixels:+-$megapixels}
mkdir -p "$photos"
[ -f "$photos/photo-20.jpg" ] || "$bin/bench/make_photos" "$photos" 20 $megapixels >/dev/null
mapfile -t batch < <(ls "$photos"/photo-*.jpg)
count=${#batch[@]}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export HOME=$out/home  # fotaro's working folder lives under it

# The reduction fotaro decodes a photo at: the smallest n/8 that leaves twice the big picture.
reduction() {
  local w h
  w=$(vipsheader -f width "$1")
  h=$(vipsheader -f height "$1")
  awk -v w="$w" -v h="$h" 'BEGIN {
    s = 670 / w < 800 / h ? 670 / w : 800 / h; tw = int(w * s); th = int(h * s)
    if (w <= 670 && h <= 800) { tw = w; th = h }
    for (n = 1; n < 8; n++) if (int((w * n + 7) / 8) >= 2 * tw && int((h * n + 7) / 8) >= 2 * th) break
    print n }'
}

# Each tool's work on the whole batch; $1 is the output folder. `fotaro` is a function, so that
# `resources` can wrap it like the other tools' commands.
fotaro() { "$bin/tools/fotaro/fotaro" "$@"; }
run_fotaro() { fotaro compress -o "$1" "${batch[@]}" >/dev/null; }
run_fotaro1() { fotaro compress --jobs 1 -o "$1" "${batch[@]}" >/dev/null; }
run_vipsbatch() {
  vipsthumbnail "${batch[@]}" --size 670x800 -o "$1/%s_big.jpg[Q=90]"
  vipsthumbnail "${batch[@]}" --size 100x100 -o "$1/%s_thumb.jpg[Q=85]"
}
run_vips() {
  for p in "${batch[@]}"; do
    vipsthumbnail "$p" --size 670x800 -o "$1/%s_big.jpg[Q=90]"
    vipsthumbnail "$p" --size 100x100 -o "$1/%s_thumb.jpg[Q=85]"
  done
}
run_gm() {
  for p in "${batch[@]}"; do
    gm convert -size 1340x1600 "$p" -auto-orient -resize 670x800 -quality 90 -write "$1/$(basename "$p" .jpg)_big.jpg" \
      -resize 100x100 -quality 85 "$1/$(basename "$p" .jpg)_thumb.jpg"
  done
}
run_magick() {
  for p in "${batch[@]}"; do
    convert -define jpeg:size=1340x1600 "$p" -auto-orient -resize 670x800 -quality 90 \
      -write "$1/$(basename "$p" .jpg)_big.jpg" -resize 100x100 -quality 85 "$1/$(basename "$p" .jpg)_thumb.jpg"
  done
}
# The floor needs fotaro's outputs as PPM files to encode; they are made once, untimed.
declare -A scale
prepare_floor() {
  mkdir -p "$out/ppm"
  run_fotaro "$out/ppm"
  for p in "${batch[@]}"; do
    local name
    name=$(basename "$p" .jpg)
    djpeg -outfile "$out/ppm/$name.big.ppm" "$out/ppm/${name}_FileData.jpg"
    djpeg -outfile "$out/ppm/$name.thumb.ppm" "$out/ppm/${name}_ThumbData.jpg"
    scale[$p]=$(reduction "$p")
  done
}
run_floor() {
  for p in "${batch[@]}"; do
    local name
    name=$(basename "$p" .jpg)
    djpeg -scale "${scale[$p]}/8" -outfile /dev/null "$p"
    cjpeg -quality 90 -outfile "$1/$name.big.jpg" "$out/ppm/$name.big.ppm"
    cjpeg -quality 85 -outfile "$1/$name.thumb.jpg" "$out/ppm/$name.thumb.ppm"
  done
}

# Milliseconds per photo of one run of a tool.
time_run() {
  local tool=$1 dir="$out/$1.$RANDOM"
  mkdir -p "$dir"
  local start=$EPOCHREALTIME
  "run_$tool" "$dir"
  local end=$EPOCHREALTIME
  rm -rf "$dir"
  awk -v s="$start" -v e="$end" -v n="$count" 'BEGIN { printf "%.1f\n", (e - s) * 1000 / n }'
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Peak memory in MiB of the tool's processes and their CPU milliseconds per photo: each command
# runs under /usr/bin/time -v.
resources() {
  local tool=$1 dir="$out/$1.rss" log="$out/$1.rss.log"
  mkdir -p "$dir"
  : >"$log"
  (
    # Wrap every external command of the tool's run function.
    for command in vipsthumbnail gm convert djpeg cjpeg; do
      eval "$command() { /usr/bin/time -v -a -o '$log' $(command -v $command) \"\$@\"; }"
    done
    eval "fotaro() { /usr/bin/time -v -a -o '$log' '$bin/tools/fotaro/fotaro' \"\$@\"; }"
    "run_$tool" "$dir"
  )
  awk -F': ' -v n="$count" '/Maximum resident set size/ { if ($2 > m) m = $2 } /(User|System) time/ { cpu += $2 }
    END { printf "%.1f %.1f\n", m / 1024, cpu * 1000 / n }' "$log"
}

prepare_floor
tools=(fotaro fotaro1 vipsbatch vips gm magick floor)
declare -A ms rss cpu samples
# The runs take turns, each starting with the next tool, so that a load that changes while the
# benchmark runs favours none.
for ((r = 0; r < runs; r++)); do
  for ((t = 0; t < ${#tools[@]}; t++)); do
    tool=${tools[(r + t) % ${#tools[@]}]}
    samples[$tool]+="$(time_run "$tool") "
  done
done
for tool in "${tools[@]}"; do
  ms[$tool]=$(printf '%s\n' ${samples[$tool]} | median)
  read -r rss[$tool] cpu[$tool] < <(resources "$tool")
done

# Phone photos: two of the 12-megapixel photos as HEIC files (heif-enc at quality 80 with a
# 320-pixel thumbnail, as phones store them; made once), fotaro against vipsthumbnail, which reads
# HEIC through the same libheif. The same two outputs per photo, times and resources as above.
measure_heic() {
  scripts/install-packages.sh libheif-examples
  local batch=() count name tool
  for name in 01 03; do
    [ -f "$photos/photo-$name.heic" ] || heif-enc -q 80 -t 320 -o "$photos/photo-$name.heic" "$photos/photo-$name.jpg" >/dev/null
    batch+=("$photos/photo-$name.heic")
  done
  count=${#batch[@]}
  for ((r = 0; r < runs; r++)); do
    for tool in fotaro vipsbatch; do samples[heic-$tool]+="$(time_run "$tool") "; done
  done
  for tool in fotaro vipsbatch; do
    ms[heic-$tool]=$(printf '%s\n' ${samples[heic-$tool]} | median)
    read -r rss[heic-$tool] cpu[heic-$tool] < <(resources "$tool")
  done
}
[ -z "$megapixels" ] || [ "$megapixels" = 12 ] && measure_heic

echo "processors: $(nproc)   load average before: $load_before, after: $(cut -d' ' -f1-3 /proc/loadavg)   photos: $count ($photos)   runs: $runs"
printf '%-9s %12s %14s %14s %13s\n' tool "ms/photo" "fotaro faster" "peak RSS MiB" "CPU ms/photo"
for tool in "${tools[@]}"; do
  printf '%-9s %12s %13.2fx %14s %13s\n' "$tool" "${ms[$tool]}" "$(awk -v a="${ms[$tool]}" -v b="${ms[fotaro]}" 'BEGIN { print a / b }')" \
    "${rss[$tool]}" "${cpu[$tool]}"
done
if [ -n "${ms[heic-fotaro]:-}" ]; then
  for tool in heic-fotaro heic-vipsbatch; do
    printf '%-15s %6s %13.2fx %14s %13s\n' "$tool" "${ms[$tool]}" \
      "$(awk -v a="${ms[$tool]}" -v b="${ms[heic-fotaro]}" 'BEGIN { print a / b }')" "${rss[$tool]}" "${cpu[$tool]}"
  done
fi
# The memory target compares one photo at a time with one photo at a time (fotaro --jobs 1 against
# vipsthumbnail and gm per photo); with N jobs fotaro holds N photos at once.
awk -v f="${ms[fotaro]}" -v v="${ms[vips]}" -v b="${ms[vipsbatch]}" -v g="${ms[gm]}" -v l="${ms[floor]}" \
    -v rf="${rss[fotaro1]}" -v rv="${rss[vips]}" -v rg="${rss[gm]}" 'BEGIN {
  printf "targets: vipsbatch/fotaro %.2f (>= 3) %s; vips/fotaro %.2f (>= 2.5) %s; gm/fotaro %.2f (> 1) %s; fotaro/floor %.2f (<= 1.5) %s; RSS of one job below vips and gm %s\n",
    b / f, (b / f >= 3) ? "met" : "MISSED", v / f, (v / f >= 2.5) ? "met" : "MISSED", g / f, (g > f) ? "met" : "MISSED",
    f / l, (f / l <= 1.5) ? "met" : "MISSED", (rf < rv && rf < rg) ? "met" : "MISSED" }'
