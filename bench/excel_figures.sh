#!/bin/sh
# The Excel figures, measured side by side in one run: reading a roster
# workbook (xlio::ReadXlsx against a bare libzip + expat scan of the same
# sheet XML and against openpyxl in read-only mode) and writing the result
# workbook (xlio::WriteResultWorkbook against libxlsxwriter alone in
# constant-memory mode and against python3-xlsxwriter writing the same cells).
#
#   bench/excel_figures.sh [BUILDDIR]     (default: build-bench)
#
# Environment: ROUNDS (5) rounds of the read and the large write; each round
# runs every contender once, one after the other, so that load from other
# work on the machine falls on all of them alike; the table gives medians.
# STUDENTS (100000), SMALL (1000), WORK (a temporary folder, removed unless
# given), PYTHON (the interpreter with openpyxl and xlsxwriter).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-build-bench}
tools="$build/bench/tools"
rounds=${ROUNDS:-5}
students=${STUDENTS:-100000}
small=${SMALL:-1000}
python=${PYTHON:-/usr/bin/python3}
[ -x "$python" ] || python=python3

for t in xlsx_read_tool xlsx_scan_baseline result_export_tool xlsx_write_baseline; do
    if [ ! -x "$tools/$t" ]; then
        echo "excel_figures: $tools/$t is missing (configure with -DFENBAN_BUILD_BENCH=ON and build)" >&2
        exit 2
    fi
done
if ! "$python" -c "import openpyxl, xlsxwriter" 2>/dev/null; then
    echo "excel_figures: $python lacks openpyxl or xlsxwriter (run scripts/install-deps.sh)" >&2
    exit 2
fi
[ -x /usr/bin/time ] || { echo "excel_figures: /usr/bin/time is missing (package time)" >&2; exit 2; }

