#!/usr/bin/env bash
# Start-up service time of the client: runs the real program under a private Xvfb against the
# demo service and reports the requests and TCP connections of its start-up sequence and the
# time its fetches hold the user-interface thread (from the program's own fetch trace,
# LUMORA_TRACE_FETCH, and the demo service's request log).
#
#   bench/startup_fetches.sh [--build-dir DIR] [--runs N]
#
#   --build-dir DIR   where the program and the demo service are (default build/default;
#                     built there when missing)
#   --runs N          start-ups to measure (3); the total is their median
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$repo/build/default"
extra=()
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build="$(realpath -m "${2:?--build-dir needs a value}")"; shift 2 ;;
    --runs) extra+=(--runs "${2:?--runs needs a value}"); shift 2 ;;
    -h|--help) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "startup_fetches.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
done

# shellcheck source=bench/scratch_client.sh
. "$repo/bench/scratch_client.sh"
need_built startup_fetches.sh "$build" "$repo" lumora lumora_data lumora-demo-service -- \
  "$build/app/lumora" "$build/tools/demo_service/lumora-demo-service"

LUMORA_FORCE_XVFB=1 exec "$repo/scripts/with-display.sh" \
  python3 "$repo/bench/service_bench.py" startup --build-dir "$build" ${extra[@]+"${extra[@]}"}
