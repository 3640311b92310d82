#!/usr/bin/env bash
# Screenshots of the main window, one per tab, on the sample data, taken on
# a virtual display (Xvfb) with a private home so that no real settings are
# read or written. Not part of `make test`.
#   scripts/screenshots.sh [build folder] [output folder]
set -euo pipefail
build=${1:-build}
out=${2:-$build/screenshots}
cmake --build "$build" -j "${JOBS:-3}" --target Dravlen DravlenShots >/dev/null
program="$(cd "$build" && pwd)/Quillbarrow/Dravlen/Dravlen"
tool="$build/workbench/app/DravlenShots"
[ -x "$program" ] && [ -x "$tool" ] || { echo "The program was not built."; exit 1; }
command -v xvfb-run >/dev/null || { echo "xvfb-run is needed (apt-get install xvfb)."; exit 1; }
mkdir -p "$out"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/Documents" "$home/.config"
HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DOCUMENTS_DIR="$home/Documents" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$tool" "$program" "$(cd "$out" && pwd)"
