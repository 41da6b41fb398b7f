#!/bin/sh
# The main job on the bundled sample roster. With a display (DISPLAY or
# WAYLAND_DISPLAY set) the window opens with the sample roster brought in,
# ready for 开始分班. Without one: 12 classes with student numbers, the CSV
# files, the result workbook and the printed PDF under out/, the overview on
# the terminal.
set -eu
build=${1:-build}
fenban="$build/src/app/fenban"
if [ ! -x "$fenban" ]; then
    echo "run-sample: $fenban is missing; build first (make build)." >&2
    exit 2
fi
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "Opening the window with examples/roster.csv; set the parameters and press 开始分班."
    exec "$fenban" examples/roster.csv
fi
mkdir -p out
"$fenban" divide examples/roster.csv --classes 12 --prefix 高一 --student-id --csv out \
    --xlsx out/分班结果.xlsx --pdf out/分班结果.pdf
echo "CSV files, 分班结果.xlsx and 分班结果.pdf written to out/"
echo "No display here: on a desktop, 'make run' (or '$fenban examples/roster.csv') opens the window."
