#!/usr/bin/env bash
# Starts the demo service (lumora-demo-service) on loopback in the background and prints its
# base address, e.g. "http://127.0.0.1:8780/", as the only line on stdout:
#
#   base=$(scripts/demo-service.sh --log build/default/demo-service.log --pid-file /tmp/demo.pid)
#   LUMORA_SERVICE_BASE=$base build/default/app/lumora
#   kill "$(cat /tmp/demo.pid)"
#
# Options:
#   --port N         loopback port; 0 picks a free one (default 8780, the client's default)
#   --log FILE       request log, one line per request (default build/default/demo-service.log)
#   --pid-file FILE  write the service's process id there
#   --foreground     run in the foreground instead (Ctrl-C stops it)
#   --offer-upgrade  tell the client its build is outdated until it has downloaded the
#                    build's signed demo release (build/default/demo-release/update) once
# The program is taken from $LUMORA_DEMO_SERVICE, else build/default, built there if missing.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
port=8780
log="$repo/build/default/demo-service.log"
pid_file=""
foreground=0
extra=()
while [ $# -gt 0 ]; do
  case "$1" in
    --port) port="${2:?--port needs a value}"; shift 2 ;;
    --log) log="${2:?--log needs a value}"; shift 2 ;;
    --pid-file) pid_file="${2:?--pid-file needs a value}"; shift 2 ;;
    --foreground) foreground=1; shift ;;
    --offer-upgrade) extra+=(--offer-upgrade); shift ;;
    -h|--help) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "demo-service.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
done

program="${LUMORA_DEMO_SERVICE:-$repo/build/default/tools/demo_service/lumora-demo-service}"
if [ ! -x "$program" ]; then
  echo "Building lumora-demo-service..." >&2
  "$repo/scripts/build.sh" default lumora-demo-service >&2
fi
mkdir -p "$(dirname "$log")"

if [ "$foreground" -eq 1 ]; then
  exec "$program" --port "$port" --log "$log" "${extra[@]}"
fi

# The service's own stdout goes to a file, not to our caller: a caller reading us through $(...)
# would otherwise wait for the service to end.
state="$(mktemp -d)"
trap 'rm -rf "$state"' EXIT
"$program" --port "$port" --log "$log" "${extra[@]}" > "$state/out" 2> "$state/err" < /dev/null &
pid=$!

for _ in $(seq 100); do
  if base="$(sed -n 's/^listening //p' "$state/out")" && [ -n "$base" ]; then
    [ -z "$pid_file" ] || echo "$pid" > "$pid_file"
    echo "Demo service on $base (pid $pid, request log $log); stop it with: kill $pid" >&2
    echo "$base"
    exit 0
  fi
  if ! kill -0 "$pid" 2> /dev/null; then
    cat "$state/err" >&2
    exit 1
  fi
  sleep 0.1
done
echo "demo-service.sh: the service did not start within 10 s" >&2
cat "$state/err" >&2
kill "$pid" 2> /dev/null || true
exit 1
