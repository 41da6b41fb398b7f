#!/bin/sh
# The main job on the bundled sample roster: 12 classes with student numbers,
# the CSV files, the result workbook and the printed PDF under out/, the
# overview on the terminal.
set -eu
build=${1:-build}
fenban="$build/src/app/fenban"
if [ ! -x "$fenban" ]; then
    echo "run-sample: $fenban is missing; build first (make build)." >&2
    exit 2
fi
mkdir -p out
"$fenban" divide examples/roster.csv --classes 12 --prefix 高一 --student-id --csv out \
    --xlsx out/分班结果.xlsx --pdf out/分班结果.pdf
echo "CSV files, 分班结果.xlsx and 分班结果.pdf written to out/"
