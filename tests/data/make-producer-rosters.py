#!/usr/bin/python3
"""Remakes tests/data/producers/: one roster saved by every program teachers'
files come from, for the end-to-end test that divides each of them.

  make-producer-rosters.py [OUTDIR]   (default: the producers folder beside this script)

The roster: a hidden first worksheet that is not the roster, then the roster
with a caption, headers, 8-digit 考号, Chinese names, three scores (one
student's sum is 240.60000000000002 in binary arithmetic) and 总分 as a
formula.

  roster-openpyxl.xlsx     python3-openpyxl: formulas without stored results
  roster-xlsxwriter.xlsx   python3-xlsxwriter: every formula stores 0 and the
                           workbook asks for a recalculation on load
  roster-pandas.xlsx       python3-pandas (openpyxl engine), formulas as texts
                           starting with "=", so again without results
  roster-libreoffice.xlsx  LibreOffice (soffice --headless --convert-to) from
  roster-libreoffice.xls   the openpyxl file: results calculated and stored
  roster-gnumeric.xlsx     gnumeric (ssconvert), likewise (its xlsx writer drops
                           a sheet's hidden state, so that one holds the roster alone)
  roster-gnumeric.xls
  roster.csv               the texts a teacher sees, UTF-8
  numbers-shown-*.xlsx/xls numbers as the cell formats show them (openpyxl, and
                           LibreOffice and gnumeric from it): column A the
                           stored number, column B the format code

Needs python3-openpyxl, python3-xlsxwriter, python3-pandas,
libreoffice-calc-nogui and gnumeric (Debian); the build never runs it."""
import csv
import os
import shutil
import subprocess
import sys
import tempfile

import openpyxl
import pandas
import xlsxwriter

HERE = os.path.dirname(os.path.abspath(__file__))
CAPTION = "2026级高一新生名单"
HEADERS = ["考号", "姓名", "性别", "语文", "数学", "英语", "总分"]
SURNAMES = "王李张刘陈杨赵黄周吴徐孙胡朱高林何郭马罗"
GIVEN = "伟芳娜敏静丽强磊军洋勇艳杰娟涛明超秀霞平刚桂"


def students():
    out = []
    for i in range(48):
        name = SURNAMES[i % 20] + GIVEN[(i * 7) % 20] + ("" if i % 3 else GIVEN[(i * 11) % 20])
        scores = [60 + (i * 37) % 41 + 0.5 * (i % 2), 55 + (i * 53) % 46, 50 + (i * 29) % 51]
        if i == 5:
            scores = [80.1, 80.2, 80.3]  # 240.60000000000002 when added in binary
        out.append([20260001 + i, name, "男" if (i * 5) % 3 else "女"] + scores)
    return out


def formula(row):
    return "=SUM(D%d:F%d)" % (row, row)


def write_openpyxl(path, hidden_first=True):
    wb = openpyxl.Workbook()
    if hidden_first:
        notes = wb.active
        notes.title = "说明"
        notes["A1"] = "请勿修改本表"
        notes.sheet_state = "hidden"
        ws = wb.create_sheet("名单")
    else:
        ws = wb.active
        ws.title = "名单"
    ws.append([CAPTION])
    ws.append(HEADERS)
    for k, s in enumerate(students()):
        ws.append(s + [formula(k + 3)])
    wb.active = 1 if hidden_first else 0
    wb.save(path)


def write_xlsxwriter(path):
    wb = xlsxwriter.Workbook(path)
    notes = wb.add_worksheet("说明")
    notes.write(0, 0, "请勿修改本表")
    ws = wb.add_worksheet("名单")
    ws.activate()
    notes.hide()
    ws.write_row(0, 0, [CAPTION])
    ws.write_row(1, 0, HEADERS)
    for k, s in enumerate(students()):
        ws.write_row(k + 2, 0, s)
        ws.write_formula(k + 2, 6, formula(k + 3))
    wb.close()


