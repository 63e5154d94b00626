#!/usr/bin/env bash
# Makes the Debian package from the build and has Debian's own checker judge
# it as Debian judges its packages: any error or warning fails.
#   lintian.sh BUILD_DIR SCRATCH
set -euo pipefail
build=$1 scratch=$2
rm -rf "$scratch"
mkdir -p "$scratch"
(cd "$build" && cpack -G DEB -B "$scratch" >/dev/null)
deb=$(ls "$scratch"/quillon_*.deb)
if ! report=$(lintian --fail-on error,warning --tag-display-limit 0 "$deb" 2>&1); then
  echo "FAIL: lintian on $deb:" >&2
  echo "$report" >&2
  exit 1
fi
echo "lintian finds no error or warning in $(basename "$deb")"
