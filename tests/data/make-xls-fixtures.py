#!/usr/bin/python3
"""Remakes the .xls fixtures of tests/data/xls/ with two real producers.

  make-xls-fixtures.py [OUTDIR]     (default: the xls folder beside this script)

Writes the sources as xlsx (python3-xlsxwriter, formulas with their results
stored) and converts each one with LibreOffice (`soffice --headless
--convert-to xls`) and with gnumeric (`ssconvert`), so that the tests read
what those programs write and need neither of them. Also writes roster.csv:
the roster as the texts a teacher sees, for the end-to-end comparison.

Needs libreoffice-calc-nogui and gnumeric (Debian); the build never runs it.

  roster:   a hidden first worksheet that is not the roster, then the roster:
            caption, headers, numeric 考号, Chinese names with a character
            outside the basic plane (𠮷), 总分 = SUM(...), a date column
  values:   one value kind a row (column A names it, column B holds it):
            booleans, errors, text and empty formula results, built-in and
            custom date formats, times, long texts that cross record
            boundaries of the string table, a rich text, one far cell
            (and, by gnumeric only, as Excel 5.0/95 in code page 936)
  date1904: the 1904 date system
  features: a roster among what else teachers' workbooks hold: a merged
            caption, comments, hyperlinks, conditional formats, a drop-down
            list, frozen panes, an autofilter, page header and footer, a
            picture, an embedded chart, an array formula, a defined name, a
            chart sheet and a second worksheet"""
import csv
import datetime
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

import xlsxwriter

HERE = os.path.dirname(os.path.abspath(__file__))

ROSTER_HEADERS = ["考号", "姓名", "性别", "语文", "数学", "总分", "出生日期"]
STUDENTS = [
    (2026001, "张三", "男", 95, 88, datetime.date(2010, 3, 1)),
    (2026002, "李四", "女", 90, 97, datetime.date(2010, 5, 12)),
    (2026003, "𠮷田", "男", 78, 85, datetime.date(2009, 11, 30)),
    (2026004, "王芳", "女", 88, 92, datetime.date(2010, 1, 8)),
    (2026005, "赵𠮷", "男", 66, 71, datetime.date(2010, 7, 19)),
    (2026006, "钱丽", "女", 99, 100, datetime.date(2010, 2, 28)),
    (2026007, "孙强", "男", 85, 85, datetime.date(2009, 12, 31)),
    (2026008, "周敏", "女", 73, 80, datetime.date(2010, 4, 4)),
    (2026009, "吴磊", "男", 91, 79, datetime.date(2010, 6, 6)),
    (2026010, "郑洁", "女", 82, 88, datetime.date(2010, 8, 15)),
    (2026011, "冯刚", "男", 70, 95, datetime.date(2010, 9, 1)),
    (2026012, "陈静", "女", 87, 83, datetime.date(2010, 10, 10)),
]
CAPTION = "高一新生名单"


def write_roster(path):
    wb = xlsxwriter.Workbook(path)
    old = wb.add_worksheet("旧名单")
    old.write(0, 0, "去年的名单，不是要分班的表")
    old.write(1, 0, "姓名")
    ws = wb.add_worksheet("名单")
    ws.activate()
    old.hide()
    date = wb.add_format({"num_format": "yyyy-mm-dd"})
    ws.write(0, 0, CAPTION)
    for c, h in enumerate(ROSTER_HEADERS):
        ws.write(1, c, h)
    for i, (number, name, sex, a, b, born) in enumerate(STUDENTS):
        r = i + 2
        ws.write_number(r, 0, number)
        ws.write(r, 1, name)
        ws.write(r, 2, sex)
        ws.write_number(r, 3, a)
        ws.write_number(r, 4, b)
        ws.write_formula(r, 5, "=SUM(D%d:E%d)" % (r + 1, r + 1), None, a + b)
        ws.write_datetime(r, 6, datetime.datetime.combine(born, datetime.time()), date)
    wb.close()


def roster_rows():
    rows = [[CAPTION] + [""] * (len(ROSTER_HEADERS) - 1), ROSTER_HEADERS]
    for number, name, sex, a, b, born in STUDENTS:
        rows.append([str(number), name, sex, str(a), str(b), str(a + b), born.isoformat()])
    return rows


LONG_HAN = "".join(chr(0x4E00 + (i * 7) % 20000) for i in range(6000))
LONG_MIXED = "A" * 9000 + "中文" + "b" * 100


