#!/bin/sh
# Runs every fuzz target of BUILDDIR for SECONDS each, side by side at the
# lowest priority. Each starts from a working corpus seeded with the small
# valid files of fuzz/corpus/<target>/; crashing inputs land in
# BUILDDIR/fuzz-artifacts/<target>/. Leaks inside system libraries that are
# known and bounded are listed in fuzz/lsan.supp. Exits non-zero when a target
# failed.
set -eu
if [ $# -ne 2 ]; then
    echo "usage: $0 BUILDDIR SECONDS" >&2
    exit 2
fi
build=$1
seconds=$2
root="$(cd "$(dirname "$0")/.." && pwd)"
status=0
pids=""
for bin in "$build"/fuzz/*_fuzz; do
    [ -x "$bin" ] || continue
    name=$(basename "$bin")
    corpus="$build/fuzz-corpus/$name"
    artifacts="$build/fuzz-artifacts/$name/"
    mkdir -p "$corpus" "$artifacts"
    if [ -d "$root/fuzz/corpus/$name" ]; then
        cp -n "$root/fuzz/corpus/$name"/* "$corpus"/ 2>/dev/null || true
    fi
    echo "fuzzing $name for $seconds s (log: $build/fuzz-$name.log)"
    # Whole stacks on malloc, so that the suppressions see the library's frames.
    ASAN_OPTIONS=fast_unwind_on_malloc=0 LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp" nice -n 19 "$bin" "$corpus" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=25 \
        -print_final_stats=1 -artifact_prefix="$artifacts" >"$build/fuzz-$name.log" 2>&1 &
    pids="$pids $!:$name"
done
for entry in $pids; do
    pid=${entry%%:*}
    name=${entry#*:}
    if wait "$pid"; then
        runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/fuzz-$name.log" | grep -o '[0-9]*$' || echo "?")
        echo "$name: no crash, $runs executions"
    else
        echo "$name: FAILED, see $build/fuzz-$name.log and $build/fuzz-artifacts/$name/" >&2
        status=1
    fi
done
exit $status
