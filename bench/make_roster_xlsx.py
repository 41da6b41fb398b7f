#!/usr/bin/env python3
"""Writes the invented roster of scripts/make-roster.py as an xlsx workbook.

Written as a spreadsheet program writes it (python3-xlsxwriter: shared
strings, a style on every cell): the caption row, the header row, one row per
student; the exam number and the scores are numbers, the rest text.
"""
import argparse
import importlib.util
import os

import xlsxwriter

HERE = os.path.dirname(os.path.abspath(__file__))
loader_spec = importlib.util.spec_from_file_location("make_roster", os.path.join(HERE, "..", "scripts", "make-roster.py"))
make_roster = importlib.util.module_from_spec(loader_spec)
loader_spec.loader.exec_module(make_roster)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("-n", "--size", type=int, default=100000)
    parser.add_argument("-s", "--seed", type=int, default=2026)
    parser.add_argument("-o", "--output", required=True)
    args = parser.parse_args()
    wb = xlsxwriter.Workbook(args.output)
    ws = wb.add_worksheet("名单")
    cell = wb.add_format({"font_name": "宋体", "font_size": 10})
    lines = make_roster.roster_lines(args.size, args.seed, "2026级新生名单")
    ws.write_string(0, 0, next(lines).split(",")[0], cell)
    ws.write_row(1, 0, next(lines).split(","), cell)
    for r, line in enumerate(lines, start=2):
        f = line.split(",")
        ws.write_number(r, 0, int(f[0]), cell)
        ws.write_string(r, 1, f[1], cell)
        ws.write_string(r, 2, f[2], cell)
        ws.write_string(r, 3, f[3], cell)
        for c in range(4, 8):
            ws.write_number(r, c, int(f[c]), cell)
    wb.close()


if __name__ == "__main__":
    main()
