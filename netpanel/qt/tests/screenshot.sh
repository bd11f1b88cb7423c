#!/usr/bin/env bash
# Takes a picture of netpanel running on the simulated adapter under a virtual X server.
#
#   netpanel/qt/tests/screenshot.sh [BUILD_DIR] [OUTPUT.png] [TAB]
#
# BUILD_DIR defaults to build/, OUTPUT.png to ./netpanel-screenshot.png; TAB (0..5) selects a
# tab before the picture is taken. A bare X server has no system tray, so the program opens its
# window at start ("Link Info"). With ImageMagick's import the whole screen is taken, otherwise
# the program grabs its own window (NETPANEL_SCREENSHOT, see netpanel/qt/screenshot_hook.h).
# The demo environment (adapter environment, registry, runtime directory) is temporary.
set -euo pipefail

root=$(cd "$(dirname "$0")/../../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
output=$(realpath -m "${2:-netpanel-screenshot.png}")
tab=${3:-}
program=$build/bin/netpanel
[[ -x $program ]] || { echo "screenshot.sh: $program is not built" >&2; exit 1; }
command -v Xvfb >/dev/null || { echo "screenshot.sh: Xvfb is not installed" >&2; exit 1; }

demo=$(mktemp -d)
xvfb_pid=
cleanup() {
  if [[ -n $xvfb_pid ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$demo"
}
trap cleanup EXIT

cp "$root/platform/nicapi/nicapi-environment.ini" "$demo/"
mkdir -p "$demo/registry" "$demo/run"
chmod 700 "$demo/run"

# A free display number.
display=99
while [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 800x600x24 -nolisten tcp >"$demo/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X$display ]] && break; sleep 0.1; done
[[ -e /tmp/.X11-unix/X$display ]] || { echo "screenshot.sh: Xvfb did not start" >&2; exit 1; }

export DISPLAY=":$display" QT_QPA_PLATFORM=xcb
export NICAPI_ENVIRONMENT=$demo/nicapi-environment.ini
export NETPANEL_REGISTRY_DIR=$demo/registry XDG_RUNTIME_DIR=$demo/run
unset WAYLAND_DISPLAY NICAPI_LIBRARY
[[ -n $tab ]] && export NETPANEL_SCREENSHOT_TAB=$tab

if command -v import >/dev/null; then
  # The program grabs (and then ends) a second after the screen was taken.
  export NETPANEL_SCREENSHOT=$demo/window.png NETPANEL_SCREENSHOT_DELAY_MS=4000
  "$program" &
  program_pid=$!
  sleep 3
  import -window root "$output"
  wait "$program_pid"
else
  export NETPANEL_SCREENSHOT=$output NETPANEL_SCREENSHOT_DELAY_MS=3000
  "$program"
fi
echo "screenshot.sh: $output"