def write_values(path):
    """Column A names the case, column B holds the value; the tests keep the
    expected text of each row."""
    wb = xlsxwriter.Workbook(path)
    ws = wb.add_worksheet("值")
    f = {
        "date14": wb.add_format({"num_format": 14}),
        "dateCustom": wb.add_format({"num_format": 'yyyy"年"m"月"d"日"'}),
        "time": wb.add_format({"num_format": "hh:mm"}),
        "datetime": wb.add_format({"num_format": "yyyy-mm-dd hh:mm"}),
        "percent": wb.add_format({"num_format": "0%"}),
        "bold": wb.add_format({"bold": True}),
    }
    when = datetime.datetime(2026, 3, 1, 8, 30)
    rows = [
        ("整数", lambda r: ws.write_number(r, 1, 42)),
        ("负小数", lambda r: ws.write_number(r, 1, -3.25)),
        ("长考号", lambda r: ws.write_number(r, 1, 2026000123456)),
        ("小数", lambda r: ws.write_number(r, 1, 0.00001)),
        ("百分比", lambda r: ws.write_number(r, 1, 0.5, f["percent"])),
        ("真", lambda r: ws.write_boolean(r, 1, True)),
        ("假公式", lambda r: ws.write_formula(r, 1, "=1>2", None, False)),
        ("除零", lambda r: ws.write_formula(r, 1, "=1/0", None, "#DIV/0!")),
        ("无值", lambda r: ws.write_formula(r, 1, "=NA()", None, "#N/A")),
        ("文本公式", lambda r: ws.write_formula(r, 1, '="甲"&"乙"', None, "甲乙")),
        ("空文本公式", lambda r: ws.write_formula(r, 1, '=""', None, "")),
        ("数字公式", lambda r: ws.write_formula(r, 1, "=0.5*3", None, 1.5)),
        ("日期", lambda r: ws.write_datetime(r, 1, when.replace(hour=0, minute=0), f["date14"])),
        ("中文日期", lambda r: ws.write_datetime(r, 1, when.replace(hour=0, minute=0), f["dateCustom"])),
        ("日期公式", lambda r: ws.write_formula(r, 1, "=DATE(2026,9,1)", f["date14"], 46266)),
        ("时间", lambda r: ws.write_datetime(r, 1, datetime.datetime(1899, 12, 31, 8, 30), f["time"])),
        ("日期时间", lambda r: ws.write_datetime(r, 1, when, f["datetime"])),
        ("生僻字", lambda r: ws.write(r, 1, "𠮷野家")),
        ("前导零文本", lambda r: ws.write_string(r, 1, "00123")),
        ("长中文", lambda r: ws.write_string(r, 1, LONG_HAN)),
        ("长混合", lambda r: ws.write_string(r, 1, LONG_MIXED)),
        ("富文本", lambda r: ws.write_rich_string(r, 1, "高一", f["bold"], "（3）", "班")),
    ]
    for r, (name, write) in enumerate(rows):
        ws.write(r, 0, name)
        write(r)
    # Enough other strings that the string table crosses record boundaries
    # at many places, not only inside the long texts.
    for i in range(400):
        ws.write_string(30 + i, 0, "学生%04d号" % i)
    ws.write_string(599, 255, "远")
    wb.close()


def write_date1904(path):
    wb = xlsxwriter.Workbook(path, {"date_1904": True})
    ws = wb.add_worksheet("1904")
    ws.write(0, 0, "日期")
    ws.write_datetime(0, 1, datetime.datetime(2026, 3, 1), wb.add_format({"num_format": "yyyy-mm-dd"}))
    ws.write(1, 0, "数字")
    ws.write_number(1, 1, 1000)
    wb.close()


# LibreOffice keeps the results stored in an xlsx unless told to recalculate
# on load; recalculated, the .xls holds results LibreOffice computed itself.
LO_RECALC = """<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema">
<item oor:path="/org.openoffice.Office.Calc/Formula/Load"><prop oor:name="OOXMLRecalcMode" oor:op="fuse"><value>0</value></prop></item>
</oor:items>
"""


