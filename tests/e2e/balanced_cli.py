#!/usr/bin/env python3
"""`fenban divide --balanced --report` on a small roster with a 调整 column:
the overview with the balanced columns' means, the report after a blank
line, the constraints kept, the same classes for the same seed, and the
roster problems of an unreadable 调整 cell refused before anything is divided,
and `fenban check --balanced` finding the same problems.

usage: balanced_cli.py FENBAN
"""
import os
import re
import subprocess
import sys
import tempfile

HEADER = "考号,姓名,性别,学校,语文,数学,总分,调整"


def roster(adjust_of):
    lines = ["高一新生名单,,,,,,,", HEADER]
    for i in range(24):
        chinese = 60 + (i * 37) % 61
        maths = 55 + (i * 53) % 71
        sex = "男" if i % 2 == 0 else "女"
        school = "一中" if i % 3 == 0 else "二中" if i % 3 == 1 else "三中"
        lines.append(f"{1001 + i},学生{i},{sex},{school},{chinese},{maths},{chinese + maths},{adjust_of(i)}")
    return "\r\n".join(lines) + "\r\n"


def adjust(i):
    return {0: "2", 1: "同甲", 3: "同甲", 4: "分乙", 6: "分乙", 8: "关注", 9: "*", 10: "关注，分乙"}.get(i, "")


def run(fenban, args, env):
    return subprocess.run([fenban] + args, capture_output=True, env=env)


def main():
    fenban = sys.argv[1]
    failures = []

    def expect(condition, what):
        if not condition:
            failures.append(what)

    with tempfile.TemporaryDirectory() as tmp:
        env = dict(os.environ, FENBAN_CONFIG=os.path.join(tmp, "none.ini"), XDG_CONFIG_HOME=tmp)
        good = os.path.join(tmp, "roster.csv")
        with open(good, "w", encoding="utf-8") as f:
            f.write(roster(adjust))
        args = ["divide", good, "--classes", "3", "--prefix", "高一", "--balanced", "--report"]
        first = run(fenban, args, env)
        expect(first.returncode == 0, f"balanced divide exits {first.returncode}: {first.stderr.decode()}")
        out = first.stdout.decode()
        overview, _, report = out.partition("\n\n")
        rows = [line.split("\t") for line in overview.splitlines()]
        expect(rows and rows[0] == ["班别", "总人数", "男生人数", "女生人数", "总分", "语文", "数学"],
               f"overview header {rows[:1]}")
        expect(len(rows) == 5 and all(len(r) == 7 for r in rows), "overview rows of seven cells")
        expect([r[1] for r in rows[1:4]] == ["8", "8", "8"], f"class sizes {[r[1] for r in rows[1:4]]}")
        expect(report.startswith("均衡情况\n总分：班级均值极差 "), "report begins after a blank line")
        expect("调整：指定班级 1/1，同组 1/1，分组 1/1\n" in report, "constraints kept")
        expect("关注学生最大相差 " in report and "学校最大相差 " in report, "spreads reported")
        expect(re.search(r"均衡分班：种子 1，用时 [0-9.]+ 秒\n$", report) is not None, "seed and time last")
        expect("未满足" not in report, "nothing broken")

        second = run(fenban, args, env)
        without_time = lambda text: re.sub(r"用时 [0-9.]+ 秒", "", text.decode())
        expect(without_time(second.stdout) == without_time(first.stdout), "same seed, same output")

        csv_dir = os.path.join(tmp, "csv")
        with_csv = run(fenban, args + ["--csv", csv_dir, "--student-id"], env)
        expect(with_csv.returncode == 0, "balanced divide with CSV output")
        class_one = open(os.path.join(csv_dir, "高一(2)班.csv"), encoding="gb18030").read()
        expect(",1001," in class_one or "\n1001," in class_one, "the pinned student is in class 2")

        # The cyclic deal ignores the column and its overview stays as it was.
        cyclic = run(fenban, ["divide", good, "--classes", "3", "--prefix", "高一"], env)
        cyclic_report = run(fenban, ["divide", good, "--classes", "3", "--prefix", "高一", "--report"], env)
        expect(cyclic_report.stdout.decode().startswith(cyclic.stdout.decode() + "\n均衡情况\n"),
               "cyclic report follows the unchanged overview")
        expect(cyclic.stdout.decode().splitlines()[0].split("\t") == ["班别", "总人数", "男生人数", "女生人数", "总分"],
               "cyclic overview keeps its five columns")
        expect("循环分班\n" in cyclic_report.stdout.decode(), "cyclic report names the deal")

        bad = os.path.join(tmp, "bad.csv")
        with open(bad, "w", encoding="utf-8") as f:
            f.write(roster(lambda i: {2: "高二(1)班", 5: "9"}.get(i, "")))
        refused = run(fenban, ["divide", bad, "--classes", "3", "--balanced", "--csv", os.path.join(tmp, "no")], env)
        expect(refused.returncode == 1, f"refusal exits {refused.returncode}")
        expect(refused.stderr.decode() == "H5:调整列的内容无法识别\nH8:调整列的班号9超出范围（1～3）\n",
               f"refusal message {refused.stderr.decode()!r}")
        expect(not os.path.exists(os.path.join(tmp, "no")), "nothing written when refused")
        expect(run(fenban, ["divide", bad, "--classes", "3"], env).returncode == 0, "cyclic ignores the column")

        # The check alone finds the same problems in balanced mode only.
        checked = run(fenban, ["check", bad, "--classes", "3", "--balanced"], env)
        expect(checked.returncode == 1 and checked.stderr == refused.stderr and checked.stdout == b"",
               f"balanced check {checked.returncode} {checked.stderr.decode()!r}")
        expect(run(fenban, ["check", bad, "--classes", "3"], env).returncode == 0, "the cyclic check ignores the column")
        passed = run(fenban, ["check", good, "--classes", "3", "--balanced"], env)
        expect(passed.returncode == 0 and passed.stdout == b"" and passed.stderr == b"", "a sound column passes silently")
        crowded = os.path.join(tmp, "crowded.csv")
        with open(crowded, "w", encoding="utf-8") as f:
            f.write(roster(lambda i: "1" if i < 9 else "同丙" if i < 20 else ""))
        crowded_check = run(fenban, ["check", crowded, "--classes", "3", "--balanced"], env)
        expect(crowded_check.returncode == 1
               and crowded_check.stderr.decode() == "同组“丙”有11人，多于每班最多的8人\n指定到(1)班的学生有9人，多于每班最多的8人\n",
               f"every problem in one message {crowded_check.stderr.decode()!r}")

        usage = run(fenban, ["divide", good, "--balanced", "--seed", "x"], env)
        expect(usage.returncode == 2 and b"--seed" in usage.stderr, "a bad seed is a usage error")
        usage = run(fenban, ["divide", good, "--balanced", "--time-limit", "0"], env)
        expect(usage.returncode == 2 and b"--time-limit" in usage.stderr, "a time limit of 0 is a usage error")

    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