def write_pandas(path):
    rows = [[CAPTION] + [None] * 6, HEADERS] + [s + [formula(k + 3)] for k, s in enumerate(students())]
    with pandas.ExcelWriter(path, engine="openpyxl") as writer:
        pandas.DataFrame([["请勿修改本表"]]).to_excel(writer, sheet_name="说明", index=False, header=False)
        pandas.DataFrame(rows).to_excel(writer, sheet_name="名单", index=False, header=False)
        writer.book["说明"].sheet_state = "hidden"
        writer.book.active = 1


NUMBERS = [(2601, "00000000"), (12, '"A"0000'), (240.60000000000002, "General"), (7, '0000"号"'),
           (12.5, "0000"), (1234, "#,##0"), (-12, "0000"), (20260001, "0")]


def write_numbers(path):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "数字"
    for k, (value, code) in enumerate(NUMBERS):
        ws.cell(row=k + 1, column=1, value=value).number_format = code
        ws.cell(row=k + 1, column=2, value=code)
    wb.save(path)


def number_text(v):
    return ("%.15g" % v) if isinstance(v, float) else str(v)


def write_csv(path):
    with open(path, "w", newline="", encoding="utf-8") as out:
        w = csv.writer(out, lineterminator="\r\n")
        w.writerow([CAPTION] + [""] * 6)
        w.writerow(HEADERS)
        for s in students():
            total = float("%.15g" % (s[3] + s[4] + s[5]))
            w.writerow([number_text(v) for v in s] + [number_text(total if total % 1 else int(total))])


LO_RECALC = """<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema">
<item oor:path="/org.openoffice.Office.Calc/Formula/Load"><prop oor:name="OOXMLRecalcMode" oor:op="fuse"><value>0</value></prop></item>
</oor:items>
"""


def convert(src, out_dir, tmp, stem="roster", gnumeric_src=None):
    os.makedirs(os.path.join(tmp, "lo-profile", "user"), exist_ok=True)
    with open(os.path.join(tmp, "lo-profile", "user", "registrymodifications.xcu"), "w") as out:
        out.write(LO_RECALC)
    profile = "file://" + os.path.join(tmp, "lo-profile")
    for ext, kind in (("xlsx", "xlsx:Calc MS Excel 2007 XML"), ("xls", "xls")):
        lo_out = os.path.join(tmp, "lo")
        subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--convert-to", kind,
                        "--outdir", lo_out, src], check=True, capture_output=True)
        shutil.copy(os.path.join(lo_out, os.path.splitext(os.path.basename(src))[0] + "." + ext),
                    os.path.join(out_dir, stem + "-libreoffice." + ext))
    # gnumeric's xlsx writer drops the hidden state of a sheet: its xlsx
    # holds the roster alone.
    subprocess.run(["ssconvert", "--export-type=Gnumeric_Excel:xlsx2", gnumeric_src or src,
                    os.path.join(out_dir, stem + "-gnumeric.xlsx")], check=True, capture_output=True)
    subprocess.run(["ssconvert", "--export-type=Gnumeric_Excel:excel_biff8", src,
                    os.path.join(out_dir, stem + "-gnumeric.xls")], check=True, capture_output=True)


def main():
    out_dir = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else os.path.join(HERE, "producers")
    os.makedirs(out_dir, exist_ok=True)
    write_openpyxl(os.path.join(out_dir, "roster-openpyxl.xlsx"))
    write_xlsxwriter(os.path.join(out_dir, "roster-xlsxwriter.xlsx"))
    write_pandas(os.path.join(out_dir, "roster-pandas.xlsx"))
    write_csv(os.path.join(out_dir, "roster.csv"))
    write_numbers(os.path.join(out_dir, "numbers-shown-openpyxl.xlsx"))
    with tempfile.TemporaryDirectory() as tmp:
        alone = os.path.join(tmp, "alone.xlsx")
        write_openpyxl(alone, hidden_first=False)
        convert(os.path.join(out_dir, "roster-openpyxl.xlsx"), out_dir, tmp, gnumeric_src=alone)
        convert(os.path.join(out_dir, "numbers-shown-openpyxl.xlsx"), out_dir, tmp, "numbers-shown")


if __name__ == "__main__":
    main()
