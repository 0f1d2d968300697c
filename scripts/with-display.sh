#!/usr/bin/env bash
# Runs a command with a display: the user's own when there is one, else a private Xvfb
# (1366 x 768) started for the command and stopped after it.
set -euo pipefail
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${LUMORA_FORCE_XVFB:-}" ]; then
  exec "$@"
fi
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then break; fi
done
Xvfb ":$n" -screen 0 1366x768x24 -nolisten tcp > /dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do
  [ -e "/tmp/.X11-unix/X$n" ] && break
  sleep 0.05
done
export DISPLAY=":$n"
unset WAYLAND_DISPLAY
echo "No display found: started a virtual display (Xvfb) at $DISPLAY." >&2
"$@"
