#!/usr/bin/env python3
"""Differential test: random rosters and settings through the real fenban
binary and through reference_divide.py; exit code, stdout, stderr and every
CSV file must match byte for byte (the overview's date aside).

usage: differential.py FENBAN [COUNT] [SEED]
"""
import os
import random
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from reference_divide import run_reference  # noqa: E402

NAMES = ["张三", "李四", "王五", "赵,六", '钱"七"', " 孙八 ", "周九", "吴十", "郑𠮷", "王䶮", "欧阳一", "A, B"]
GRADE_MARKS = ["优", "良", "中", "差", "A", "b", "z", "C"]


def random_roster(rng):
    headers = [rng.choice(["考号", "编号", "准考证号", "学号"]), "姓名", "性别"]
    extras = rng.sample(["总分", "语文", "等第", "学校", "调整", "地区", "备注"], rng.randint(0, 5))
    headers += extras
    rng.shuffle(headers)
    if rng.random() < 0.05:
        headers.remove("性别")
    n = rng.choice([0, 1, 3, 8, 20, 45, 90, 300, 1500])
    keys = [rng.choice([60, 70, 75, 80, 85.5, 90, 100, -3, 1e2]) for _ in range(n)]
    rows = []
    err = 0.02 if rng.random() < 0.3 else 0.0  # most rosters pass the check
    for i in range(n):
        row = []
        for h in headers:
            if h in ("考号", "编号", "准考证号", "学号"):
                v = str(1000 + i) if rng.random() >= err else rng.choice(["", "X1"])
            elif h == "姓名":
                v = rng.choice(NAMES) if rng.random() >= err else ""
            elif h == "性别":
                v = rng.choice(["男", "女", " 男", "女 "]) if rng.random() >= err else rng.choice(["", "M"])
            elif h in ("总分", "语文"):
                v = str(keys[i] if h == "总分" else rng.choice([50, 60, 60, 70]))
                if rng.random() < err:
                    v = rng.choice(["", "abc", "1e5", " 7 "])
            elif h == "等第":
                v = rng.choice(GRADE_MARKS) if rng.random() >= err else "A+"
            else:
                v = rng.choice(["", "一中", "x,y"])
            row.append(v)
        rows.append(row)
    caption = rng.choice(["高一新生", "名单,带逗号", "  "]) if rng.random() < 0.97 else "名单"
    pad = len(headers) - 1 if rng.random() < 0.97 else 0
    lines = [[caption] + [""] * pad, headers] + rows
    if rng.random() < 0.05:
        lines.append([""] * len(headers))
    text = ""
    for r in lines:
        text += ",".join(('"' + c.replace('"', '""') + '"') if any(x in c for x in ',"\r\n') else c for c in r)
        text += rng.choice(["\r\n", "\n"])
    if rng.random() < 0.3:
        return b"\xef\xbb\xbf" + text.encode("utf-8"), headers
    return text.encode("gb18030"), headers


def random_settings(rng, headers):
    cfg = {}
    cfg["ClassCount"] = str(rng.choice([1, 2, 3, 5, 12, 0, 40]))
    if rng.random() < 0.7:
        cfg["ClassPrefix"] = rng.choice(["高一", "初二", "", "Class "])
    cfg["CreateStudentID"] = rng.choice(["True", "False"])
    cfg["SexPrefix"] = rng.choice(["True", "False"])
    if rng.random() < 0.5:
        cfg["StudentIDPrefix"] = rng.choice(["S", "2026", ""])
    cfg["SortFieldName"] = rng.choice(headers + ["不存在", ""])
    cfg["SortFieldType"] = rng.choice(["数值型", "等级型", ""])
    return cfg


def options_for(cfg):
    opts = ["--classes", cfg["ClassCount"]]
    if "ClassPrefix" in cfg:
        opts += ["--prefix", cfg["ClassPrefix"]]
    opts.append("--student-id" if cfg["CreateStudentID"] == "True" else "--no-student-id")
    opts.append("--sex-digit" if cfg["SexPrefix"] == "True" else "--no-sex-digit")
    if "StudentIDPrefix" in cfg:
        opts += ["--id-prefix", cfg["StudentIDPrefix"]]
    opts += ["--sort-field", cfg["SortFieldName"]]
    kind = {"数值型": "numeric", "等级型": "grade"}.get(cfg["SortFieldType"], "none")
    return opts + ["--sort-kind", kind]


DATE = re.compile(r"^(分班情况 {8})\d{4}\.\d{1,2}\.\d{1,2}\r\n")


def main():
    fenban = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 300
    seed = int(sys.argv[3]) if len(sys.argv) > 3 else 4
    rng = random.Random(seed)
    failures = 0
    for case in range(count):
        data, headers = random_roster(rng)
        cfg = random_settings(rng, headers)
        with tempfile.TemporaryDirectory() as tmp:
            roster = os.path.join(tmp, "roster.csv")
            with open(roster, "wb") as f:
                f.write(data)
            out = os.path.join(tmp, "out")
            args = [fenban, "divide", roster, "--csv", out]
            if rng.random() < 0.5:
                ini = os.path.join(tmp, "settings.ini")
                with open(ini, "wb") as f:
                    f.write(("[Global]\r\n" + "".join("%s=%s\r\n" % kv for kv in cfg.items())).encode("gb18030"))
                args += ["--config", ini]
            else:
                env_cfg = os.path.join(tmp, "empty.ini")
                open(env_cfg, "wb").close()
                args += options_for(cfg) + ["--config", env_cfg]
            proc = subprocess.run(args, capture_output=True, timeout=60)
            files = {}
            if os.path.isdir(out):
                for name in os.listdir(out):
                    with open(os.path.join(out, name), "rb") as f:
                        files[name] = DATE.sub(r"\1DATE\r\n", f.read().decode("gb18030"), count=1)
            expected = run_reference(data, cfg)
            actual = (proc.returncode, proc.stdout.decode("utf-8"), proc.stderr.decode("utf-8"), files)
            if actual != expected:
                failures += 1
                print("case %d differs; settings %r" % (case, cfg))
                for what, a, e in zip(("exit", "stdout", "stderr", "files"), actual, expected):
                    if a != e:
                        if what == "files":
                            for name in sorted(set(a) | set(e)):
                                if a.get(name) != e.get(name):
                                    print("  %s: actual %r\n  expected %r" % (name, a.get(name, "")[:400], e.get(name, "")[:400]))
                        else:
                            print("  %s: actual %r expected %r" % (what, a, e))
                with open(os.path.join(tempfile.gettempdir(), "fenban-diff-%d.csv" % case), "wb") as f:
                    f.write(data)
                if failures > 5:
                    break
    print("%d of %d random rosters differ" % (failures, count))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
