#!/usr/bin/env bash
# Quillon and Tarvex answer --help and --version before they need a display or
# touch their watch list, and refuse an argument they do not know. They run
# from the installed tree, whose bin/ holds no watch list to begin with.
#   command_line.sh BIN_DIR QUILLON_VERSION TARVEX_VERSION
set -euo pipefail
bin=$1
declare -A version=([Quillon]=$2 [Tarvex]=$3)
fail() { echo "FAIL: $*" >&2; exit 1; }
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

# run ENV PROGRAM ARGS...: status, standard output and error of one run. A
# program that opened its window instead would be stopped by the timeout.
run() {
  local platform=$1 program=$2
  shift 2
  status=0
  env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM="$platform" \
    timeout 20 "$bin/$program" "$@" >"$out" 2>"$err" || status=$?
}

for program in Quillon Tarvex; do
  # With no display at all, and with one a window could open on.
  for platform in "" offscreen; do
    run "$platform" "$program" --version
    [ "$status" = 0 ] && [ "$(cat "$out")" = "$program ${version[$program]}" ] ||
      fail "$program --version ($platform): status $status, '$(cat "$out" "$err")'"
    run "$platform" "$program" --help
    [ "$status" = 0 ] && grep -q "^Usage: $program \[options\]" "$out" && grep -q -- --version "$out" ||
      fail "$program --help ($platform): status $status, '$(cat "$out" "$err")'"
  done
  # Qt's own options go on to Qt and leave ours working.
  run "" "$program" -platform offscreen -h
  [ "$status" = 0 ] && grep -q "^Usage: $program" "$out" || fail "$program -platform offscreen -h: status $status"
  for wrong in --verbose -platform stray; do
    run offscreen "$program" $wrong
    [ "$status" = 2 ] && [ ! -s "$out" ] && grep -q "^Usage: $program" "$err" ||
      fail "$program $wrong: status $status, '$(cat "$out" "$err")'"
  done
done

for file in Setting.ini Setting2.ini Setting3.ini; do
  [ ! -e "$bin/$file" ] || fail "$file was written beside the programs"
done
echo "--help and --version answer without a display; unknown arguments are refused"
