#!/usr/bin/env bash
# Starts the workbench from the build tree; without a display it uses a
# virtual one when xvfb-run is there.
set -euo pipefail
build=${1:-build}
program="$build/Quillbarrow/Dravlen/Dravlen"
[ -x "$program" ] || { echo "The program was not built: $program"; exit 1; }
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
  if command -v xvfb-run >/dev/null; then
    echo "No display: starting Dravlen on a virtual display (xvfb-run)."
    exec xvfb-run -a "$program"
  fi
  echo "No display to open the Dravlen window on (set DISPLAY, or install xvfb)."
  exit 1
fi
exec "$program"
