#!/usr/bin/env bash
# Builds the libFuzzer harnesses (the fuzz preset) and runs each for a while on its committed
# corpus: scripts/fuzz.sh [seconds-per-harness] [harness...]. Fails on the first crash, leak or
# broken property; the input that did it lands in build/fuzz/artifacts/.
# New interesting inputs go to build/fuzz/corpus-work/, never into fuzz/corpus/ by themselves.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
shift || true
harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
  harnesses=(ini gbk cipher number url manifest)
fi

cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

build=$root/build/fuzz
mkdir -p "$build/artifacts"
status=0
for name in "${harnesses[@]}"; do
  binary=$build/fuzz/fuzz_$name
  work=$build/corpus-work/$name
  mkdir -p "$work"
  log=$build/fuzz-$name.log
  echo "== $name: ${seconds}s"
  if "$binary" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$build/artifacts/$name-" "$work" "$root/fuzz/corpus/$name" >"$log" 2>&1; then
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "   ok: ${executions:-?} executions, corpus $(ls "$work" | wc -l) inputs"
  else
    echo "   FAILED (log: $log)"
    grep -E "ERROR|property failed|SUMMARY|Test unit written" "$log" | head -20 || true
    status=1
  fi
done
exit $status
