#!/usr/bin/env bash
# The real program on a Wayland compositor with no X server at all (weston's headless back
# end): it starts, the home page loads from the demo service, and SIGTERM ends it in order.
#
#   LUMORA_APP_DIR=... LUMORA_DEMO_SERVICE=... tests/e2e/test_wayland.sh
set -euo pipefail
app="${LUMORA_APP_DIR:?}"
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
weston --backend=headless-backend.so --socket=wayland-e2e --width=1366 --height=768 \
  --idle-time=0 > "$work/weston.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/wayland-e2e" ] && break; sleep 0.1; done
[ -S "$XDG_RUNTIME_DIR/wayland-e2e" ] || { echo "FAIL: weston did not start" >&2; cat "$work/weston.log" >&2; exit 1; }

"$LUMORA_DEMO_SERVICE" --port 0 --log "$work/requests.log" > "$work/demo.out" 2>&1 &
pids+=($!)
base=""
for _ in $(seq 100); do
  base=$(grep -o 'http://127.0.0.1:[0-9]*/' "$work/demo.out" | head -1 || true)
  [ -n "$base" ] && break
  sleep 0.1
done
[ -n "$base" ] || { echo "FAIL: the demo service did not start" >&2; exit 1; }

cp -r "$app" "$work/app"
env -u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY=wayland-e2e HOME="$work/home" \
  LUMORA_SERVICE_BASE="$base" "$work/app/lumora" > "$work/client.log" 2>&1 &
client=$!
pids+=("$client")
loaded=0
for _ in $(seq 600); do
  if grep -q 'name=home-load' "$work/requests.log" 2>/dev/null; then loaded=1; break; fi
  kill -0 "$client" 2>/dev/null || break
  sleep 0.1
done
if [ "$loaded" -ne 1 ]; then
  echo "FAIL: no home page load on Wayland" >&2
  tail -20 "$work/client.log" >&2
  exit 1
fi
kill -TERM "$client"
status=0
wait "$client" || status=$?
if [ "$status" -ne 143 ]; then
  echo "FAIL: SIGTERM gave exit status $status, not 143" >&2
  exit 1
fi
echo "ok   home page loaded on Wayland without X; SIGTERM ended the program (143)"
