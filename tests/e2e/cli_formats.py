#!/usr/bin/python3
"""The command line's file formats end to end: the same roster as .csv, .xlsx
(written here with openpyxl), .xls (make-roster-xls.py) and .xlf (made by
fenban convert) divides to the same bytes, and so do the .xls files LibreOffice
and gnumeric wrote of one roster; the result workbook read back
with openpyxl; the PDF read back with pdftotext; convert between every
format; and bad outputs and damaged inputs refused with exit 2.

usage: cli_formats.py FENBAN SOURCE_DIR

Runs with the system python, which has python3-openpyxl."""
import csv
import io
import os
import re
import shutil
import subprocess
import sys
import tempfile

try:
    import openpyxl
    import openpyxl.utils
except ImportError:
    print("python3-openpyxl is not installed: skipped")
    sys.exit(77)

FAILURES = []


def check(condition, what):
    if not condition:
        FAILURES.append(what)
        print("FAILED: " + what)


class Runner:
    def __init__(self, fenban, tmp):
        self.fenban = fenban
        self.config = os.path.join(tmp, "none.ini")
        open(self.config, "wb").close()
        # No desktop session: the PDF must print offscreen by itself.
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR")}
        self.env["HOME"] = tmp

    def run(self, *args):
        words = list(args)
        if words[0] in ("divide", "check"):
            words[1:1] = ["--config", self.config]
        return subprocess.run([self.fenban] + words, capture_output=True, env=self.env, timeout=120)


def read_csv_text(path):
    raw = open(path, "rb").read()
    return raw.decode("utf-8-sig") if raw.startswith(b"\xef\xbb\xbf") else raw.decode("gb18030")


def csv_rows(path):
    return list(csv.reader(io.StringIO(read_csv_text(path), newline="")))


PLAIN_NUMBER = re.compile(r"^-?(0|[1-9][0-9]{0,14})(\.[0-9]*[1-9])?$")


