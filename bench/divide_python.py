#!/usr/bin/env python3
"""The division done the plain Python way, for comparison with fenban:
csv module in and out, the same roster check essentials, both sexes ranked
with the same insertion rule (bisection, list.insert), cyclic dealing,
student numbers, one CSV file per class, the whole grade and the roster.

usage: divide_python.py ROSTER.csv OUTDIR CLASSES PREFIX
"""
import csv
import io
import os
import sys
import time


def rank(records, descending):
    ranked = []
    for rec in records:
        key = rec[0]
        lo, hi = 0, len(ranked) - 1
        pos = None
        while lo <= hi:
            mid = (lo + hi) // 2
            other = ranked[mid][0]
            d = (other - key) if descending else (key - other)
            if d < 0:
                hi = mid - 1
            elif d > 0:
                lo = mid + 1
            else:
                pos = mid
                break
        ranked.insert(lo if pos is None else pos, rec)
    return ranked


def main():
    roster, out, classes, prefix = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
    t0 = time.perf_counter()
    with open(roster, encoding="gb18030", newline="") as f:
        rows = list(csv.reader(f))
    header = rows[1]
    sex_col, sort_col = header.index("性别"), header.index("总分")
    boys, girls = [], []
    for row in rows[2:]:
        fields = [x.strip() for x in row]
        rec = (float(fields[sort_col]), fields)
        (boys if fields[sex_col] == "男" else girls).append(rec)
    t1 = time.perf_counter()
    boys, girls = rank(boys, False), rank(girls, True)
    members = [[] for _ in range(classes)]
    for group in (boys, girls):
        for i, (key, fields) in enumerate(reversed(group)):
            n = i % classes
            members[n].append((key, fields + ["%02d%02d" % (n + 1, len(members[n]) + 1)]))
    t2 = time.perf_counter()
    os.makedirs(out, exist_ok=True)

    def write(name, title, table):
        with open(os.path.join(out, name + ".csv"), "w", encoding="gb18030", newline="") as f:
            f.write(title + "\r\n\r\n")
            csv.writer(f, lineterminator="\r\n").writerows(table)
    grade = []
    overview = [["班别", "总人数", "男生人数", "女生人数", "总分"]]
    for n, m in enumerate(members):
        name = "%s(%d)班" % (prefix, n + 1)
        ordered = sorted(m, key=lambda r: -r[0])
        write(name, name, [header + ["学号"]] + [f for _, f in ordered])
        grade += [(k, f[:-1] + [name, f[-1]]) for k, f in ordered]
        total = sum(k for k, _ in m)
        overview.append([name, len(m), 0, 0, "%.2f" % (total / len(m)) if m else ""])
    grade.sort(key=lambda r: -r[0])
    write("全年级", "全年级", [header + ["班别", "学号"]] + [f for _, f in grade])
    write("分班情况", "分班情况", overview)
    with open(os.path.join(out, "数据源.csv"), "w", encoding="gb18030", newline="") as f:
        csv.writer(f, lineterminator="\r\n").writerows(rows)
    out_text = io.StringIO()
    for r in overview:
        out_text.write("\t".join(str(c) for c in r) + "\n")
    sys.stdout.write(out_text.getvalue())
    t3 = time.perf_counter()
    print("python: read %.2f s, divide %.2f s, write %.2f s" % (t1 - t0, t2 - t1, t3 - t2), file=sys.stderr)


if __name__ == "__main__":
    main()
