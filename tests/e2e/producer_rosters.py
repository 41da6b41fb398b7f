#!/usr/bin/env python3
"""`fenban divide` on one roster as every program saves it (tests/data/producers,
remade by tests/data/make-producer-rosters.py): openpyxl and pandas (formulas
without results), xlsxwriter (stored zeros and a recalculation request),
LibreOffice and gnumeric (xlsx and xls, results stored), each with a hidden
first worksheet. Every one must give the same overview and the same result
files as the texts the teacher sees (roster.csv); a roster check that fails
names the worksheet it read.

usage: producer_rosters.py FENBAN ROOT
"""
import filecmp
import os
import subprocess
import sys
import tempfile


def divide(fenban, roster, out_dir, extra=()):
    env = dict(os.environ, FENBAN_CONFIG=os.path.join(out_dir, "Config.ini"))
    return subprocess.run([fenban, "divide", roster, "--classes", "4", "--csv", os.path.join(out_dir, "csv"),
                           "--csv-encoding", "utf-8", *extra], capture_output=True, env=env)


def main():
    fenban, root = sys.argv[1], sys.argv[2]
    folder = os.path.join(root, "tests", "data", "producers")
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        reference_dir = os.path.join(tmp, "reference")
        os.makedirs(reference_dir)
        reference = divide(fenban, os.path.join(folder, "roster.csv"), reference_dir)
        if reference.returncode != 0:
            print("roster.csv: exit %d: %s" % (reference.returncode, reference.stderr.decode()))
            return 1
        csv_files = sorted(os.listdir(os.path.join(reference_dir, "csv")))
        for name in sorted(os.listdir(folder)):
            if not name.startswith("roster-"):
                continue
            out_dir = os.path.join(tmp, name)
            os.makedirs(out_dir)
            r = divide(fenban, os.path.join(folder, name), out_dir)
            if r.returncode != 0 or r.stdout != reference.stdout:
                failures.append("%s: exit %d, overview %r, errors %r" % (name, r.returncode, r.stdout.decode()[:200],
                                                                        r.stderr.decode()[:300]))
                continue
            got = sorted(os.listdir(os.path.join(out_dir, "csv")))
            if got != csv_files:
                failures.append("%s: result files %s, expected %s" % (name, got, csv_files))
                continue
            _, mismatch, errors = filecmp.cmpfiles(os.path.join(reference_dir, "csv"), os.path.join(out_dir, "csv"),
                                                   csv_files, shallow=False)
            if mismatch or errors:
                failures.append("%s: result files differ from the CSV roster's: %s" % (name, mismatch + errors))

            # More classes than students: the check fails and says which sheet it read.
            check_dir = os.path.join(tmp, name + "-check")
            os.makedirs(check_dir)
            r = divide(fenban, os.path.join(folder, name), check_dir, ("--classes", "60"))
            expected = "工作表“名单”未通过检查：\n学生数少于班级数\n"
            if r.returncode != 1 or r.stderr.decode() != expected:
                failures.append("%s: check failure exit %d, messages %r" % (name, r.returncode, r.stderr.decode()))
    for f in failures:
        print(f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
