#!/usr/bin/env python3
"""Prints what the workbook tests check, one fact a line:
sheets=NAME,NAME,...  active=NAME  NAME!merged=A1:C1,...  NAME!rowheight:N=PT
NAME!CELL=value|type|numfmt|fill|font|align|borders  for every cell with a value or a style."""
import sys
import openpyxl

wb = openpyxl.load_workbook(sys.argv[1])
print("sheets=" + ",".join(wb.sheetnames))
print("active=" + wb.active.title)

def colour(c):
    if c is None or c.rgb is None or not isinstance(c.rgb, str):
        return "-"
    return c.rgb[-6:]

for ws in wb.worksheets:
    n = ws.title
    print(n + "!merged=" + ",".join(sorted(str(r) for r in ws.merged_cells.ranges)))
    for idx, dim in sorted(ws.row_dimensions.items()):
        if dim.height is not None:
            print("%s!rowheight:%d=%g" % (n, idx, dim.height))
    for row in ws.iter_rows():
        for cell in row:
            if cell.value is None and not cell.has_style:
                continue
            f = cell.font
            font = "%s,%g%s%s%s%s,%s" % (f.name, f.sz or 0, ",b" if f.b else "", ",i" if f.i else "",
                                        ",u" if f.u else "", ",s" if f.strike else "", colour(f.color))
            fill = colour(cell.fill.fgColor) if cell.fill and cell.fill.fill_type == "solid" else "-"
            b = cell.border
            borders = ",".join(
                (s.style + ":" + colour(s.color)) if s is not None and s.style else "-"
                for s in (b.left, b.top, b.right, b.bottom))
            value = cell.value
            kind = type(value).__name__
            if isinstance(value, float) and value.is_integer():
                value = int(value)
            print("%s!%s=%s|%s|%s|%s|%s|%s|%s" % (n, cell.coordinate, "" if value is None else value, kind,
                                                 cell.number_format, fill, font,
                                                 cell.alignment.horizontal or "-", borders))