def write_features(path):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    picture = os.path.join(os.path.dirname(path), "dot.png")
    with open(picture, "wb") as out:  # one red pixel
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 1, 1, 8, 2, 0, 0, 0))
                  + chunk(b"IDAT", zlib.compress(b"\x00\xff\x00\x00")) + chunk(b"IEND", b""))
    wb = xlsxwriter.Workbook(path)
    ws = wb.add_worksheet("名单")
    ws.merge_range("A1:G1", CAPTION, wb.add_format({"align": "center", "bold": True}))
    ws.write_row(1, 0, ["考号", "姓名", "性别", "语文", "数学", "总分", "备注"])
    for i in range(40):
        r = i + 2
        ws.write_number(r, 0, 2026000 + i)
        ws.write(r, 1, "学生%d" % i)
        ws.write(r, 2, "男女"[i % 2])
        ws.write_number(r, 3, 60 + i)
        ws.write_number(r, 4, 90 - i)
        ws.write_formula(r, 5, "=D%d+E%d" % (r + 1, r + 1), None, 150)
        if i % 7 == 0:
            ws.write_comment(r, 1, "批注 %d" % i)
        if i % 11 == 0:
            ws.write_url(r, 6, "https://example.com/%d" % i, string="链接%d" % i)
    ws.conditional_format("F3:F42", {"type": "cell", "criteria": ">", "value": 150,
                                     "format": wb.add_format({"bg_color": "#FFC7CE"})})
    ws.data_validation("C3:C42", {"validate": "list", "source": ["男", "女"]})
    ws.freeze_panes(2, 0)
    ws.autofilter("A2:G42")
    ws.set_column("A:A", 12)
    ws.set_row(5, 30)
    ws.set_row(7, None, None, {"hidden": True})
    ws.set_header("&C第&P页")
    ws.set_footer("&L高一")
    ws.insert_image("I3", picture)
    chart = wb.add_chart({"type": "column"})
    chart.add_series({"values": "=名单!$F$3:$F$42"})
    ws.insert_chart("I10", chart)
    ws.write_array_formula("H3:H3", "{=SUM(D3:E3)}", None, 150)
    wb.define_name("总分区", "=名单!$F$3:$F$42")
    sheet = wb.add_chartsheet("图")
    line = wb.add_chart({"type": "line"})
    line.add_series({"values": "=名单!$D$3:$D$42"})
    sheet.set_chart(line)
    wb.add_worksheet("其他").write(0, 0, "不是名单")
    ws.activate()
    wb.close()


def convert(src, out_dir, stem, tmp):
    os.makedirs(os.path.join(tmp, "lo-profile", "user"), exist_ok=True)
    with open(os.path.join(tmp, "lo-profile", "user", "registrymodifications.xcu"), "w") as out:
        out.write(LO_RECALC)
    profile = "file://" + os.path.join(tmp, "lo-profile")
    subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--convert-to", "xls",
                    "--outdir", tmp, src], check=True, capture_output=True)
    shutil.copy(os.path.join(tmp, os.path.splitext(os.path.basename(src))[0] + ".xls"),
                os.path.join(out_dir, stem + "-libreoffice.xls"))
    subprocess.run(["ssconvert", "--export-type=Gnumeric_Excel:excel_biff8", src,
                    os.path.join(out_dir, stem + "-gnumeric.xls")], check=True, capture_output=True)


def convert_excel95(src, out, tmp):
    """gnumeric writes Excel 5.0/95 texts in the code page of its locale: a
    Chinese one (built here, the machine need not have it) gives code page
    936, which has no 𠮷: gnumeric writes ? for it."""
    locales = os.path.join(tmp, "locales")
    os.makedirs(locales, exist_ok=True)
    subprocess.run(["localedef", "-i", "zh_CN", "-f", "UTF-8", os.path.join(locales, "zh_CN.UTF-8")], check=True)
    env = dict(os.environ, LOCPATH=locales, LANG="zh_CN.UTF-8", LC_ALL="zh_CN.UTF-8")
    subprocess.run(["ssconvert", "--export-type=Gnumeric_Excel:excel_biff7", src, out], check=True,
                   capture_output=True, env=env)


def main():
    out_dir = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else os.path.join(HERE, "xls")
    os.makedirs(out_dir, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        for stem, write in (("roster", write_roster), ("values", write_values), ("date1904", write_date1904),
                            ("features", write_features)):
            src = os.path.join(tmp, stem + ".xlsx")
            write(src)
            convert(src, out_dir, stem, tmp)
            if stem == "roster":
                convert_excel95(src, os.path.join(out_dir, "roster-gnumeric-excel95.xls"), tmp)
    with open(os.path.join(out_dir, "roster.csv"), "w", encoding="utf-8", newline="") as out:
        csv.writer(out, lineterminator="\r\n").writerows(roster_rows())


if __name__ == "__main__":
    main()
