#!/usr/bin/env bash
# Makes the demo clip the video pages play: 10 s, 640x360, VP9 + Opus in WebM (royalty-free,
# played by every Chromium build), well under 1 MB. Everything is synthesised here: a diagonal
# gradient, colour bars, a bouncing ball, a running time code and a tone with a beep each second,
# so a viewer can tell at a glance whether picture, motion and sound arrive.
# The result is committed; run this again only to change the clip. Needs ffmpeg with libvpx,
# libopus and drawtext, and the DejaVu and Noto CJK fonts.
set -euo pipefail
cd "$(dirname "$0")"
out=site/media/demo.webm
poster=site/media/poster.jpg
latin=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
mono=/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf
cjk=/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc
for font in "$latin" "$mono" "$cjk"; do
  [ -r "$font" ] || { echo "missing font $font" >&2; exit 1; }
done

bars=""
x=0
for colour in 0xc0c0c0 0xc0c000 0x00c0c0 0x00c000 0xc000c0 0xc00000 0x0000c0 0x101010; do
  bars+="drawbox=x=$x:y=336:w=80:h=24:color=$colour:t=fill,"
  x=$((x + 80))
done

graph="
[0:v]${bars}
 drawtext=fontfile=$latin:text=LUMORA:fontsize=44:fontcolor=white:x=32:y=28,
 drawtext=fontfile=$cjk:text='演示片 · 测试图':fontsize=22:fontcolor=0xc8c8ff:x=34:y=82,
 drawtext=fontfile=$mono:text='%{pts\\:hms}':fontsize=22:fontcolor=white:x=w-tw-32:y=34,
 drawtext=fontfile=$mono:text='frame %{frame_num}':fontsize=16:fontcolor=0xa0a0b0:x=w-tw-32:y=64
 [base];
[base][1:v]overlay=x='(W-w)*abs(mod(t/5\\,2)-1)':y='222+70*sin(2*PI*t/2.5)-h/2'[ball];
[ball][2:v]overlay=x='-W+W*t/10':y=330[v];
[3:a]volume=0.2[a]"

ffmpeg -hide_banner -loglevel error -y \
  -f lavfi -i "color=c=black:s=640x360:r=30:d=10,geq=r='58-47*(X/W+Y/H)/2':g='36+38*(X/W+Y/H)/2':b='112-22*(X/W+Y/H)/2'" \
  -f lavfi -i "color=c=0xffb02e:s=64x64:r=30:d=10,format=rgba,geq=r='r(X,Y)':g='g(X,Y)':b='b(X,Y)':a='255*lte(hypot(X-31.5,Y-31.5),31)'" \
  -f lavfi -i "color=c=0xffb02e:s=640x6:r=30:d=10" \
  -f lavfi -i "sine=frequency=440:beep_factor=2:sample_rate=48000:duration=10" \
  -filter_complex "$graph" -map '[v]' -map '[a]' -t 10 \
  -c:v libvpx-vp9 -pix_fmt yuv420p -crf 38 -b:v 0 -g 30 -row-mt 1 -deadline good -cpu-used 2 \
  -c:a libopus -b:a 48k \
  -cues_to_front 1 -reserve_index_space 4096 \
  "$out"
ffmpeg -hide_banner -loglevel error -y -ss 2.5 -i "$out" -frames:v 1 -q:v 5 "$poster"
ls -l "$out" "$poster"
