#!/usr/bin/env bash
# Builds the fuzz targets with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer (build-fuzz/, kept between runs), makes the seed
# corpora, and fuzzes one target or all of them.
#
# Usage: scripts/fuzz.sh [TARGET|all] [SECONDS]
#   TARGET   script, bmp, png, wav, ogg, sprite or zip; all (the default) runs
#            every target, two at a time
#   SECONDS  fuzzing time per target, 30 by default
#
# The inputs kept in fuzz/regressions/<target>/ (inputs that once crashed)
# are replayed first.  The corpus a target grows lives in
# build-fuzz/corpus/<target>/ and is taken up again by the next run.  A
# finding (crash, sanitizer report, leak, timeout, memory limit) ends the
# target's run; its input is written to build-fuzz/findings/<target>/ and the
# script exits non-zero after all targets ran.  Findings listed in
# fuzz/known_findings.txt are reported as known and fuzzing starts again.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
all_targets=(script bmp png wav ogg sprite zip)
which="${1:-all}"
seconds="${2:-30}"
build="${RODAZARO_FUZZ_BUILD:-$root/build-fuzz}"

if [ "$which" = all ]; then
  targets=("${all_targets[@]}")
elif [[ " ${all_targets[*]} " == *" $which "* ]]; then
  targets=("$which")
else
  echo "usage: scripts/fuzz.sh [script|bmp|png|wav|ogg|sprite|zip|all] [SECONDS]" >&2
  exit 2
fi
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "fuzz.sh: SECONDS must be a positive number" >&2
  exit 2
fi

"$root/scripts/setup.sh" "$root/scripts/packages.txt" "$root/scripts/packages-fuzz.txt"

echo "== Build the fuzz targets (clang, ASan + UBSan) in $build"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DRODAZARO_FUZZ=ON -DRODAZARO_SANITIZE=ON -DRODAZARO_TESTS=OFF -DRODAZARO_WERROR=ON >/dev/null
fi
cmake --build "$build" -j2 --target fuzz >/dev/null

# The seeds are made again only when what they are made of changed.
stamp="$build/seeds/.made"
if [ ! -f "$stamp" ] || [ -n "$(find "$build/fuzz/rodazaro-fuzz-seeds" "$root/fuzz/make_corpus.sh" \
    "$root/examples/demo/data" -newer "$stamp" -print -quit)" ]; then
  "$root/fuzz/make_corpus.sh" "$build/fuzz/rodazaro-fuzz-seeds" "$build/seeds"
  touch "$stamp"
fi

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_stack_use_after_return=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp:print_suppressions=0"

