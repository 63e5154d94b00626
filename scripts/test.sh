#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
# As root the end-to-end tests start the programs as this ordinary user, so
# that Chromium's sandbox, which refuses the superuser, stays on.
if [ "$(id -u)" -eq 0 ]; then bash scripts/ordinary-user.sh >/dev/null; fi
ctest --preset default -j2
