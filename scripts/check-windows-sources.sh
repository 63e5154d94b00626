#!/usr/bin/env bash
# Compiles the sources written for Windows alone (every *_win.cpp and every
# source with a Windows branch) with MinGW-w64, for syntax and types only,
# against this machine's Qt headers: the Linux build never compiles them, so
# this is what keeps them from rotting. Exits non-zero on the first error.
#
# Usage: check-windows-sources.sh [QT_HEADERS]   (default: qmake6's headers)
set -euo pipefail
cd "$(dirname "$0")/.."

cxx=x86_64-w64-mingw32-g++-posix
command -v "$cxx" >/dev/null || bash scripts/install-deps.sh
qt="${1:-$(qmake6 -query QT_INSTALL_HEADERS)}"

skip=(--exclude-dir='build*' --exclude-dir=tests --exclude-dir=.git)
mapfile -t sources < <(
  { find . \( -name 'build*' -o -name tests -o -name .git \) -prune -o -name '*_win.cpp' -print
    grep -rlE --include='*.cpp' "${skip[@]}" 'Q_OS_WIN|_WIN32' .; } | sort -u)
[ "${#sources[@]}" -gt 0 ] || { echo "check-windows-sources: nothing to check" >&2; exit 1; }

# Qt finds Windows from the compiler's own macros; UNICODE is how Qt itself is
# built there, so the Win32 calls take wide strings. Qt's headers are system
# headers: their Linux build configuration is not what is under test.
flags=(-std=c++20 -fsyntax-only -DUNICODE -D_UNICODE
       -DQT_NO_CAST_FROM_ASCII -DQT_NO_NARROWING_CONVERSIONS_IN_CONNECT
       -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Werror)
for module in "" QtCore QtGui QtWidgets QtNetwork; do
  flags+=(-isystem "$qt/$module")
done

# Each source sees its own room alone, as the build's floors let it
# (cmake/QuillonRooms.cmake): today's Windows sources are all in platform/, the
# lowest floor, which includes no other room.
rooms="$(mktemp -d)"
trap 'rm -rf "$rooms"' EXIT
status=0
for source in "${sources[@]}"; do
  echo "check-windows-sources: $source"
  room="${source#./}"
  room="${room%%/*}"
  mkdir -p "$rooms/$room"
  [ -e "$rooms/$room/$room" ] || ln -s "$PWD/$room" "$rooms/$room/$room"
  "$cxx" "${flags[@]}" -I "$rooms/$room" "$source" || status=1
done
exit "$status"
