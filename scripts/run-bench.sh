#!/bin/sh
# Runs every benchmark program of a build directory, then the Excel figures
# (bench/excel_figures.sh): run-bench.sh <builddir>
set -eu
build=${1:?usage: run-bench.sh <builddir>}
dir="$build/bench"
if [ ! -d "$dir" ]; then
  echo "run-bench.sh: no benchmarks in $dir (configure with -DFENBAN_BUILD_BENCH=ON)" >&2
  exit 1
fi
status=0
found=0
for exe in "$dir"/*; do
  [ -f "$exe" ] && [ -x "$exe" ] || continue
  found=1
  echo "== $(basename "$exe")"
  "$exe" || status=1
done
if [ "$found" = 0 ]; then
  echo "run-bench.sh: no benchmark programs in $dir" >&2
  exit 1
fi
# The Excel figures take a few minutes (they run the Python peers too);
# FENBAN_EXCEL_FIGURES=0 leaves them out.
if [ "${FENBAN_EXCEL_FIGURES:-1}" != 0 ] && [ -d "$dir/tools" ]; then
  echo "== excel_figures.sh"
  "$(dirname "$0")/../bench/excel_figures.sh" "$build" || status=1
fi
exit $status
