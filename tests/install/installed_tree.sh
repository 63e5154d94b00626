#!/usr/bin/env bash
# Installs the build into a scratch root as a package would (prefix /usr under
# DESTDIR) and checks what a desktop needs of it: the four programs, a valid
# desktop entry and AppStream metainfo per program that name what is installed,
# and the program's icon at every size of the hicolor theme.
#   installed_tree.sh BUILD_DIR ROOT
set -euo pipefail
build=$1 root=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$root"
DESTDIR="$root" "${CMAKE:-cmake}" --install "$build" --prefix /usr >/dev/null
cd "$root/usr"

for program in Quillon Tarvex quillon-gateway quillon-site; do
  [ -x "bin/$program" ] || fail "bin/$program is not installed"
done
[ ! -e bin/quillon-standin ] || fail "the stand-in, with its made-up market, is installed"
[ "$(cat share/quillon/site/fengxian.txt)" = auto ] || fail "no shipped pages in share/quillon/site"

for id in org.quillon.Quillon org.quillon.Tarvex; do
  desktop=share/applications/$id.desktop
  metainfo=share/metainfo/$id.metainfo.xml
  [ -f "$desktop" ] && [ -f "$metainfo" ] || fail "$id: desktop entry or metainfo missing"
  # Hints count too: a desktop shows an entry with hints differently or twice.
  report=$(desktop-file-validate "$desktop" 2>&1) || fail "$desktop: $report"
  [ -z "$report" ] || fail "$desktop: $report"
  appstreamcli validate --no-net --strict "$metainfo" >/dev/null ||
    fail "$metainfo: $(appstreamcli validate --no-net "$metainfo" 2>&1)"

  exec=$(sed -n 's/^Exec=//p' "$desktop")
  [ -x "bin/${exec%% *}" ] || fail "$desktop starts '$exec', which is not in bin/"
  [ "$(sed -n 's/^Icon=//p' "$desktop")" = "$id" ] || fail "$desktop names another icon"
  grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "$metainfo does not launch $id.desktop"
  for size in 16 24 32 48 64 128 256; do
    png=share/icons/hicolor/${size}x${size}/apps/$id.png
    [ -f "$png" ] || fail "$png is missing"
    # A PNG's header: the signature, then IHDR with width and height.
    header=$(od -An -tx1 -N24 "$png" | tr -d ' \n')
    [ "${header:0:16}" = 89504e470d0a1a0a ] || fail "$png is no PNG"
    [ "${header:32:16}" = "$(printf '%08x%08x' "$size" "$size")" ] || fail "$png is not ${size}x$size"
  done
done

appstreamcli validate-tree --no-net --strict "$root" >/dev/null ||
  fail "the tree: $(appstreamcli validate-tree --no-net "$root" 2>&1)"
echo "installed tree in $root: programs, desktop entries, metainfo and icons in order"
