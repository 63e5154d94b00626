#!/usr/bin/env bash
# Builds and runs the benchmarks; they print their figures side by side.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh quillon-bench-refresh quillon-bench-jujiao quillon-bench-memory
QT_QPA_PLATFORM=offscreen build/bin/quillon-bench-refresh
echo
QT_QPA_PLATFORM=offscreen build/bin/quillon-bench-jujiao
echo
# Runs both programs on an Xvfb display of its own; a few minutes.
build/bin/quillon-bench-memory
