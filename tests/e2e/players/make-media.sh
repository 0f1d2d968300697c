#!/usr/bin/env bash
# Makes the streams the player tests play: 6 s of a moving test picture, VP9 in fragmented
# MP4 (royalty-free, in every Chromium build's Media Source support), cut into 2-second
# segments as an HLS playlist and as a DASH manifest. Usage: make-media.sh OUT_DIR
set -euo pipefail
out=$1
rm -rf "$out.tmp"
mkdir -p "$out.tmp/hls" "$out.tmp/dash"
source=(-f lavfi -i "testsrc2=s=320x180:r=25:d=6")
encode=(-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -b:v 250k -g 50 -keyint_min 50 -an)
ffmpeg -hide_banner -loglevel error -y "${source[@]}" "${encode[@]}" \
  -f hls -hls_time 2 -hls_playlist_type vod -hls_segment_type fmp4 \
  -hls_fmp4_init_filename init.mp4 -hls_segment_filename "$out.tmp/hls/segment%d.m4s" \
  "$out.tmp/hls/stream.m3u8"
ffmpeg -hide_banner -loglevel error -y "${source[@]}" "${encode[@]}" \
  -f dash -seg_duration 2 -use_template 1 -use_timeline 0 \
  -init_seg_name 'init.m4s' -media_seg_name 'segment$Number$.m4s' "$out.tmp/dash/stream.mpd"
rm -rf "$out"
mv "$out.tmp" "$out"
