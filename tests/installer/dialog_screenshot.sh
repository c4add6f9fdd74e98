#!/usr/bin/env bash
# Starts the installer from a game folder in the virtual display, saves what the screen shows of its
# window, and checks the painted status line there: orange (250, 160, 0) text over the bar. Window
# text drawn by a control itself is only visible on the screen, not through any window API.
#   dialog_screenshot.sh CMPATCH_EXE OUTPUT_PNG
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
exe=$1
out=$2
source "$root/scripts/wine-env"
[ -n "${DISPLAY:-}" ] || { echo "no virtual display: scripts/xvfb start"; exit 1; }

game=$(mktemp -d)
trap 'rm -rf "$game"' EXIT
touch "$game/Cindermoor.exe"
(cd "$game" && exec "$root/scripts/wine-run" "$exe" </dev/null >/dev/null 2>&1) &
installer=$!

window=$(timeout 30 xdotool search --sync --onlyvisible --name 'Cindermoor' | head -n 1)
sleep 1  # the first paint
mkdir -p "$(dirname "$out")"
import -window "$window" "$out"

# Within a few percent of the exact colour: the glyphs' edges are blended with their outline.
orange=$(convert "$out" -alpha off -fuzz 7% -fill black +opaque 'rgb(250,160,0)' -fill white -opaque 'rgb(250,160,0)' \
  -format '%[fx:round(mean*w*h)]' info:)
size=$(identify -format '%wx%h' "$out")
xdotool key --window "$window" Escape
# Ended by Esc within a few seconds; one that hangs is stopped and fails the test.
for _ in $(seq 500); do
  kill -0 "$installer" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$installer" 2>/dev/null; then
  pkill -P "$installer" || true
  kill "$installer" || true
  echo "the installer did not end within 50 s after Esc and was stopped"
  exit 1
fi
status=0
wait "$installer" || status=$?

echo "screenshot $out ($size), $orange orange pixels, exit code $status"
[ "$status" -eq 2 ] || { echo "expected exit code 2 after Esc"; exit 1; }
[ "$orange" -ge 40 ] || { echo "expected the orange status text over the bar"; exit 1; }
