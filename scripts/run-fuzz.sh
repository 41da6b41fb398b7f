#!/bin/sh
# Runs every libFuzzer target of a fuzz build for SECONDS each.
# Usage: scripts/run-fuzz.sh BUILDDIR SECONDS
# Seeds come from fuzz/corpus/<name>/ (read only); new inputs collect in
# BUILDDIR/fuzz-corpus/<name>/, crashing inputs in BUILDDIR/fuzz-artifacts/<name>/.
set -eu
build=${1:?usage: run-fuzz.sh BUILDDIR SECONDS}
seconds=${2:?usage: run-fuzz.sh BUILDDIR SECONDS}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
found=0
for exe in "$build"/fuzz/*_fuzz; do
  [ -x "$exe" ] || continue
  found=1
  target=$(basename "$exe")
  name=${target%_fuzz}
  work="$build/fuzz-corpus/$name"
  artifacts="$build/fuzz-artifacts/$name/"
  mkdir -p "$work" "$artifacts" "$root/fuzz/corpus/$name"
  echo "== $target for ${seconds}s"
  if ! "$exe" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$artifacts" "$work" "$root/fuzz/corpus/$name"; then
    echo "== $target FAILED: see $artifacts"
    status=1
  fi
done
[ "$found" = 1 ] || { echo "no fuzz targets in $build/fuzz"; exit 1; }
exit $status
