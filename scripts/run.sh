#!/usr/bin/env bash
# Builds Quillon, Tarvex and the stand-in server, starts the stand-in and opens
# Quillon (its "私募内参" button starts Tarvex from beside it).
# With no display it runs everything under Xvfb, saves a screenshot after the
# first refresh and says where.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/build.sh Quillon Tarvex quillon-standin
bin="$root/build/bin"
programs=$bin # where Quillon and Tarvex run from
# The stand-in's port, as the build set it.
port=$("$bin/quillon-standin" --help | sed -n 's/.*Port to listen on (default \([0-9]*\)).*/\1/p')

pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT

# As root, Quillon (and the Tarvex it starts) runs as an ordinary user, since
# Chromium's sandbox refuses the superuser. That user may not be able to enter
# this checkout (a clone under /root, or under any folder of mode 0700), so the
# two programs run from a copy in a folder of the user's own, where their
# watch list is kept too; the root's own settings folders are not theirs.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  user="$(bash scripts/ordinary-user.sh)"
  user_home="$(getent passwd "$user" | cut -d: -f6)"
  run_dir="$user_home/.local/share/quillon-run"
  install -d -o "$user" -g "$user" "$user_home/.local" "$user_home/.local/share" "$run_dir"
  install -o "$user" -g "$user" -m 755 "$bin/Quillon" "$bin/Tarvex" "$run_dir/"
  programs=$run_dir
  as_user=(setpriv --reuid="$user" --regid="$user" --init-groups --
           env -u XDG_RUNTIME_DIR -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CACHE_HOME
           -u XAUTHORITY HOME="$user_home" USER="$user" LOGNAME="$user")
fi

# A first-time user gets a small watch list to look at, kept beside the program.
if [ ! -e "$programs/Setting.ini" ]; then
  printf '600000\r\n600519\r\n000858\r\n300750\r\n002752\r\n000876\r\n' >"$programs/Setting.ini"
  printf '11.5\r\n1800\r\n160\r\n230\r\n9\r\n11\r\n' >"$programs/Setting2.ini"
  printf '9.5\r\n1500\r\n130\r\n180\r\n7\r\n8\r\n' >"$programs/Setting3.ini"
  if [ "${#as_user[@]}" -gt 0 ]; then chown "$user:" "$programs"/Setting*.ini; fi
fi

if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
  "$bin/quillon-standin" --port "$port" --quiet &
  pids+=($!)
  for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done
fi

if [ -n "${DISPLAY:-}" ]; then
  if [ "${#as_user[@]}" -gt 0 ]; then
    xhost "+SI:localuser:$user" >/dev/null || echo "run.sh: $user may not reach $DISPLAY" >&2
  fi
  "${as_user[@]}" "$programs/Quillon"
  exit 0
fi

# No display: a virtual one with a window manager and a system tray, then a screenshot.
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
trayer --edge top --align right --widthtype request --height 24 --transparent false >/dev/null 2>&1 &
pids+=($!)
# The user's X clients reach it through its local socket, which takes anyone's.
log="$root/build/quillon.log"
"${as_user[@]}" "$programs/Quillon" >"$log" 2>&1 &
quillon=$!
pids+=($quillon)
fail() {
  echo "run.sh: $*" >&2
  echo "run.sh: Quillon's output ($log):" >&2
  sed 's/^/  /' "$log" >&2
  exit 1
}
echo "Quillon is starting on the virtual display $display..."
window=
for _ in $(seq 600); do
  window=$(xdotool search --onlyvisible --pid "$quillon" --name '^QuillonV' 2>/dev/null | head -n 1) ||
    true
  [ -n "$window" ] && break
  kill -0 "$quillon" 2>/dev/null || fail "Quillon ended before its window showed"
  sleep 0.1
done
[ -n "$window" ] || fail "Quillon's window did not show within 60 seconds"
echo "Its window is up; waiting for the first refresh..."
sleep 10
kill -0 "$quillon" 2>/dev/null || fail "Quillon ended after its window showed"
mkdir -p "$root/screenshots"
shot="$root/screenshots/quillon.png"
import -window root "$shot"
# A window that is there but drew nothing leaves the screen one colour.
[ "$(convert "$shot" -format '%k' info:)" -gt 1 ] || fail "the screenshot $shot shows nothing"
echo "Screenshot saved to $shot"
