#!/usr/bin/env bash
# Installs what is missing, builds the client and the demo service, starts the service on
# loopback and then the client on it. On a machine without a display it starts a virtual
# one, saves a screenshot and says where it is.
#
# LUMORA_DEMO_UPGRADE=1 also builds the signed demo release of this build and has the service
# offer it: the client warns that it is outdated, Update downloads the release, swaps it in
# and starts the new build.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
targets=(lumora lumora_data lumora-demo-service)
service_options=()
if [ -n "${LUMORA_DEMO_UPGRADE:-}" ]; then
  targets+=(lumora_demo_release)
  service_options+=(--offer-upgrade)
fi
./scripts/build.sh default "${targets[@]}"
app="$PWD/build/default/app"
log="$PWD/build/default/demo-service.log"
pid_file="$(mktemp)"

# The client's built-in address is the demo service's default port; when that port is
# taken, the service takes a free one and the client is pointed at it.
if ! base=$(./scripts/demo-service.sh --log "$log" --pid-file "$pid_file" \
               ${service_options[@]+"${service_options[@]}"} 2>/dev/null); then
  base=$(./scripts/demo-service.sh --port 0 --log "$log" --pid-file "$pid_file" \
           ${service_options[@]+"${service_options[@]}"})
fi
trap 'kill "$(cat "$pid_file")" 2>/dev/null || true; rm -f "$pid_file"' EXIT
export LUMORA_SERVICE_BASE="$base"
echo "Demo service at $base (request log: $log)"

if [ "$(id -u)" -eq 0 ]; then
  # Chromium's sandbox does not run for root; as an ordinary user it stays on.
  echo "Running as root: the browser engine's sandbox is switched off for this run." >&2
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi

echo "Starting Lumora from $app"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$app/lumora"
  exit $?
fi

shot="$PWD/build/default/screenshot.png"
./scripts/with-display.sh bash -c '
  "$1/lumora" & pid=$!
  trap "kill $pid 2>/dev/null" INT TERM
  sleep 12
  if kill -0 $pid 2>/dev/null; then
    import -window root "$2" && echo "Screenshot of the running client: $2"
    echo "Lumora runs on virtual display $DISPLAY (pid $pid); press Ctrl-C to stop it."
  fi
  wait $pid
' run "$app" "$shot"
