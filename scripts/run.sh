#!/usr/bin/env bash
# Installs what is missing, builds Quorvex and starts it. Arguments go to the
# program, e.g. --source "Cam=v4l2:///dev/video0" or --home DIR.
#  - With a display ($DISPLAY or $WAYLAND_DISPLAY) the program opens its window.
#  - Without one it runs headless (-platform offscreen) and prints the event log.
#  - Without a camera (/dev/video*) and no --source, it watches the demo scene.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"

args=("$@")
if [[ " $* " != *" --source "* ]] && ! compgen -G "/dev/video*" >/dev/null; then
  echo "No camera found (/dev/video*): starting on the demo scene."
  args+=(--source "Demo=demo:")
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: running headless, one line per event log entry. Stop with Ctrl+C."
  args+=(-platform offscreen)
fi
exec "$root/build/src/app/quorvex" "${args[@]}"
