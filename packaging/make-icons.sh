#!/usr/bin/env bash
# Regenerates the desktop icons (packaging/icons/<size>/lumora.png) from the same drawing
# as the tray icon in data/make-skin.sh: drawn once large and scaled down, so the small
# sizes stay smooth. Commit the pictures with any change here.
#
# Needs ImageMagick 6 (`convert`).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
LOGO_TOP='#5cc2f9'; LOGO_BOTTOM='#1f6fc0'   # keep in step with data/make-skin.sh

command -v convert >/dev/null || { echo "make-icons.sh: ImageMagick 'convert' not found" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

convert -size 256x256 gradient:"$LOGO_TOP-$LOGO_BOTTOM" \
  \( -size 256x256 xc:black -fill white -draw 'roundrectangle 8,8 247,247 58,58' \) \
  -alpha off -compose CopyOpacity -composite -compose Over \
  -fill white -stroke white -strokewidth 22 \
  -draw 'stroke-linejoin round polygon 102,78 102,178 184,128' "$tmp/logo.png"

for size in 16 24 32 48 64 128 256; do
  mkdir -p "$here/icons/$size"
  # -strip keeps the files byte-stable across runs (no time stamps).
  convert "$tmp/logo.png" -filter Lanczos -resize "${size}x${size}" -strip \
    -define png:exclude-chunks=date,time "PNG32:$here/icons/$size/lumora.png"
done
echo "make-icons.sh: wrote $here/icons/*/lumora.png"
