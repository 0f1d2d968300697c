#!/usr/bin/env bash
# The longest freeze of the client's user-interface thread when its service accepts
# connections and never answers, at start-up and at exit: runs the real program under a
# private Xvfb against bench/quiet_service.py with the stall watch on (LUMORA_TRACE_STALLS) in
# three cases: quiet from the start; quiet from the start-up's 5-second wait on; quiet
# before the user quits from the option menu, then SIGTERM.
#
#   bench/service_freeze.sh [--build-dir DIR]
#
#   --build-dir DIR   where the program is (default build/default; built there when missing)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$repo/build/default"
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build="$(realpath -m "${2:?--build-dir needs a value}")"; shift 2 ;;
    -h|--help) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "service_freeze.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
done

# shellcheck source=bench/scratch_client.sh
. "$repo/bench/scratch_client.sh"
need_built service_freeze.sh "$build" "$repo" lumora lumora_data lumora-demo-service -- \
  "$build/app/lumora" "$build/tools/demo_service/lumora-demo-service"

LUMORA_FORCE_XVFB=1 exec "$repo/scripts/with-display.sh" \
  python3 "$repo/bench/service_bench.py" freeze --build-dir "$build"
