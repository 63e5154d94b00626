#!/usr/bin/env bash
# Fuzzes the code that reads what others wrote:
#   bash scripts/fuzz.sh [seconds-per-target] [target...]
# Targets: http reply gbk watchlist feed news hotsector pagerules changewatch
# (default: all, 60 seconds each).
# Builds them with clang, libFuzzer and the address and undefined-behaviour
# sanitizers (preset "fuzz", build-fuzz/) and runs one after the other, each on
# a working copy of tests/fuzz/corpus/<target>, so the repository stays as it
# is; FUZZ_SAVE=1 copies an input that broke a target into its corpus.
# Exits non-zero when any target broke, saying where the input is.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ "${#targets[@]}" -gt 0 ] || targets=(http reply gbk watchlist feed news hotsector pagerules changewatch)

# Only fuzzing needs clang and its libFuzzer runtime, so the build's own list leaves them out.
bash scripts/install-deps.sh clang libclang-rt-14-dev

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 --target "${targets[@]/#/fuzz_}"

work=$(mktemp -d /tmp/quillon-fuzz.XXXXXX)
failed=0
for t in "${targets[@]}"; do
  mkdir -p "$work/$t/corpus" "$work/$t/found"
  cp tests/fuzz/corpus/"$t"/* "$work/$t/corpus/"
  echo "fuzz: $t for ${seconds}s"
  if build-fuzz/bin/fuzz_"$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$work/$t/found/" "$work/$t/corpus" >"$work/$t/log" 2>&1; then
    grep -E '^Done [0-9]+ runs' "$work/$t/log" || true
  else
    failed=1
    grep -E 'what\(\)|ERROR|runtime error' "$work/$t/log" | head -5 || true
    for input in "$work/$t/found"/*; do
      echo "fuzz: $t broke on $input (log: $work/$t/log)"
      if [ "${FUZZ_SAVE:-0}" = 1 ]; then
        cp "$input" tests/fuzz/corpus/"$t"/
      fi
    done
  fi
done
echo "fuzz: working corpora and logs in $work"
exit "$failed"
