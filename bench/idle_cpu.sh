#!/usr/bin/env bash
# Idle CPU of the running client: starts it under a private Xvfb against the demo service,
# waits for the main window, lets it settle, then measures the CPU time of the whole process
# tree (the program and its browser-engine helper processes) from /proc/<pid>/stat and
# prints it as percent of one core.
#
#   bench/idle_cpu.sh [--build-dir DIR] [--settle SECONDS] [--measure SECONDS]
#
#   --build-dir DIR   where the program and the demo service are (default build/default;
#                     built there when missing)
#   --settle S        seconds between the main window appearing and the measurement (10)
#   --measure S       length of the measurement (60)
#
# The program runs from a copy of the app folder with a fresh home, so runs are comparable
# and the build's Config.ini stays untouched.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$repo/build/default"
settle=10
measure=60
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build="$(realpath -m "${2:?--build-dir needs a value}")"; shift 2 ;;
    --settle) settle="${2:?--settle needs a value}"; shift 2 ;;
    --measure) measure="${2:?--measure needs a value}"; shift 2 ;;
    -h|--help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "idle_cpu.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
done

# shellcheck source=bench/scratch_client.sh
. "$repo/bench/scratch_client.sh"
need_built idle_cpu.sh "$build" "$repo" lumora lumora_data lumora-demo-service -- \
  "$build/app/lumora" "$build/tools/demo_service/lumora-demo-service"
start_scratch_client "$build" "$repo"
export settle measure

measure_under_display() {
  "$work/app/lumora" > "$work/lumora.log" 2>&1 &
  local pid=$!
  timeout 120 xdotool search --sync --onlyvisible --pid "$pid" > /dev/null ||
    { cat "$work/lumora.log" >&2; echo "idle_cpu.sh: no main window" >&2; return 1; }
  echo "Main window up (pid $pid); settling ${settle}s, then measuring ${measure}s." >&2
  sleep "$settle"
  local status=0
  python3 - "$pid" "$measure" << 'EOF' || status=$?
import os, sys, time

root, length = int(sys.argv[1]), float(sys.argv[2])
tick = os.sysconf("SC_CLK_TCK")


def stat(pid):
    """(parent pid, cpu ticks, start tick, short name) of a process, or None once it is gone."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            raw = f.read()
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            cmd = f.read().split(b"\0")
    except OSError:
        return None
    fields = raw[raw.rindex(")") + 2:].split()  # the name may hold blanks and parentheses
    kind = next((a.decode()[7:] for a in cmd if a.startswith(b"--type=")), "")
    if kind == "zygote":  # page processes forked from the zygote keep its command line
        kind = "zygote or a page process"
    name = os.path.basename(cmd[0].decode(errors="replace")) + (f" ({kind})" if kind else "")
    return int(fields[1]), int(fields[11]) + int(fields[12]), int(fields[19]), name


def tree():
    """Every process of the tree under root, by pid."""
    all_stats = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            s = stat(int(entry))
            if s:
                all_stats[int(entry)] = s
    members, frontier = {}, [root]
    while frontier:
        pid = frontier.pop()
        if pid in all_stats and pid not in members:
            members[pid] = all_stats[pid]
            frontier += [p for p, s in all_stats.items() if s[0] == pid]
    return members


def uptime_ticks():
    with open("/proc/uptime") as f:
        return float(f.read().split()[0]) * tick


start_wall, start_ticks = time.monotonic(), uptime_ticks()
first = {pid: s[1] for pid, s in tree().items()}
last, names = dict(first), {}
# Sampled each second, so helpers that come and go inside the window are counted too
# (all but their last second, if they end before the window does).
while time.monotonic() - start_wall < length:
    time.sleep(min(1.0, max(0.0, length - (time.monotonic() - start_wall))))
    if stat(root) is None:
        sys.exit("idle_cpu.sh: the program ended during the measurement")
    for pid, s in tree().items():
        if pid not in first:
            first[pid] = 0 if s[2] >= start_ticks else s[1]
        last[pid] = s[1]
        names[pid] = s[3]
wall = time.monotonic() - start_wall

used = {pid: (last[pid] - first[pid]) / tick for pid in last}
total = sum(used.values())
for pid in sorted(used, key=used.get, reverse=True):
    print(f"  {used[pid]:7.2f} s  pid {pid:<7} {names.get(pid, '?')}")
print(f"{len(used)} processes, {total:.2f} s of CPU in {wall:.1f} s")
print(f"idle CPU: {100 * total / wall:.2f} % of one core")
EOF
  kill -TERM "$pid" 2> /dev/null || true
  wait "$pid" 2> /dev/null || true
  return "$status"
}
export -f measure_under_display

echo "Lumora idle CPU: $(nproc) cores, $(uname -r), demo service at $LUMORA_SERVICE_BASE" >&2
LUMORA_FORCE_XVFB=1 "$repo/scripts/with-display.sh" bash -c 'set -euo pipefail; measure_under_display'
