#!/bin/sh
# The division PDF of the largest roster we promise (100,000 students), end
# to end: wall and CPU time, peak memory, pages and size of the file.
#   bench/pdf_figures.sh [FENBAN] [STUDENTS]
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
echo "roster: $students students; load: $(uptime | sed 's/.*load average: //')"
/usr/bin/time -v env -u DISPLAY "$fenban" divide "$tmp/roster.csv" --classes 20 --prefix 高一 --student-id \
    --pdf "$tmp/result.pdf" > /dev/null 2> "$tmp/time" || { cat "$tmp/time" >&2; exit 1; }
wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$tmp/time")
user=$(sed -n 's/.*User time (seconds): //p' "$tmp/time")
sys=$(sed -n 's/.*System time (seconds): //p' "$tmp/time")
rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$tmp/time")
printf 'pdf: wall %s  user %ss  sys %ss  peak %d MB\n' "$wall" "$user" "$sys" $((rss / 1024))
pdfinfo "$tmp/result.pdf" | grep -E '^(Pages|File size):'
