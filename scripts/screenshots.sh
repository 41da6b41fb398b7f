#!/bin/sh
# Screenshots of the window under Xvfb into a folder (default out/shots):
# the empty window, the parameters dialog, the overview, a class tab with a
# found student and the progress window.
set -eu
build=${1:-build}
folder=${2:-out/shots}
mkdir -p "$folder"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
XDG_RUNTIME_DIR="$tmp" FENBAN_SHOTS="$(cd "$folder" && pwd)" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1600x1000x24" "$build/tests/app/app_screenshots_test"
echo "screenshots written to $folder"
