#!/usr/bin/env bash
# Saves one screenshot of each of the nine windows, <WindowName>.png, into OUT_DIR (default
# build/default/window-shots): the real windows with the real skin, against the demo service,
# each opened on its own by lumora-show-window so that its own creation behaviour runs.
#
#   scripts/screenshot-windows.sh [OUT_DIR]
#
# Without a display it runs under a private Xvfb (scripts/with-display.sh). Every wait is
# bounded. Exit status 0 only when all nine pictures were saved. Needs xdotool and
# ImageMagick's import. Environment, all optional:
#   LUMORA_SHOW_WINDOW   the viewer (default build/default/tools/show_window/lumora-show-window,
#                        built there if missing)
#   LUMORA_APP_DIR       the app folder whose data the windows show (default build/default/app);
#                        it is not written to: each window runs on a scratch copy of Config.ini
#   LUMORA_DEMO_SERVICE  the demo service program (see scripts/demo-service.sh)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$repo/build/default/window-shots}"
[[ $out == /* ]] || out="$PWD/$out"

if [ -z "${LUMORA_SHOTS_DISPLAY_READY:-}" ] &&
   { [ -z "${DISPLAY:-}" ] || [ -n "${LUMORA_FORCE_XVFB:-}" ]; }; then
  # Windows are shot on X; a Wayland-only session gets a private X server as well.
  export LUMORA_SHOTS_DISPLAY_READY=1
  [ -n "${DISPLAY:-}" ] || export LUMORA_FORCE_XVFB=1
  exec "$repo/scripts/with-display.sh" "$0" "$out"
fi

for tool in xdotool import; do
  command -v "$tool" > /dev/null ||
    { echo "screenshot-windows.sh: $tool not found (apt-get install xdotool imagemagick)" >&2; exit 1; }
done

viewer="${LUMORA_SHOW_WINDOW:-$repo/build/default/tools/show_window/lumora-show-window}"
app="${LUMORA_APP_DIR:-$repo/build/default/app}"
if [ ! -x "$viewer" ] && [ -z "${LUMORA_SHOW_WINDOW:-}" ]; then
  echo "Building lumora-show-window..." >&2
  "$repo/scripts/build.sh" default lumora-show-window >&2
fi
[ -x "$viewer" ] || { echo "screenshot-windows.sh: $viewer missing" >&2; exit 1; }
[ -f "$app/Config.ini" ] || { echo "screenshot-windows.sh: no app folder at $app" >&2; exit 1; }
# The browser engine refuses its sandbox as root; only this script's viewer runs without it.
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1

state="$(mktemp -d)"
viewer_pid=""
demo_pid=""
stop() {  # pid: SIGTERM, then SIGKILL after 10 s
  local pid=$1
  kill -TERM "$pid" 2> /dev/null || return 0
  for _ in $(seq 100); do
    kill -0 "$pid" 2> /dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2> /dev/null || true
  wait "$pid" 2> /dev/null || true
}
cleanup() {
  [ -z "$viewer_pid" ] || stop "$viewer_pid"
  [ -z "$demo_pid" ] || stop "$demo_pid"
  rm -rf "$state"
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

base="$("$repo/scripts/demo-service.sh" --port 0 --log "$state/demo-service.log" \
  --pid-file "$state/demo.pid")"
demo_pid="$(cat "$state/demo.pid")"
export LUMORA_SERVICE_BASE="$base"
mkdir -p "$out"

# A fresh run directory per window: its own Config.ini, links to the app folder's data.
scratch_app() {
  rm -rf "$state/app"
  mkdir "$state/app"
  cp "$app/Config.ini" "$state/app/"
  local entry
  for entry in "$app"/*; do
    case "${entry##*/}" in
      Config.ini | lumora) ;;
      *) ln -s "$entry" "$state/app/" ;;
    esac
  done
}

# window settle-seconds: shows the window, waits for its pages, saves its picture.
shoot() {
  local name=$1 settle=$2 id=""
  scratch_app
  : > "$state/out"
  "$viewer" "$state/app" "$name" 120 > "$state/out" 2> "$state/$name.log" &
  viewer_pid=$!
  # RightPopupWindow comes on screen only after its five-second count.
  for _ in $(seq 300); do
    id="$(sed -n 's/^shown //p' "$state/out")"
    [ -z "$id" ] && kill -0 "$viewer_pid" 2> /dev/null || break
    sleep 0.1
  done
  if [ -z "$id" ]; then
    echo "screenshot-windows.sh: $name did not come on screen; its log:" >&2
    tail -n 20 "$state/$name.log" >&2
    stop "$viewer_pid"; viewer_pid=""
    return 1
  fi
  sleep "$settle"
  local ok=0
  if kill -0 "$viewer_pid" 2> /dev/null; then
    # On top of anything the window's own start opened over it (the pop-ups of the start-up).
    timeout 5 xdotool windowraise "$id" || true
    sleep 0.5
    timeout 30 import -window "$id" "$out/$name.png" && ok=1
  else
    echo "screenshot-windows.sh: $name closed before its picture was taken" >&2
  fi
  stop "$viewer_pid"; viewer_pid=""
  [ "$ok" -eq 1 ] && echo "$out/$name.png"
}

# MainWindow shows its loading page for five seconds before the home page.
failed=0
for entry in MainWindow:9 PlayerWindow:6 AppCentreWindow:6 AppWindow:6 PopUnderWindow:5 \
             RightPopupWindow:4 ExitPopupWindow:5 AboutWindow:3 SettingsWindow:3; do
  shoot "${entry%%:*}" "${entry##*:}" || failed=1
done
[ "$failed" -eq 0 ] || { echo "screenshot-windows.sh: some windows were not saved" >&2; exit 1; }
echo "screenshot-windows.sh: nine windows in $out" >&2
