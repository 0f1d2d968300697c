#!/usr/bin/env bash
# The window screenshots keep working: scripts/screenshot-windows.sh saves all nine windows,
# each at its own size and with real content (a black or empty grab has a handful of colours).
#
#   tests/e2e/test_window_shots.sh OUT_DIR
set -euo pipefail
out="${1:?usage: test_window_shots.sh OUT_DIR}"
rm -rf "$out"
"$(dirname "$0")/../../scripts/screenshot-windows.sh" "$out"

failed=0
for entry in MainWindow:984x624 PlayerWindow:984x624 AppCentreWindow:984x624 \
             AppWindow:984x624 PopUnderWindow:600x400 RightPopupWindow:296x246 \
             ExitPopupWindow:332x276 AboutWindow:552x352 SettingsWindow:552x352; do
  name="${entry%%:*}" size="${entry##*:}"
  file="$out/$name.png"
  if [ ! -s "$file" ]; then
    echo "FAIL $name: no picture" >&2; failed=1; continue
  fi
  read -r got colours <<< "$(identify -format '%wx%h %k' "$file")"
  if [ "$got" != "$size" ]; then
    echo "FAIL $name: $got, not $size" >&2; failed=1
  elif [ "$colours" -le 100 ]; then
    echo "FAIL $name: only $colours colours" >&2; failed=1
  else
    echo "ok   $name: $got, $colours colours"
  fi
done
exit "$failed"
