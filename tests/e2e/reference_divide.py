#!/usr/bin/env python3
"""A second, deliberately plain implementation of `fenban divide` for
differential testing: the roster import, the roster check, the division and
the CSV export written straight from their descriptions, with a Python list
as the sorted list (O(n) inserts; fine for small rosters).

run_reference(roster_bytes, settings) -> (exit code, stdout, stderr, {file name: text})
"""
from decimal import Decimal, ROUND_HALF_UP
import re

ID_HEADERS = ("考号", "编号", "准考证号", "学号")
SCHOOL = ("学校", "原学校", "毕业学校")
REGION = ("地区", "籍贯", "区域", "出生地")
GRADES = {"差": 1, "中": 2, "良": 3, "优": 4}
for i in range(26):
    GRADES[chr(ord("a") + i)] = 26 - i
    GRADES[chr(ord("A") + i)] = 26 - i
NUMBER = re.compile(r"^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$")


def trim(s):
    b, e = 0, len(s)
    while b < e and ord(s[b]) <= 32:
        b += 1
    while e > b and ord(s[e - 1]) <= 32:
        e -= 1
    return s[b:e]


def decode(data):
    if data.startswith(b"\xef\xbb\xbf"):
        return data[3:].decode("utf-8")
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return data.decode("gb18030")


def parse_csv(text):
    records, record, field, i, n = [], [], "", 0, len(text)
    if not text:
        return records
    while True:
        if i < n and text[i] == '"':
            i += 1
            while True:
                q = text.index('"', i)
                field += text[i:q]
                i = q + 1
                if i < n and text[i] == '"':
                    field += '"'
                    i += 1
                else:
                    break
        while i < n and text[i] not in ',\r\n':
            field += text[i]
            i += 1
        if i == n:
            record.append(field)
            records.append(record)
            return records
        if text[i] == ',':
            record.append(field)
            field = ""
            i += 1
            if i == n:
                record.append(field)
                records.append(record)
                return records
            continue
        if text[i] == '\r' and i + 1 < n and text[i + 1] == '\n':
            i += 1
        i += 1
        record.append(field)
        records.append(record)
        record, field = [], ""
        if i == n:
            return records


def import_sheet(records):
    cols = len(records[0]) if records else 0
    rows = [(r + [""] * cols)[:cols] for r in records]
    while rows and all(trim(c) == "" for c in rows[-1]):
        rows.pop()
    while cols > 0 and all(trim(r[cols - 1]) == "" for r in rows):
        cols -= 1
    return [r[:cols] for r in rows], cols


def int_setting(text, default):
    if text is None or not re.fullmatch(r"[+-]?\d+", text):
        return default
    v = int(text)
    return v if -2**31 <= v < 2**31 else default


def column_ref(c):
    if c < 26:
        return chr(65 + c)
    if c < 52:
        return "A" + chr(65 + c % 26)
    return "C%dR" % (c + 1)


def check(rows, cols, cfg):
    msg = ""
    n_rows = len(rows)
    if n_rows < 3 or cols < 3:
        return "数据源不符合表格格式规范", None
    if int_setting(cfg.get("ClassCount"), 1) > n_rows - 2:
        return "学生数少于班级数", None
    if trim(rows[0][0]) == "":
        return "表格标题不能为空", None
    sort_name = cfg.get("SortFieldName", "")
    c = dict(id=-1, name=-1, sex=-1, sort=-1, total=-1)
    sf_name, kind = "", 0
    for k in range(cols):
        h = trim(rows[1][k])
        if h in ID_HEADERS and c["id"] == -1:
            c["id"] = k
        if h == "姓名":
            c["name"] = k if c["name"] == -1 else c["name"]
        elif h == "性别":
            c["sex"] = k if c["sex"] == -1 else c["sex"]
        elif h in SCHOOL or h in REGION or h == "调整":
            pass
        else:
            if h == "总分" and c["total"] == -1:
                c["total"] = k
            if sort_name and h == sort_name and c["sort"] == -1:
                c["sort"] = k
                sf_name = sort_name
                t = cfg.get("SortFieldType", "")
                kind = 1 if t == "数值型" else 2 if t == "等级型" else 0
    if c["id"] == -1:
        return "表格没有考号（编号）列  或  考号（编号）列头不在第二行", None
    if c["name"] == -1:
        return "表格没有姓名列  或  姓名列头不在第二行", None
    if c["sex"] == -1:
        return "表格没有性别列  或  性别列头不在第二行", None
    if c["sort"] == -1:
        if c["total"] != -1:
            sf_name, c["sort"] = "总分", c["total"]
        else:
            sf_name, c["sort"] = trim(rows[1][c["id"]]), c["id"]
        kind = 1
    for r in range(2, n_rows):
        n = str(r + 1)
        row = rows[r]
        if trim(row[c["id"]]) == "":
            msg += column_ref(c["id"]) + n + ":考号（编号）不能为空\r"
        if trim(row[c["name"]]) == "":
            msg += column_ref(c["name"]) + n + ":姓名不能为空\r"
        sex = trim(row[c["sex"]])
        if sex == "":
            msg += column_ref(c["sex"]) + n + ":性别不能为空\r"
        elif sex not in ("男", "女"):
            msg += column_ref(c["sex"]) + n + ":性别出错\r"
        v = trim(row[c["sort"]])
        if v == "":
            msg += column_ref(c["sort"]) + n + ":" + sf_name + "不能为空\r"
        elif kind == 1 and not NUMBER.match(v):
            msg += column_ref(c["sort"]) + n + ":排序字段【" + sf_name + "】数值型数据非法\r"
            break
        elif kind == 2 and v not in GRADES:
            msg += column_ref(c["sort"]) + n + ":排序字段【" + sf_name + "】等级型数据非法\r"
            break
    if msg:
        return trim(msg), None
    return "", (c, sf_name, kind)


