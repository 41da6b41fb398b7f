#!/usr/bin/env python3
"""Reads the first worksheet of an xlsx file with openpyxl in read-only mode,
every value touched; prints the median seconds of the repeats, rows, cells."""
import statistics
import sys
import time

from openpyxl import load_workbook


def read(path):
    wb = load_workbook(path, read_only=True, data_only=True)
    ws = wb.worksheets[0]
    rows = cells = 0
    for row in ws.iter_rows(values_only=True):
        rows += 1
        cells += sum(1 for v in row if v is not None)
    wb.close()
    return rows, cells


def main():
    path = sys.argv[1]
    repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        rows, cells = read(path)
        times.append(time.perf_counter() - start)
    print("%.4f %d %d" % (statistics.median(times), rows, cells))


if __name__ == "__main__":
    main()
