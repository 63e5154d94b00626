#!/usr/bin/env bash
# Installs what is missing, builds everything and makes the Debian package of
# both programs in build/; prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
(cd build && cpack -G DEB >/dev/null)
ls -t "$PWD"/build/quillon_*.deb | head -n 1