def insert(lst, item, descending):
    def cmp(x, y):
        d = (y - x) if descending else (x - y)
        return -1 if d < 0 else 1 if d > 0 else 0
    lo, hi = 0, len(lst) - 1
    while lo <= hi:
        mid = (lo + hi) // 2
        r = cmp(item["key"], lst[mid]["key"])
        if r < 0:
            hi = mid - 1
        elif r > 0:
            lo = mid + 1
        else:
            lst.insert(mid, item)
            return
    lst.insert(lo, item)


def average(total, count):
    d = (Decimal(total) / Decimal(count)) if False else Decimal(total / count)
    q = d.quantize(Decimal("0.01"), rounding=ROUND_HALF_UP)
    s = format(q, "f")
    if "." in s:
        s = s.rstrip("0").rstrip(".")
    return "0" if s in ("-0", "") else s


def field(text):
    if any(ch in text for ch in ',"\r\n'):
        return '"' + text.replace('"', '""') + '"'
    return text


def line(cells):
    return ",".join(field(c) for c in cells) + "\r\n"


def run_reference(data, cfg):
    rows, cols = import_sheet(parse_csv(decode(data)))
    msg, found = check(rows, cols, cfg)
    if found is None:
        return 1, "", msg.replace("\r", "\n") + "\n", {}
    c, sf_name, kind = found
    class_count = max(int_setting(cfg.get("ClassCount"), 1), 1)
    prefix = cfg.get("ClassPrefix", "")
    ids = cfg.get("CreateStudentID", "False") == "True"
    id_prefix = cfg.get("StudentIDPrefix", "")
    sex_digit = cfg.get("SexPrefix", "False") == "True"
    boys, girls = [], []
    for r in range(2, len(rows)):
        fields = [trim(x) for x in rows[r]]
        t = fields[c["sort"]]
        key = 0.0
        if kind == 1:
            key = float(t) if NUMBER.match(t) else 0.0
            if key in (float("inf"), float("-inf")):
                key = 0.0
        elif kind == 2:
            key = float(GRADES.get(t, 0))
        s = dict(fields=fields, key=key)
        if fields[c["sex"]] == "男":
            insert(boys, s, False)
        elif fields[c["sex"]] == "女":
            insert(girls, s, True)
    classes = [dict(name="(%d)班" % (n + 1), boys=0, girls=0, total=0.0, students=[]) for n in range(class_count)]
    grade = []
    for group, boy in ((boys, True), (girls, False)):
        k = 0
        for s in reversed(group):
            k += 1
            cl = classes[k - 1]
            d = dict(fields=s["fields"], key=s["key"], cls=cl["name"], sid="")
            if boy:
                cl["boys"] += 1
            else:
                cl["girls"] += 1
            cl["total"] += d["key"]
            if ids:
                d["sid"] = ("1" if boy else "0") * sex_digit + "%02d%02d" % (k, cl["boys"] + cl["girls"])
            insert(cl["students"], d, False)
            insert(grade, d, False)
            if k % class_count == 0:
                k = 0
    header = rows[1]
    with_avg = kind == 1 and c["sort"] != c["id"]
    ov = [["班别", "总人数", "男生人数", "女生人数"] + ([sf_name] if with_avg else [])]
    g_total = 0.0
    for cl in classes:
        cnt = cl["boys"] + cl["girls"]
        ov.append([prefix + cl["name"], str(cnt), str(cl["boys"]), str(cl["girls"])] +
                  ([average(cl["total"], cnt) if cnt else ""] if with_avg else []))
        g_total += cl["total"]
    gb, gg = len(boys), len(girls)
    ov.append(["全年级", str(gb + gg), str(gb), str(gg)] + ([average(g_total, gb + gg) if gb + gg else ""] if with_avg else []))
    stdout = "".join("\t".join(r) + "\n" for r in ov)
    files = {"分班情况.csv": field("分班情况        DATE") + "\r\n\r\n" + "".join(line(r) for r in ov)}

    def student_file(title, students, grade_sheet):
        text = field(title) + "\r\n\r\n" + line(header + (["班别"] if grade_sheet else []) + (["学号"] if ids else []))
        for s in reversed(students):
            text += line(s["fields"] + ([prefix + s["cls"]] if grade_sheet else []) + ([id_prefix + s["sid"]] if ids else []))
        return text
    for cl in classes:
        files[prefix + cl["name"] + ".csv"] = student_file(prefix + cl["name"], cl["students"], False)
    files["全年级.csv"] = student_file("全年级", grade, True)
    files["数据源.csv"] = field(rows[0][0]) + "," * (cols - 1) + "\r\n" + "".join(line(r) for r in rows[1:])
    return 0, stdout, "", files
