#!/usr/bin/env bash
# Runs a command with a display: the user's own when there is one, else a private Xvfb
# (1366 x 768) started for the command and stopped after it.
set -euo pipefail
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${LUMORA_FORCE_XVFB:-}" ]; then
  exec "$@"
fi
# Xvfb picks a free display number itself and reports it once it accepts connections:
# choosing one here and starting the server after would race with a second run starting
# at the same moment, which would then share (and lose) the other run's server.
# -noreset: by default the server resets when its last client goes, and refuses the
# connections that arrive meanwhile, such as the next program a test starts. Without the
# reset, a key or button a test leaves held stays held for the tests after it.
exec {xvfb_out}< <(exec Xvfb -displayfd 1 -noreset -screen 0 1366x768x24 -nolisten tcp 2>/dev/null)
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
if ! read -r -t 30 n <&"$xvfb_out" || [ -z "$n" ]; then
  echo "Could not start a virtual display (Xvfb)." >&2
  exit 1
fi
export DISPLAY=":$n"
unset WAYLAND_DISPLAY
echo "No display found: started a virtual display (Xvfb) at $DISPLAY." >&2
"$@"
