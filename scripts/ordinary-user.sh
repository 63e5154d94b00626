#!/usr/bin/env bash
# Prints the name of the ordinary user that the scripts and the tests start the
# programs as when they themselves run as root (so that Chromium's sandbox
# stays on), making the user first when it does not exist yet.
set -euo pipefail
user=quillon
if ! id -u "$user" >/dev/null 2>&1; then
  useradd --create-home --user-group --shell /usr/sbin/nologin "$user"
fi
echo "$user"
