#!/bin/sh
# Runs every benchmark program of a bench build.
# Usage: scripts/run-bench.sh BUILDDIR [benchmark options]
set -eu
build=${1:?usage: run-bench.sh BUILDDIR [options]}
shift
for exe in "$build"/bench/*_bench; do
  [ -x "$exe" ] || continue
  echo "== $(basename "$exe")"
  "$exe" "$@"
done
