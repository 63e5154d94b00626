#!/usr/bin/env bash
# Installs what is missing, then configures and builds the given targets (all when none).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
if [ "$#" -gt 0 ]; then
  cmake --build --preset default --target "$@"
else
  cmake --build --preset default
fi
