#!/usr/bin/env bash
# valgrind memcheck of the program from start-up to exit.
#
#   scripts/valgrind.sh [--build-dir DIR] [--all-behaviour] [--program [SECONDS]]
#
# Always: the behaviour tests that run the program's start-up to its end on the headless view
# (the real windows, behaviours, Config.ini and service client against loopback test servers,
# no toolkit), under memcheck with --leak-check=full; a definite leak or a memory error fails.
# --all-behaviour: every behaviour test instead (the hostile service and file matrices too;
# about 90 s on 2 cores).
# --program: also the real program under a private Xvfb against the demo service (the browser
# engine's helper processes are not traced): it runs until its start-up has read its last page
# and SECONDS (default 20) more, then gets SIGTERM. Slow: about 2 minutes on 2 cores.
#
#   --build-dir DIR   a build of the default preset (default build/default; built when missing)
# Logs land in DIR/valgrind/.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$repo/build/default"
program=0
settle=20
filter=""
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build="$(realpath -m "${2:?--build-dir needs a value}")"; shift 2 ;;
    --program)
      program=1; shift
      if [ $# -gt 0 ] && [[ "$1" =~ ^[0-9]+$ ]]; then settle="$1"; shift; fi ;;
    --all-behaviour) filter='*'; shift ;;
    -h|--help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "valgrind.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
done
command -v valgrind > /dev/null || { echo "valgrind.sh: valgrind is not installed" >&2; exit 1; }

tests="$build/tests/behaviour/behaviour_tests"
if [ ! -x "$tests" ] || { [ "$program" -eq 1 ] && [ ! -x "$build/app/lumora" ]; }; then
  if [ "$build" != "$repo/build/default" ]; then
    echo "valgrind.sh: no behaviour tests or program in $build" >&2
    exit 1
  fi
  "$repo/scripts/build.sh" default behaviour_tests lumora lumora_data lumora-demo-service
fi
logs="$build/valgrind"
mkdir -p "$logs"

memcheck=(valgrind --tool=memcheck --leak-check=full --errors-for-leak-kinds=definite
          --show-leak-kinds=definite --num-callers=40 --error-exitcode=99)

# Every test that takes the program from its start to its end: the start routine with its
# message loop and clean-up, the start-up against the service, the ways out (close, quit, the
# exit pop-up's timer, the updater, no network), and the whole flow of a well-behaved service.
if [ -z "$filter" ]; then
  filter='StartupTest.*:*StartupNamesTest.*:ExitTrayTest.*:MainWindowTest.RunsUntil*'
  filter+=':AdvertsTest.ExitPopupEnds*:*ForcedUpgrade*:UpgradeTest.*:WindowModelTest.*'
  filter+=':HostileServiceTest.WellBehavedServiceTakesTheFlowThroughEveryPage'
fi
echo "memcheck: behaviour tests ($filter)" >&2
status=0
# A test that sets no service of its own talks to a closed port, as under ctest.
LUMORA_SERVICE_BASE=http://127.0.0.1:9/ "${memcheck[@]}" --log-file="$logs/behaviour.log" \
  "$tests" --gtest_filter="$filter" > "$logs/behaviour.out" 2>&1 || status=$?
tail -n 3 "$logs/behaviour.out" >&2
grep -E "ERROR SUMMARY|definitely lost|indirectly lost|possibly lost" "$logs/behaviour.log" >&2 || true
if [ "$status" -ne 0 ]; then
  echo "valgrind.sh: behaviour tests under memcheck failed (status $status); see $logs/" >&2
  exit "$status"
fi

[ "$program" -eq 1 ] || exit 0

# shellcheck source=bench/scratch_client.sh
. "$repo/bench/scratch_client.sh"
start_scratch_client "$build" "$repo"
export settle logs
export memcheck_line="${memcheck[*]}"

run_program() {
  # shellcheck disable=SC2086
  $memcheck_line --log-file="$logs/program.%p.log" "$work/app/lumora" > "$logs/program.out" 2>&1 &
  local pid=$! started=$SECONDS
  local waited=0
  until grep -q "GET /ads/ytkg.html" "$work/demo.log" 2> /dev/null; do
    kill -0 "$pid" 2> /dev/null || { echo "valgrind.sh: the program ended early" >&2; break; }
    sleep 5
    waited=$((waited + 5))
    [ "$waited" -lt 1800 ] || { echo "valgrind.sh: no end of start-up in 30 min" >&2; break; }
  done
  echo "start-up done after $((SECONDS - started)) s under memcheck; running ${settle}s more" >&2
  sleep "$settle"
  kill -TERM "$pid" 2> /dev/null || true
  local status=0
  wait "$pid" || status=$?
  echo "program ended with status $status after $((SECONDS - started)) s" >&2
  return "$status"
}
export -f run_program
echo "memcheck: the real program under Xvfb (slow)" >&2
rm -f "$logs"/program.*.log
status=0
LUMORA_FORCE_XVFB=1 "$repo/scripts/with-display.sh" bash -c run_program || status=$?
# The browser engine and the libraries under it (fontconfig, GLib, D-Bus, the GL driver) leave
# definite leaks and uninitialised reads of their own, so memcheck's verdict (99) says little
# here. What counts is whether a lost block or an error has our code as the first frame
# outside the allocator and the standard library.
python3 - "$logs"/program.*.log << 'EOF' || status=98
import re, sys

skip = re.compile(r"vgpreload|libstdc\+\+|new_allocator|allocator\.h|alloc_traits|basic_string|"
                  r"\b(malloc|calloc|realloc|strdup|operator new)\b|: \?\?\?$")
ours = re.compile(r"lumora::|/app/lumora\)|\((launcher|platform|windows|forms|service|config)/")
found = 0
for path in sys.argv[1:]:
    records, current = [], None
    for line in open(path, errors="replace"):
        m = re.match(r"==\d+== (.*)", line.rstrip("\n"))
        if not m:
            continue
        text = m.group(1)
        if re.match(r"(\S.* definitely lost in loss record|Invalid |Conditional jump|"
                    r"Use of uninitialised|Syscall param|Mismatched|Source and destination)", text):
            current = [text]
            records.append(current)
        elif current is not None and text.strip().startswith(("at ", "by ")):
            current.append(text.strip())
        else:
            current = None
    summary = [l.split("== ", 1)[1].strip() for l in open(path, errors="replace")
               if "definitely lost:" in l or "ERROR SUMMARY" in l]
    print(f"{path}: {'; '.join(summary)}")
    for record in records:
        first = next((f for f in record[1:] if not skip.search(f)), "")
        if ours.search(first):
            found += 1
            print("  from our code: " + record[0] + "\n    " + "\n    ".join(record[1:12]))
print(f"records whose first frame past the allocator is ours: {found}")
sys.exit(1 if found else 0)
EOF
# SIGTERM ends the program with 128 + 15; memcheck's own verdict (99) is judged above.
case "$status" in
  0|99|143) exit 0 ;;
  98) echo "valgrind.sh: memory errors or definite leaks from our code; see $logs/" >&2 ;;
  *) echo "valgrind.sh: the program ended with status $status; see $logs/" >&2 ;;
esac
exit "$status"
