#!/usr/bin/env bash
# Makes the Debian package from the build, installs it on this machine with
# dpkg and uses it as an ordinary user does: Quillon started by its menu
# entry's command, on a display of its own, with the user's services started
# as their units say; a stock added lands in ~/.config/Quillon, and a second
# start ends at once. The package is removed again unless it was there before.
#   debian_package.sh SOURCE_DIR BUILD_DIR SCRATCH
set -euo pipefail
source_dir=$1 build=$2 scratch=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "installing a package needs root; not tried"; exit 77; }

rm -rf "$scratch"
mkdir -p "$scratch"
(cd "$build" && cpack -G DEB -B "$scratch" >/dev/null)
deb=$(ls "$scratch"/quillon_*.deb)
depends=", $(dpkg-deb -f "$deb" Depends),"
for needed in libqt6webenginewidgets6 libqt6webenginecore6-bin fonts-arphic-uming xdg-utils; do
  [[ $depends == *", $needed"[\ ,]* ]] || fail "the package does not depend on $needed"
done

pids=()
installed_before=$(dpkg-query -W -f='${Status}' quillon 2>/dev/null | grep -c 'ok installed' || true)
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  pkill -u "$user" -f '^/usr/bin/(Quillon|Tarvex|quillon-)' 2>/dev/null || true
  if [ "$installed_before" = 0 ]; then dpkg --purge quillon >/dev/null 2>&1 || true; fi
  rm -rf "${user_dirs:-}"
}
user=$(bash "$source_dir/scripts/ordinary-user.sh")
trap cleanup EXIT
dpkg -i "$deb" >/dev/null || fail "dpkg could not install $deb"
for socket in quillon-gateway quillon-site; do
  [ -L "/etc/systemd/user/sockets.target.wants/$socket.socket" ] ||
    fail "$socket.socket is not enabled for the users' sessions"
done

# The user's own folders, fresh, where the user can enter them: the build may
# lie in a folder only root may enter, such as /root. The display is reached
# through its socket.
user_dirs=$(mktemp -d /tmp/quillon-package.XXXXXX)
chmod 755 "$user_dirs"
home=$user_dirs/home runtime=$user_dirs/runtime
mkdir -p "$home" "$runtime"
chmod 700 "$runtime"
chown "$user:" "$home" "$runtime"
display=":$((400 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
as_user() {
  env -i PATH=/usr/bin:/bin HOME="$home" USER="$user" DISPLAY="$display" \
    XDG_RUNTIME_DIR="$runtime" LANG=C.UTF-8 \
    setpriv --reuid="$user" --regid="$user" --clear-groups "$@"
}
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

units=/usr/lib/systemd/user
verified=$(XDG_RUNTIME_DIR=$runtime systemd-analyze --user verify \
  "$units"/quillon-{gateway,site}.{socket,service} 2>&1) || fail "units: $verified"
[ -z "$verified" ] || fail "units: $verified"
listen() { sed -n 's/^ListenStream=//p' "$units/$1.socket"; }
[ ! -e /usr/bin/quillon-standin ] || fail "the stand-in with its made-up market is installed"

# Quillon and Tarvex with the servers their units start, a recorded feed
# behind the gateway: the chart, the news, the risk grade, the publisher's
# pages and the stale-quote line.
"$build/testbin/test_e2e_installed" >"$scratch/installed.log" 2>&1 ||
  fail "installed end to end: $(tail -n 60 "$scratch/installed.log")"

# The pages' server as its units start it, at the first request. The gateway's
# feed is out of reach here, so the build's stand-in answers on the gateway's address.
read -ra site <<<"$(sed -n 's/^ExecStart=//p' "$units/quillon-site.service")"
as_user systemd-socket-activate -l "$(listen quillon-site)" "${site[@]}" >/dev/null 2>&1 &
pids+=($!)
gateway=$(listen quillon-gateway)
"$build/bin/quillon-standin" --port "${gateway##*:}" >"$scratch/gateway.log" 2>&1 &
pids+=($!)
sleep 1

read -ra menu <<<"$(sed -n 's/^Exec=//p' /usr/share/applications/org.quillon.Quillon.desktop)"
as_user "${menu[@]}" >"$scratch/quillon.log" 2>&1 &
quillon=$!
pids+=($quillon)
window=$(timeout 60 xdotool search --sync --onlyvisible --pid "$quillon" --name '^QuillonV' |
  head -n 1) || fail "no Quillon window within 60 s: $(cat "$scratch/quillon.log")"
waited=0
until grep -q '/msq?' "$scratch/gateway.log"; do
  [ $((waited += 1)) -lt 300 ] || fail "no quote asked on the gateway's address $gateway"
  sleep 0.1
done
waited=0
until pgrep -u "$user" -f '^/usr/bin/quillon-site' >/dev/null; do
  [ $((waited += 1)) -lt 300 ] || fail "the pages' server was never started by a request"
  sleep 0.1
done

# Added through the list's menu and the add dialog, as a user adds a stock.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 40)) $((Y + 150)) click 3
sleep 0.7
xdotool key --delay 80 Down Return
dialog=$(timeout 20 xdotool search --sync --onlyvisible --name '^添加黑马$' | head -n 1) ||
  fail "no add dialog"
xdotool type --delay 80 600000
eval "$(xdotool getwindowgeometry --shell "$dialog")"
xdotool mousemove $((X + 120)) $((Y + 148)) click 1
list=$home/.config/Quillon/Setting.ini
waited=0
until grep -q '^600000' "$list" 2>/dev/null; do
  [ $((waited += 1)) -lt 200 ] || fail "no 600000 in $list: $(cat "$scratch/quillon.log")"
  sleep 0.1
done
for file in Setting.ini Setting2.ini Setting3.ini; do
  [ "$(stat -c %U "$home/.config/Quillon/$file")" = "$user" ] || fail "$file is not the user's"
done

as_user "${menu[@]}" >/dev/null 2>&1 & second=$!
waited=0
while kill -0 "$second" 2>/dev/null; do
  [ $((waited += 1)) -lt 100 ] || fail "a second start ran on"
  sleep 0.1
done
wait "$second" || fail "a second start failed"
[ "$(xdotool search --onlyvisible --name '^QuillonV' | wc -l)" = 1 ] ||
  fail "a second start opened a second window"
kill -0 "$quillon" || fail "the first Quillon ended"
import -window root "$scratch/desktop.png" 2>/dev/null || true
echo "$deb installed and used as $user: quotes from $gateway, the list in ~/.config/Quillon"
