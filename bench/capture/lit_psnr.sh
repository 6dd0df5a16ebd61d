#!/usr/bin/env bash
# PSNR over the lit pixels of a lossy capture against the lossless one, decoded by the ffmpeg
# command line (BT.709 limited range to RGB), over a stretch of the video:
#   bench/capture/lit_psnr.sh LOSSLESS.mkv LOSSY.mp4|.webm [START_S [SECONDS]]
# The lossless capture may be at a smaller scale: it is widened by pixel repetition.
set -euo pipefail
ref=$1 lossy=$2 start=${3:-0} length=${4:-60}
tool=$(mktemp -d)
trap 'rm -rf "$tool"' EXIT
c++ -O2 -std=c++20 -o "$tool/lit_psnr" "$(dirname "$0")/lit_psnr.cpp"
size() { ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0:s=x "$1"; }
IFS=x read -r w h < <(size "$lossy")
IFS=x read -r rw rh < <(size "$ref")
mkfifo "$tool/a" "$tool/b"
ffmpeg -v error -ss "$start" -t "$length" -i "$ref" \
  -vf "scale=$w:$h:flags=neighbor,format=rgb24" -vsync passthrough -f rawvideo - > "$tool/a" &
ffmpeg -v error -ss "$start" -t "$length" -i "$lossy" \
  -vf "scale=in_color_matrix=bt709:in_range=tv:out_range=pc:flags=${ORV_SWS_FLAGS:-neighbor+accurate_rnd+full_chroma_int},format=rgb24" \
  -vsync passthrough -f rawvideo - > "$tool/b" &
"$tool/lit_psnr" "$w" "$h" "$tool/a" "$tool/b"
wait
