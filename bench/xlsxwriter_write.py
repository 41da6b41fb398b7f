#!/usr/bin/env python3
"""python3-xlsxwriter in constant-memory mode writing the cells of a dump of
result_export_tool with the result workbook's formats; the dump is loaded
first, only the writing is timed. Prints the median seconds of the repeats.
    xlsxwriter_write.py DUMP OUT.xlsx [REPEATS]"""
import re
import statistics
import sys
import time

import xlsxwriter

NUMERIC = re.compile(r"[+-]?[0-9]*(\.[0-9]*)?\Z")


def load(path):
    sheets = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("#S "):
                head, name, title = line.split("\t")
                _, kind, cols, rows = head.split(" ")
                sheets.append((int(kind), int(cols), name, title, []))
            else:
                sheets[-1][4].append(line.split("\t"))
    return sheets


def looks_numeric(text):
    digits = sum(c.isdigit() for c in text)
    return 0 < digits <= 15 and NUMERIC.match(text) is not None


def write(out, sheets):
    wb = xlsxwriter.Workbook(out, {"constant_memory": True})

    def make(text, border, fill):
        props = {"font_name": "宋体", "font_size": 9, "align": "center"}
        if text:
            props["num_format"] = "@"
        if border:
            props.update({"border": 1, "border_color": "#000000"})
        if fill:
            props["bg_color"] = "#C0C0C0"
        return wb.add_format(props)

    title_text, title = make(True, False, False), make(False, False, False)
    body_text, body = make(True, True, False), make(False, True, False)
    header_text, header = make(True, True, True), make(False, True, True)
    for kind, cols, name, title_value, rows in sheets:
        ws = wb.add_worksheet(name)
        source, text = kind == 0, kind != 3
        t = title_text if source else title
        if cols > 1:
            ws.merge_range(0, 0, 0, cols - 1, title_value, t)
        else:
            ws.write_string(0, 0, title_value, t)
        for r, cells in enumerate(rows):
            f = (header_text if text else header) if r == 0 and not source else (body_text if text else body)
            for c, v in enumerate(cells):
                if not text and looks_numeric(v):
                    ws.write_number(r + 1, c, float(v), f)
                else:
                    ws.write_string(r + 1, c, v, f)
        if source:
            ws.activate()
    wb.close()


def main():
    sheets = load(sys.argv[1])
    repeats = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        write(sys.argv[2], sheets)
        times.append(time.perf_counter() - start)
    print("%.4f" % statistics.median(times))


if __name__ == "__main__":
    main()
