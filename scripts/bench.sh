#!/usr/bin/env bash
# Builds and runs the benchmarks; they print their figures side by side.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh quillon-bench-refresh quillon-bench-jujiao quillon-bench-memory \
    quillon-bench-cpu
QT_QPA_PLATFORM=offscreen build/bin/quillon-bench-refresh
echo
QT_QPA_PLATFORM=offscreen build/bin/quillon-bench-jujiao
echo
# Runs both programs on an Xvfb display of its own; a few minutes.
build/bin/quillon-bench-memory
echo
# Four Quillons at once, each on an Xvfb of its own under openbox and trayer;
# some four minutes (--seconds N shortens each of its three windows).
build/bin/quillon-bench-cpu
