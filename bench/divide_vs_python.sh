#!/bin/sh
# fenban divide end to end on a 100,000-student GB18030 roster with --csv,
# against the plain Python script doing the same job, in the same run.
#   bench/divide_vs_python.sh [FENBAN] [STUDENTS]
# Prints wall time and peak memory of both (from /usr/bin/time -v).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
fenban=${1:-$root/build/src/app/fenban}
students=${2:-100000}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# A settings file of its own, never the program's Config.ini.
: > "$tmp/settings.ini"
export FENBAN_CONFIG="$tmp/settings.ini"

python3 "$root/scripts/make-roster.py" -n "$students" -s 7 -o "$tmp/roster.csv"
echo "roster: $students students, $(wc -c < "$tmp/roster.csv") bytes GB18030"

measure() {
    label=$1
    shift
    /usr/bin/time -v "$@" > "$tmp/$label.out" 2> "$tmp/$label.time" || {
        cat "$tmp/$label.time" >&2
        exit 1
    }
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$tmp/$label.time")
    rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$tmp/$label.time")
    user=$(sed -n 's/.*User time (seconds): //p' "$tmp/$label.time")
    sys=$(sed -n 's/.*System time (seconds): //p' "$tmp/$label.time")
    printf '%-8s wall %s  user %ss  sys %ss  peak %d MB\n' "$label" "$wall" "$user" "$sys" $((rss / 1024))
    grep '^python:' "$tmp/$label.time" || true
}

# A warm-up run so that both programs start with the roster in the page cache.
"$fenban" divide "$tmp/roster.csv" --classes 12 --prefix 高一 --student-id --csv "$tmp/warm" > /dev/null
measure fenban "$fenban" divide "$tmp/roster.csv" --classes 12 --prefix 高一 --student-id --csv "$tmp/fenban"
measure python python3 "$root/bench/divide_python.py" "$tmp/roster.csv" "$tmp/python" 12 高一
echo "fenban overview:"
cat "$tmp/fenban.out"