# The note of the known finding a report matches; fails for a new finding.
known_finding() {
  local target="$1" report="$2" t error frame note
  while IFS=$'\t' read -r t error frame note; do
    [[ -z "$t" || "$t" == \#* || "$t" != "$target" ]] && continue
    grep -Eq "$error" "$report" || continue
    grep -E '^ *#[0-9]+ ' "$report" > "$report.frames" || true
    grep -Eq "$frame" "$report.frames" || continue
    echo "$note"
    return 0
  done < "$root/fuzz/known_findings.txt"
  return 1
}

# Sums libFuzzer's final statistics over the runs of a target.
executions() { grep -h '^stat::number_of_executed_units' "$@" 2>/dev/null | awk '{n += $2} END {print n + 0}'; }

# Replays the kept inputs of one target, then fuzzes it for $seconds.  Writes
# its verdict to $build/logs/<target>.result: ok, or finding.
run_target() {
  local t="$1"
  local bin="$build/fuzz/fuzz_$t" logs="$build/logs/$t" findings="$build/findings/$t"
  local regressions="$root/fuzz/regressions/$t" corpus="$build/corpus/$t"
  rm -rf "$logs"
  mkdir -p "$logs" "$findings" "$corpus"
  local options=(-rss_limit_mb=1024 -timeout=10 -print_final_stats=1 -artifact_prefix="$findings/")
  # Short inputs keep the slow targets fast; the demo's files are cut.
  case "$t" in
    script) options+=(-max_len=8192) ;;
    *) options+=(-max_len=16384) ;;
  esac
  if [ -f "$root/fuzz/$t.dict" ]; then options+=(-dict="$root/fuzz/$t.dict"); fi

  local kept=() dirs=("$corpus" "$build/seeds/$t")
  if [ -d "$regressions" ]; then
    mapfile -t kept < <(find "$regressions" -type f ! -name 'README*' | sort)
  fi
  # Kept inputs seed the fuzzing too.
  if [ ${#kept[@]} -gt 0 ]; then dirs+=("$regressions"); fi
  if [ ${#kept[@]} -gt 0 ]; then
    if ! timeout $((60 + 15 * ${#kept[@]})) "$bin" "${options[@]}" "${kept[@]}" >"$logs/replay.log" 2>&1; then
      echo "[$t] FINDING: a kept input of fuzz/regressions/$t fails again; see $logs/replay.log"
      grep -E 'ERROR|Running: |SUMMARY' "$logs/replay.log" | tail -5 | sed "s/^/[$t]   /" || true
      echo finding > "$build/logs/$t.result"
      return
    fi
  fi

  local start=$SECONDS deadline=$((SECONDS + seconds)) run=0 left log unit note
  local verdict=ok
  while left=$((deadline - SECONDS)); [ "$left" -gt 0 ]; do
    run=$((run + 1))
    log="$logs/run$run.log"
    if timeout $((left + 120)) "$bin" "${options[@]}" -max_total_time="$left" "${dirs[@]}" >"$log" 2>&1; then
      break
    fi
    unit="$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -1)"
    if [ -n "$unit" ] && note="$(known_finding "$t" "$log")"; then
      # Fuzzing starts again.  The first three inputs of each known finding
      # are kept and named.
      echo "$note" >> "$logs/known"
      if [ "$(grep -cxF "$note" "$logs/known")" -le 3 ]; then
        mkdir -p "$findings/known"
        mv "$unit" "$findings/known/"
        echo "[$t] known, being fixed: $note ($findings/known/$(basename "$unit"))"
      else
        rm -f "$unit"
      fi
      continue
    fi
    verdict=finding
    echo "[$t] FINDING: ${unit:-no input written (the fuzzer itself failed)}; report: $log"
    grep -m 5 -E '^==[0-9]+==|ERROR|SUMMARY|runtime error' "$log" | sed "s/^/[$t]   /" || true
    break
  done
  local n elapsed=$((SECONDS - start))
  [ "$elapsed" -gt 0 ] || elapsed=1
  n="$(executions "$logs"/run*.log)"
  local known=""
  if [ -f "$logs/known" ]; then known=" ($(wc -l < "$logs/known") known findings)"; fi
  echo "[$t] $n executions in $elapsed s ($((n / elapsed)) per second), corpus $(find "$corpus" -type f | wc -l) inputs: $verdict$known"
  echo "$verdict" > "$build/logs/$t.result"
}

echo "== Fuzz ${targets[*]} for $seconds s each"
mkdir -p "$build/logs"
for t in "${targets[@]}"; do rm -f "$build/logs/$t.result"; done
if [ ${#targets[@]} -eq 1 ]; then
  run_target "${targets[0]}"
else
  # Two targets at a time, one per core.
  for ((i = 0; i < ${#targets[@]}; i += 2)); do
    run_target "${targets[i]}" &
    if [ $((i + 1)) -lt ${#targets[@]} ]; then run_target "${targets[i + 1]}" & fi
    wait
  done
fi

status=0
passed=0
for t in "${targets[@]}"; do
  if [ "$(cat "$build/logs/$t.result" 2>/dev/null)" != ok ]; then status=1; else passed=$((passed + 1)); fi
done
echo "fuzz: $passed passed, $((${#targets[@]} - passed)) failed"
if [ "$status" -ne 0 ]; then
  echo "fuzz.sh: findings; their inputs are under $build/findings/ (replay: $build/fuzz/fuzz_TARGET INPUT)"
fi
exit "$status"
