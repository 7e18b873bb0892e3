#!/usr/bin/env bash
# Upload benchmark: `fotaro post` against `curl -F`, both sending the same file to the album
# server (`fotaro serve`) on 127.0.0.1 in the same run. Prints each tool's best throughput over
# the runs, the ratio, and the peak resident set size of both clients for 50 MB and 200 MB
# files (the upload is streamed, so the peak must not grow with the file).
#   bench/upload.sh [RUNS]        (default 3 runs per tool and size)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
scripts/install-packages.sh curl time bc
scripts/setup.sh release >/dev/null
fotaro=$PWD/build/release/tools/fotaro/fotaro

source bench/album-server.sh
echo "album server: $url"

# run TOOL FILE: one upload; prints "seconds peak-kB" (wall time, maximum resident set size).
run() {
  local tool=$1 file=$2 start end
  rm -rf "$work/store"/* "$work/answer.xml"
  start=$(date +%s.%N)
  if [ "$tool" = fotaro ]; then
    /usr/bin/time -v -o "$work/time.txt" "$fotaro" post --url "$url" --file "FileData=$file" \
      --result "$work/answer.xml" >/dev/null 2>&1
  else
    /usr/bin/time -v -o "$work/time.txt" curl -sS -o "$work/answer.xml" -F "FileData=@$file" "$url"
  fi
  end=$(date +%s.%N)
  grep -q "<Result>0</Result>" "$work/answer.xml" || { echo "$tool: upload of $file failed" >&2; exit 1; }
  echo "$(echo "$end - $start" | bc -l) $(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")"
}

for mb in 50 200; do
  file=$work/photo-$mb.bin
  head -c $((mb * 1024 * 1024)) /dev/urandom >"$file"
  declare -A best=() peak=()
  for ((i = 0; i < runs; i++)); do
    for tool in fotaro curl; do
      read -r seconds kb < <(run "$tool" "$file")
      if [ -z "${best[$tool]:-}" ] || (($(echo "$seconds < ${best[$tool]}" | bc -l))); then best[$tool]=$seconds; fi
      if [ -z "${peak[$tool]:-}" ] || ((kb > ${peak[$tool]})); then peak[$tool]=$kb; fi
    done
  done
  rm -f "$file"
  for tool in fotaro curl; do
    printf "%4d MB  %-6s  %8.1f MB/s  peak RSS %6d kB\n" "$mb" "$tool" "$(echo "$mb / ${best[$tool]}" | bc -l)" "${peak[$tool]}"
  done
  printf "%4d MB  throughput fotaro/curl = %.2f\n" "$mb" "$(echo "${best[curl]} / ${best[fotaro]}" | bc -l)"
  unset best peak
done