if [ -n "${WORK:-}" ]; then
    work=$WORK
    mkdir -p "$work"
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'; }
# Peak resident set in MB of a /usr/bin/time -v log.
peak_mb() { awk -F: '/Maximum resident set size/ { printf "%.0f", $2 / 1024 }' "$1"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { awk -v v="$1" -v op="$2" -v lim="$3" 'BEGIN {
    ok = (op == "<=") ? v <= lim : (op == ">=") ? v >= lim : v < lim; print ok ? "met" : "NOT MET" }'; }

echo "Generating the inputs in $work ..."
"$python" "$here/make_roster_xlsx.py" -n "$students" -o "$work/roster.xlsx"
"$python" "$root/scripts/make-roster.py" -n "$students" -o "$work/roster.csv"
"$python" "$root/scripts/make-roster.py" -n "$small" -o "$work/small.csv"
classes=$(( students / 500 ))
[ "$classes" -ge 2 ] || classes=2
smallClasses=$(( small / 50 ))
[ "$smallClasses" -ge 2 ] || smallClasses=2
# The dump of the cells the result workbook receives, for the baseline writers.
"$tools/result_export_tool" "$work/roster.csv" "$classes" "$work/ours.xlsx" 1 --dump "$work/cells.txt" > "$work/first.txt"
set -- $(cat "$work/first.txt")
sheets=$3
cells=$4

echo "Reading, $rounds rounds ..."
: > "$work/read.ours"; : > "$work/read.scan"; : > "$work/read.openpyxl"
for i in $(seq "$rounds"); do
    "$tools/xlsx_read_tool" "$work/roster.xlsx" 1 > "$work/r.txt"
    awk '{ print $1 }' "$work/r.txt" >> "$work/read.ours"
    readCells=$(awk '{ print $3 }' "$work/r.txt")
    "$tools/xlsx_scan_baseline" "$work/roster.xlsx" xl/worksheets/sheet1.xml 1 > "$work/s.txt"
    awk '{ print $1 }' "$work/s.txt" >> "$work/read.scan"
    xmlBytes=$(awk '{ print $2 }' "$work/s.txt")
    "$python" "$here/openpyxl_read.py" "$work/roster.xlsx" 1 | awk '{ print $1 }' >> "$work/read.openpyxl"
done

echo "Writing, $rounds rounds ..."
: > "$work/write.ours"; : > "$work/write.lxw"; : > "$work/write.py"; : > "$work/write.delta"
for i in $(seq "$rounds"); do
    /usr/bin/time -v -o "$work/ours.time" "$tools/result_export_tool" "$work/roster.csv" "$classes" \
        "$work/ours.xlsx" 1 > "$work/w.txt"
    set -- $(cat "$work/w.txt")
    echo "$1" >> "$work/write.ours"
    buildSeconds=$2
    buildPeak=$(( $5 / 1024 ))
    # What the write adds to the resident set of the finished sheets.
    echo $(( ($7 - $6) / 1024 )) >> "$work/write.delta"
    oursPeak=$(peak_mb "$work/ours.time")
    /usr/bin/time -v -o "$work/lxw.time" "$tools/xlsx_write_baseline" "$work/cells.txt" "$work/lxw.xlsx" 1 \
        >> "$work/write.lxw"
    lxwPeak=$(peak_mb "$work/lxw.time")
    /usr/bin/time -v -o "$work/py.time" "$python" "$here/xlsxwriter_write.py" "$work/cells.txt" \
        "$work/py.xlsx" 1 >> "$work/write.py"
    pyPeak=$(peak_mb "$work/py.time")
done
"$tools/result_export_tool" "$work/small.csv" "$smallClasses" "$work/small.xlsx" 11 > "$work/small.txt"
set -- $(cat "$work/small.txt")
smallWrite=$1
smallBuild=$2
smallCells=$4

rOurs=$(median < "$work/read.ours"); rScan=$(median < "$work/read.scan"); rPy=$(median < "$work/read.openpyxl")
wOurs=$(median < "$work/write.ours"); wLxw=$(median < "$work/write.lxw"); wPy=$(median < "$work/write.py")
wDelta=$(median < "$work/write.delta")
smallTotal=$(awk -v a="$smallWrite" -v b="$smallBuild" 'BEGIN { printf "%.4f", a + b }')

echo
echo "Excel figures ($rounds rounds, medians in seconds; $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg))"
echo
echo "Import: $students students, $(ratio "$xmlBytes" 1000000) MB of sheet XML, $readCells cells"
printf '  %-44s %8s\n' "xlio::ReadXlsx" "$rOurs"
printf '  %-44s %8s\n' "libzip + expat scan of the sheet part" "$rScan"
printf '  %-44s %8s\n' "openpyxl read-only" "$rPy"
printf '  %-44s %8s  %s\n' "ReadXlsx (at most 0.6 s)" "$rOurs" "$(verdict "$rOurs" "<=" 0.6)"
printf '  %-44s %8s  %s\n' "openpyxl / ReadXlsx (at least 5)" "$(ratio "$rPy" "$rOurs")" \
    "$(verdict "$(ratio "$rPy" "$rOurs")" ">=" 5)"
printf '  %-44s %8s  %s\n' "ReadXlsx / scan (at most 1.3)" "$(ratio "$rOurs" "$rScan")" \
    "$(verdict "$(ratio "$rOurs" "$rScan")" "<=" 1.3)"
echo
echo "Result workbook: $students students, $sheets worksheets, $cells cells"
printf '  %-44s %8s  peak %s MB (%s MB before the write: roster, division, sheets)\n' "xlio::WriteResultWorkbook" \
    "$wOurs" "$oursPeak" "$buildPeak"
printf '  %-44s %8s  peak %s MB\n' "libxlsxwriter, constant memory" "$wLxw" "$lxwPeak"
printf '  %-44s %8s  peak %s MB\n' "python3-xlsxwriter, constant memory" "$wPy" "$pyPeak"
printf '  %-44s %8s  %s\n' "WriteResultWorkbook / libxlsxwriter (<= 1.2)" "$(ratio "$wOurs" "$wLxw")" \
    "$(verdict "$(ratio "$wOurs" "$wLxw")" "<=" 1.2)"
printf '  %-44s %8s  %s\n' "python3-xlsxwriter / ours (at least 2.5)" "$(ratio "$wPy" "$wOurs")" \
    "$(verdict "$(ratio "$wPy" "$wOurs")" ">=" 2.5)"
printf '  %-44s %8s  %s\n' "memory the write adds, MB (at most 150)" "$wDelta" "$(verdict "$wDelta" "<=" 150)"
printf '  %-44s %8s  %s\n' "whole process peak, MB (at most 150)" "$oursPeak" "$(verdict "$oursPeak" "<=" 150)"
echo
echo "Result workbook: $small students, $smallCells cells"
printf '  %-44s %8s\n' "import, check, division, result sheets" "$smallBuild"
printf '  %-44s %8s  %s\n' "WriteResultWorkbook (under 0.1 s)" "$smallWrite" "$(verdict "$smallWrite" "<" 0.1)"
printf '  %-44s %8s  %s\n' "all of it + write (under 0.1 s)" "$smallTotal" "$(verdict "$smallTotal" "<" 0.1)"