def write_xlsx(rows, path):
    """The roster as another program writes it: numbers as numbers, the rest
    as shared strings, the caption merged as people do."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "名单"
    for r, row in enumerate(rows, start=1):
        for c, value in enumerate(row, start=1):
            if value == "":
                continue
            if PLAIN_NUMBER.match(value):
                ws.cell(r, c, int(value) if "." not in value else float(value))
            else:
                ws.cell(r, c, value)
    if rows and len(rows[0]) > 1:
        ws.merge_cells(start_row=1, start_column=1, end_row=1, end_column=len(rows[0]))
    # A second worksheet that must not be read.
    wb.create_sheet("其他").cell(1, 1, "不是名单")
    wb.save(path)


def folder_bytes(folder):
    out = {}
    for name in sorted(os.listdir(folder)):
        data = open(os.path.join(folder, name), "rb").read()
        if name == "分班情况.csv":
            data = re.sub(rb"^([^\r]*?) {8}\d{4}\.\d{1,2}\.\d{1,2}\r\n", rb"\1        DATE\r\n", data, count=1)
        out[name] = data
    return out


def same_roster_every_format(f, src, tmp, roster, options):
    name = os.path.splitext(os.path.basename(roster))[0]
    rows = csv_rows(roster)
    xlsx = os.path.join(tmp, name + ".xlsx")
    xls = os.path.join(tmp, name + ".xls")
    xlf = os.path.join(tmp, name + ".xlf")
    write_xlsx(rows, xlsx)
    subprocess.run([sys.executable, os.path.join(src, "tests/data/make-roster-xls.py"), roster, xls], check=True)
    p = f.run("convert", roster, xlf)
    check(p.returncode == 0, "%s: convert to .xlf exit %d %r" % (name, p.returncode, p.stderr))
    results = {}
    for path in (roster, xlsx, xls, xlf):
        ext = os.path.splitext(path)[1]
        out = os.path.join(tmp, "%s-out%s" % (name, ext.replace(".", "-")))
        p = f.run("divide", path, *options, "--csv", out)
        check(p.returncode == 0, "%s%s: divide exit %d %r" % (name, ext, p.returncode, p.stderr))
        check(p.stderr == b"", "%s%s: divide wrote to stderr %r" % (name, ext, p.stderr))
        results[ext] = (p.stdout, folder_bytes(out))
        c = f.run("check", path, *options)
        check(c.returncode == 0 and c.stderr == b"", "%s%s: check exit %d %r" % (name, ext, c.returncode, c.stderr))
    base = results[".csv"]
    check(len(base[1]) > 3, "%s: the CSV export wrote %d files" % (name, len(base[1])))
    for ext, result in results.items():
        check(result[0] == base[0], "%s%s: stdout differs from the CSV roster's:\n%r\n%r" % (name, ext, result[0], base[0]))
        check(sorted(result[1]) == sorted(base[1]), "%s%s: other CSV files %s" % (name, ext, sorted(result[1])))
        for file, data in base[1].items():
            check(result[1].get(file) == data, "%s%s: %s differs from the CSV roster's" % (name, ext, file))


def producer_xls(f, src, tmp):
    """The roster saved as .xls by LibreOffice and by gnumeric (tests/data/xls,
    made by make-xls-fixtures.py: a hidden first sheet, 总分 as SUM formulas,
    a date column) divides exactly as the CSV of the texts a teacher sees."""
    folder = os.path.join(src, "tests/data/xls")
    options = ["--classes", "3", "--prefix", "高一", "--student-id"]
    results = {}
    for name in ("roster.csv", "roster-libreoffice.xls", "roster-gnumeric.xls"):
        out = os.path.join(tmp, "producer-" + name.replace(".", "-"))
        p = f.run("divide", os.path.join(folder, name), *options, "--csv", out)
        check(p.returncode == 0 and p.stderr == b"", "%s: divide exit %d %r" % (name, p.returncode, p.stderr))
        results[name] = (p.stdout, folder_bytes(out) if os.path.isdir(out) else {})
    base = results["roster.csv"]
    check(b"\t" in base[0] and len(base[1]) > 3, "producer roster.csv: stdout %r" % base[0][:80])
    for name, result in results.items():
        check(result[0] == base[0], "%s: stdout differs from the CSV's:\n%r\n%r" % (name, result[0], base[0]))
        check(result[1] == base[1], "%s: the CSV export differs from the CSV roster's" % name)


def result_workbook(f, src, tmp):
    roster = os.path.join(src, "examples/roster.csv")
    out = os.path.join(tmp, "wb-csv")
    xlsx = os.path.join(tmp, "分班结果.xlsx")
    p = f.run("divide", roster, "--classes", "12", "--prefix", "高一", "--student-id", "--xlsx", xlsx, "--csv", out)
    check(p.returncode == 0, "workbook: divide exit %d %r" % (p.returncode, p.stderr))
    wb = openpyxl.load_workbook(xlsx)
    classes = ["高一(%d)班" % i for i in range(1, 13)]
    check(wb.sheetnames == ["数据源", "全年级"] + classes + ["分班情况"], "workbook: sheets %r" % wb.sheetnames)
    source = csv_rows(roster)
    ws = wb["数据源"]
    check(ws["A1"].value == source[0][0], "workbook: 数据源 A1 %r" % ws["A1"].value)
    check(ws["B2"].value == source[1][1], "workbook: 数据源 B2 %r" % ws["B2"].value)
    check(ws.max_row == len(source), "workbook: 数据源 has %d rows, the roster %d" % (ws.max_row, len(source)))
    # Every result sheet holds what its CSV file holds: title, headers, rows.
    for title in ["全年级"] + classes:
        ws = wb[title]
        lines = csv_rows(os.path.join(out, title + ".csv"))
        check(ws["A1"].value == title, "workbook: %s A1 %r" % (title, ws["A1"].value))
        check(any(str(r) == "A1:%s1" % openpyxl.utils.get_column_letter(len(lines[2])) for r in ws.merged_cells.ranges),
              "workbook: %s title merge %r" % (title, ws.merged_cells.ranges))
        cells = [[("" if v is None else str(v)) for v in row] for row in ws.iter_rows(min_row=2, values_only=True)]
        check(cells == lines[2:], "workbook: %s cells differ from %s.csv" % (title, title))
        check(ws["A2"].fill.fgColor.rgb[-6:] == "C0C0C0", "workbook: %s header fill %r" % (title, ws["A2"].fill.fgColor.rgb))
        check(ws["A3"].number_format == "@", "workbook: %s A3 format %r" % (title, ws["A3"].number_format))
    ws = wb["分班情况"]
    check(re.fullmatch(r"分班情况 {8}\d{4}\.\d{1,2}\.\d{1,2}", ws["A1"].value or "") is not None,
          "workbook: overview title %r" % ws["A1"].value)
    overview = [line.split("\t") for line in p.stdout.decode().splitlines()]
    check(ws["A2"].value == overview[0][0] and ws["A3"].value == overview[1][0], "workbook: overview rows")
    check(ws["B15"].value == 600 and ws["A15"].value == "全年级", "workbook: grade row %r %r" % (ws["A15"].value, ws["B15"].value))

    # Worksheet names Excel refuses: nothing is written, the class is named.
    for prefix, bad in (("高/一", "高/一(1)班"), ("一" * 30, "一" * 30 + "(1)班")):
        out = os.path.join(tmp, "bad-name-out")
        bad_xlsx = os.path.join(tmp, "bad.xlsx")
        p = f.run("divide", roster, "--classes", "3", "--prefix", prefix, "--xlsx", bad_xlsx, "--csv", out,
                  "--pdf", os.path.join(tmp, "bad.pdf"))
        err = p.stderr.decode()
        check(p.returncode == 2, "bad name %s: exit %d" % (bad, p.returncode))
        check(bad in err and err.count("\n") == 1, "bad name %s: message %r" % (bad, err))
        check(p.stdout == b"", "bad name %s: stdout %r" % (bad, p.stdout[:80]))
        for path in (bad_xlsx, out, os.path.join(tmp, "bad.pdf")):
            check(not os.path.exists(path), "bad name %s: %s was written" % (bad, path))


def pdf_pages(path):
    info = subprocess.run(["pdfinfo", path], capture_output=True, check=True).stdout.decode()
    return int(re.search(r"^Pages:\s+(\d+)", info, re.M).group(1))


def pdf_page_size(path):
    info = subprocess.run(["pdfinfo", path], capture_output=True, check=True).stdout.decode()
    m = re.search(r"^Page size:\s+([\d.]+) x ([\d.]+) pts", info, re.M)
    return round(float(m.group(1))), round(float(m.group(2)))


def pdf_text(path, first=None, last=None):
    args = ["pdftotext", "-layout"]
    if first:
        args += ["-f", str(first), "-l", str(last)]
    return subprocess.run(args + [path, "-"], capture_output=True, check=True).stdout.decode()


def result_pdf(f, src, tmp):
    roster = os.path.join(src, "examples/roster.csv")
    pdf = os.path.join(tmp, "分班结果.pdf")
    p = f.run("divide", roster, "--classes", "12", "--prefix", "高一", "--student-id", "--pdf", pdf)
    check(p.returncode == 0 and p.stderr == b"", "pdf: divide exit %d %r" % (p.returncode, p.stderr))
    rows = csv_rows(roster)
    names = [row[rows[1].index("姓名")] for row in rows[2:]]
    text = pdf_text(pdf)
    missing = [n for n in names if n not in text]
    check(not missing, "pdf: %d names missing, such as %r" % (len(missing), missing[:5]))
    pages = pdf_pages(pdf)
    # Grade, 12 classes and the overview each begin a page; 600 rows of
    # 20 pixels are a few dozen pages, not hundreds.
    check(14 <= pages <= 120, "pdf: %d pages" % pages)
    last = pdf_text(pdf, pages, pages)
    check("分班情况" in last and "高一(12)班" in last and names[0] not in last, "pdf: last page %r" % last[:200])
    first = pdf_text(pdf, 1, 1)
    check("全年级" in first, "pdf: first page %r" % first[:200])
    # Class lists are a little wider than a portrait page: they print across,
    # every row whole with its class and student number on one page.
    check(pdf_page_size(pdf) == (842, 595), "pdf: page size %r" % (pdf_page_size(pdf),))
    student_lines = [line for line in first.splitlines() if any(n in line for n in names)]
    check(student_lines and all(re.search(r"高一\(\d+\)班\s+\d{4}\s*$", line) for line in student_lines),
          "pdf: rows cut on the first page %r" % student_lines[:3])
    # Every student is printed twice: on the grade's pages and on the class's.
    check(all(text.count(n) >= 2 for n in names[:50]), "pdf: a name printed once only")


def convert(f, src, tmp):
    roster = os.path.join(src, "tests/data/cli/roster-small.csv")
    plain = os.path.join(tmp, "c-plain.csv")
    p = f.run("convert", roster, plain)
    check(p.returncode == 0, "convert csv: %r" % p.stderr)
    expected = open(plain, "rb").read()
    # Through every other format and back to CSV: the same bytes.
    for ext in (".xlsx", ".xlf"):
        mid = os.path.join(tmp, "c-mid" + ext)
        back = os.path.join(tmp, "c-back%s.csv" % ext.replace(".", "-"))
        p1 = f.run("convert", roster, mid)
        p2 = f.run("convert", mid, back)
        check(p1.returncode == 0 and p2.returncode == 0, "convert %s: %r %r" % (ext, p1.stderr, p2.stderr))
        check(os.path.exists(back) and open(back, "rb").read() == expected, "convert via %s changed the rows" % ext)
    # The formatted export is a real workbook: openpyxl reads the values.
    ws = openpyxl.load_workbook(os.path.join(tmp, "c-mid.xlsx")).active
    check(ws["A1"].value == csv_rows(roster)[0][0] and ws["B3"].value == csv_rows(roster)[2][1],
          "convert xlsx: cells %r %r" % (ws["A1"].value, ws["B3"].value))
    # The import tests' .xls: numbers in their shortest text, dates as dates.
    xls_csv = os.path.join(tmp, "c-xls.csv")
    p = f.run("convert", os.path.join(src, "tests/data/roster.xls"), xls_csv)
    check(p.returncode == 0, "convert xls: %r" % p.stderr)
    check(csv_rows(xls_csv)[3][:4] == ["李四", "女", "85.5", "2026000001"], "convert xls: %r" % csv_rows(xls_csv)[3:4])
    pdf = os.path.join(tmp, "c.pdf")
    p = f.run("convert", roster, pdf)
    check(p.returncode == 0 and p.stderr == b"", "convert pdf: %r" % p.stderr)
    text = pdf_text(pdf)
    check(all(row[1] in text for row in csv_rows(roster)[2:]), "convert pdf: a name is missing")
    check(pdf_page_size(pdf) == (595, 842), "convert pdf: page size %r" % (pdf_page_size(pdf),))

    # Refusals: exit 2, one line naming the file, nothing written.
    damaged = os.path.join(tmp, "damaged.xlf")
    good = open(os.path.join(tmp, "c-mid.xlf"), "rb").read()
    open(damaged, "wb").write(good[: len(good) // 2])
    truncated = os.path.join(tmp, "truncated.xlsx")
    data = open(os.path.join(tmp, "c-mid.xlsx"), "rb").read()
    open(truncated, "wb").write(data[: len(data) // 2])
    not_xls = os.path.join(tmp, "not.xls")
    open(not_xls, "wb").write(b"\xd0\xcf\x11\xe0 not a workbook" * 10)
    # One LABELSST record's length byte flipped: refused where the walk left
    # the records, never a roster with students missing.
    damaged_xls = os.path.join(tmp, "damaged-length.xls")
    subprocess.run([sys.executable, os.path.join(src, "tests/data/make-roster-xls.py"), roster, damaged_xls], check=True)
    data = bytearray(open(damaged_xls, "rb").read())
    labels = [i for i in range(len(data)) if data[i:i + 4] == b"\xfd\x00\x0a\x00"]
    data[labels[len(labels) // 2] + 3] = 0x01
    open(damaged_xls, "wb").write(data)
    target = os.path.join(tmp, "refused.csv")
    cases = [
        (["divide", damaged_xls, "--csv", os.path.join(tmp, "refused")], "damaged-length.xls"),
        (["convert", roster, os.path.join(tmp, "out.doc")], "out.doc"),
        (["convert", os.path.join(tmp, "in.txt"), target], "in.txt"),
        (["convert", damaged, target], "damaged.xlf"),
        (["convert", truncated, target], "truncated.xlsx"),
        (["convert", not_xls, target], "not.xls"),
        (["divide", damaged, "--csv", os.path.join(tmp, "refused")], "damaged.xlf"),
        (["check", truncated], "truncated.xlsx"),
        (["convert", roster, os.path.join(tmp, "no-folder", "a.pdf")], "a.pdf"),
        (["divide", roster, "--pdf", os.path.join(tmp, "no-folder", "a.pdf")], "a.pdf"),
        (["divide", roster, "--xlsx", os.path.join(tmp, "no-folder", "a.xlsx")], "a.xlsx"),
    ]
    for args, named in cases:
        p = f.run(*args)
        err = p.stderr.decode()
        check(p.returncode == 2, "%s: exit %d" % (" ".join(args[:1] + [named]), p.returncode))
        check(named in err and err.count("\n") == 1, "%s: message %r" % (named, err))
    check(not os.path.exists(target) and not os.path.exists(os.path.join(tmp, "refused")),
          "a refused input wrote output")
    check(not os.path.exists(os.path.join(tmp, "out.doc")), "out.doc was written")


def printed_lists(f, src, tmp):
    """Class lists a teacher can print: rare name characters searchable,
    headers and page of pages on every page, the caption as the heading of a
    converted roster, and a PDF failure told in one line with its reason."""
    rare = ["王䶮", "𠮷田", "李𪚥", "陈𠀀", "赵䶮𪚥"]
    roster = os.path.join(tmp, "rare.csv")
    rows = [["生僻字名单（高一）", "", "", "", "", "", "", "", "", "", ""],
            ["考号", "姓名", "性别", "学校", "语文", "数学", "英语", "物理", "化学", "生物", "总分"]]
    for i in range(240):
        name = rare[i] if i < len(rare) else "学生%03d" % i
        rows.append(["2026%05d" % i, name, "男女"[i % 2], "第一中学", "90", "91", "92", "93", "94", "95",
                     str(545 + i % 7)])
    with open(roster, "w", encoding="utf-8", newline="") as out:
        csv.writer(out).writerows(rows)
    pdf = os.path.join(tmp, "rare.pdf")
    p = f.run("divide", roster, "--classes", "2", "--prefix", "高一", "--student-id", "--pdf", pdf)
    check(p.returncode == 0 and p.stderr == b"", "rare pdf: exit %d %r" % (p.returncode, p.stderr))
    if p.returncode != 0:
        return
    plain = subprocess.run(["pdftotext", pdf, "-"], capture_output=True, check=True).stdout.decode()
    missing = [row[1] for row in rows[2:] if row[1] not in plain]
    check(not missing, "rare pdf: names not searchable %r" % missing[:5])
    pages = pdf_pages(pdf)
    for page in range(1, pages + 1):
        text = pdf_text(pdf, page, page)
        check(re.search(r"第\s*\d+\s*页\s*/\s*共\s*\d+\s*页", text) is not None, "rare pdf: page %d heading %r" % (page, text[:120]))
        if "分班情况" not in text.split("\n")[0]:
            check("姓名" in text and "总分" in text, "rare pdf: page %d has no column headers" % page)
    # Convert: the heading is the roster's caption, not the file name.
    converted = os.path.join(tmp, "rare-list.pdf")
    p = f.run("convert", roster, converted)
    check(p.returncode == 0 and p.stderr == b"", "convert rare: %r" % p.stderr)
    first = pdf_text(converted, 1, 1).split("\n")[0]
    check("生僻字名单（高一）" in first and "rare" not in first, "convert heading %r" % first)
    # A file-size limit as on a full disk: one line with the file and the reason.
    import resource
    import signal

    def limited():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (20000, 20000))

    full = os.path.join(tmp, "full", "grade.pdf")
    os.makedirs(os.path.dirname(full))
    words = [f.fenban, "divide", "--config", f.config, roster, "--pdf", full]
    p = subprocess.run(words, capture_output=True, env=f.env, timeout=120, preexec_fn=limited)
    err = p.stderr.decode()
    check(p.returncode == 2 and err.count("\n") == 1 and full in err and os.strerror(27) in err,
          "full pdf: exit %d, %r" % (p.returncode, err))
    check(os.listdir(os.path.dirname(full)) == [], "full pdf: left %r" % os.listdir(os.path.dirname(full)))


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    fenban, src = sys.argv[1], os.path.abspath(sys.argv[2])
    if shutil.which("pdftotext") is None or shutil.which("pdfinfo") is None:
        print("poppler-utils is not installed: skipped")
        return 77
    with tempfile.TemporaryDirectory() as tmp:
        f = Runner(fenban, tmp)
        same_roster_every_format(f, src, tmp, os.path.join(src, "tests/data/cli/roster-small.csv"),
                                 ["--classes", "3", "--prefix", "高一", "--student-id"])
        same_roster_every_format(f, src, tmp, os.path.join(src, "tests/data/cli/roster-utf8.csv"),
                                 ["--classes", "2", "--sort-field", "等第", "--sort-kind", "grade", "--student-id",
                                  "--sex-digit"])
        producer_xls(f, src, tmp)
        result_workbook(f, src, tmp)
        result_pdf(f, src, tmp)
        convert(f, src, tmp)
        printed_lists(f, src, tmp)
    print("%d failures" % len(FAILURES))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
