#!/bin/sh
# The bundled sample roster is what the generator makes, and `make run`'s
# command divides it: 600 students into 12 classes, 15 CSV files.
set -eu
fenban=$1
root=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
python3 "$root/scripts/make-roster.py" -o "$tmp/roster.csv"
cmp "$tmp/roster.csv" "$root/examples/roster.csv"
# A settings file of its own, never the program's Config.ini.
: > "$tmp/settings.ini"
"$fenban" divide "$root/examples/roster.csv" --config "$tmp/settings.ini" --classes 12 --prefix 高一 --student-id --csv "$tmp/out" > "$tmp/overview.txt"
test "$(ls "$tmp/out" | wc -l)" -eq 15
test "$(wc -l < "$tmp/overview.txt")" -eq 14
tail -n 1 "$tmp/overview.txt" | grep -q "^全年级	600	"
