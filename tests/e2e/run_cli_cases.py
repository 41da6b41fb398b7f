#!/usr/bin/env python3
"""Runs fenban on the small rosters of tests/data/cli and compares exit code,
stdout, stderr and every written file with tests/data/cli/expected/<case>/.

usage: run_cli_cases.py FENBAN DATA_DIR [--update]

The date on the first line of 分班情况.csv is the only field that may differ
between runs; it is replaced by DATE before comparing.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

# name, arguments ({data} = data folder, {out} = a fresh output folder,
# {tmp} = a scratch folder), expected exit code, and optionally what the case
# changes: "env" (variables, formatted like the arguments), "unset"
# (variables removed), "stdout" or "stderr" (a file the stream goes to
# instead of being compared, such as /dev/full). Output folders are compared
# file by file with the expected folder.
CASES = [
    ("divide-three-classes", ["divide", "{data}/roster-small.csv", "--classes", "3", "--prefix", "高一",
                              "--student-id", "--csv", "{out}"], 0),
    ("divide-sex-digit-utf8", ["divide", "{data}/roster-small.csv", "--classes=2", "--student-id",
                               "--sex-digit", "--id-prefix", "S", "--csv", "{out}", "--csv-encoding", "utf-8"], 0),
    ("divide-sort-by-chinese", ["divide", "{data}/roster-small.csv", "--classes", "4", "--sort-field", "语文",
                                "--sort-kind", "numeric"], 0),
    ("divide-name-never-sorts", ["divide", "{data}/roster-small.csv", "--classes", "2", "--sort-field", "姓名",
                                 "--sort-kind", "grade"], 0),
    ("divide-kind-none", ["divide", "{data}/roster-small.csv", "--classes", "3", "--sort-field", "语文",
                          "--sort-kind", "none", "--student-id", "--csv", "{out}"], 0),
    ("divide-grade-marks-utf8", ["divide", "{data}/roster-utf8.csv", "--classes", "2", "--sort-field", "等第",
                                 "--sort-kind", "grade", "--student-id", "--csv", "{out}"], 0),
    ("divide-id-as-sort", ["divide", "{data}/roster-utf8.csv", "--classes", "2", "--sort-field", "学号",
                           "--sort-kind", "numeric"], 0),
    ("divide-config-file", ["divide", "{data}/roster-small.csv", "--config", "{data}/config-sample.ini"], 0),
    ("divide-config-overridden", ["divide", "{data}/roster-small.csv", "--config", "{data}/config-sample.ini",
                                  "--classes", "2", "--no-student-id", "--prefix", "初一"], 0),
    ("divide-too-many-classes", ["divide", "{data}/roster-small.csv", "--classes", "15", "--csv", "{out}"], 1),
    ("divide-bad-roster", ["divide", "{data}/roster-bad.csv", "--csv", "{out}"], 1),
    ("divide-tiny-roster", ["divide", "{data}/roster-tiny.csv"], 1),
    ("check-bad-roster", ["check", "{data}/roster-bad.csv"], 1),
    ("check-good-roster", ["check", "{data}/roster-small.csv", "--classes", "14"], 0),
    ("check-empty-file", ["check", "{data}/empty.csv"], 1),
    ("convert-csv", ["convert", "{data}/roster-utf8.csv", "{out}/converted.csv"], 0),
    ("usage-no-roster", ["divide"], 2),
    ("usage-unknown-option", ["divide", "{data}/roster-small.csv", "--colour"], 2),
    ("usage-bad-classes", ["divide", "{data}/roster-small.csv", "--classes", "many"], 2),
    ("usage-bad-kind", ["divide", "{data}/roster-small.csv", "--sort-kind", "alpha"], 2),
    ("usage-unknown-command", ["shuffle"], 2),
    ("damaged-xlf", ["divide", "{data}/roster.xlf"], 2),
    ("damaged-xlf-cell-block", ["divide", "{data}/../xlf-text-length-one-too-long.xlf"], 2),
    ("utf16-roster", ["divide", "{data}/../text/roster-utf16le-tabs.csv", "--classes", "3"], 0),
    ("xlsx-bad-sheet-name", ["divide", "{data}/roster-small.csv", "--prefix", "高/一", "--xlsx", "{out}/a.xlsx",
                             "--csv", "{out}"], 2),
    ("xlsx-long-sheet-name", ["divide", "{data}/roster-small.csv", "--prefix", "一年级实验班" * 5,
                              "--xlsx", "{out}/a.xlsx"], 2),
    ("check-xls-roster", ["check", "{data}/../roster.xls"], 1),
    ("convert-unknown-output", ["convert", "{data}/roster-utf8.csv", "{out}/a.doc"], 2),
    ("convert-unknown-input", ["convert", "{data}/config-sample.ini", "{out}/a.csv"], 2),
    ("missing-roster", ["divide", "{data}/no-such-roster.csv"], 2),
    ("missing-config", ["divide", "{data}/roster-small.csv", "--config", "{data}/no-such.ini"], 2),
    ("undecodable-roster", ["check", "{data}/not-text.csv"], 2),
    ("csv-folder-is-a-file", ["divide", "{data}/roster-small.csv", "--csv", "{data}/roster-small.csv"], 2),
    ("options-end", ["check", "--classes", "2", "--", "{data}/roster-small.csv"], 0),
    ("help-general", ["--help"], 0),
    ("help-divide", ["divide", "--help"], 0),
    ("help-check", ["check", "-h"], 0),
    ("help-convert", ["convert", "--help"], 0),
    # The settings file named by the environment, and --config before it.
    ("divide-config-from-environment", ["divide", "{data}/roster-small.csv"], 0,
     {"env": {"FENBAN_CONFIG": "{data}/config-sample.ini"}}),
    ("divide-config-option-first", ["divide", "{data}/roster-small.csv", "--config", "{tmp}/none.ini"], 0,
     {"env": {"FENBAN_CONFIG": "{data}/config-sample.ini"}}),
    ("divide-environment-config-missing", ["divide", "{data}/roster-small.csv"], 0,
     {"env": {"FENBAN_CONFIG": "{tmp}/absent.ini"}}),
    # A failed write to stdout or stderr is never a success.
    ("divide-stdout-full", ["divide", "{data}/roster-small.csv", "--csv", "{out}"], 2, {"stdout": "/dev/full"}),
    ("check-stdout-full", ["check", "{data}/roster-small.csv"], 0, {"stdout": "/dev/full"}),
    ("help-stdout-full", ["--help"], 2, {"stdout": "/dev/full"}),
    ("convert-stdout-full", ["convert", "--help"], 2, {"stdout": "/dev/full"}),
    ("check-stderr-full", ["check", "{data}/roster-bad.csv"], 2, {"stderr": "/dev/full"}),
    ("usage-stderr-full", ["divide", "--colour"], 2, {"stderr": "/dev/full"}),
    # No arguments and a roster file open the window: window_instance.py drives those.
    # The stand-alone editor needs a display; without one it says so.
    ("window-edit", ["edit"], 2, {"unset": ["DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"]}),
]

DATE_LINE = re.compile(rb"^(\xb7\xd6\xb0\xe0\xc7\xe9\xbf\xf6|(?:\xef\xbb\xbf)?\xe5\x88\x86\xe7\x8f\xad\xe6\x83\x85\xe5\x86\xb5) {8}\d{4}\.\d{1,2}\.\d{1,2}\r\n")


def normalise(name, data):
    if name == "分班情况.csv":
        data = DATE_LINE.sub(lambda m: m.group(1) + b"        DATE\r\n", data, count=1)
    return data


def run_case(fenban, data_dir, name, args, code, update, opts):
    expected_dir = os.path.join(data_dir, "expected", name)
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "out")
        os.makedirs(out)
        # Files the export must leave alone.
        keep = {"keep.txt": b"mine", "old.csv": b"old"}
        for k, v in keep.items():
            with open(os.path.join(out, k), "wb") as f:
                f.write(v)
        # The program's own Config.ini (beside the binary) must not leak in:
        # every case names an empty settings file of its own.
        open(os.path.join(tmp, "none.ini"), "wb").close()
        fmt = lambda a: a.format(data=data_dir, out=out, tmp=tmp)
        words = [fmt(a) for a in args]
        env = dict(os.environ, HOME=tmp, XDG_CONFIG_HOME=os.path.join(tmp, "config"),
                   FENBAN_CONFIG=os.path.join(tmp, "none.ini"))
        env.update({k: fmt(v) for k, v in opts.get("env", {}).items()})
        for k in opts.get("unset", []):
            env.pop(k, None)
        before = snapshot(data_dir)
        streams = {}
        for stream in ("stdout", "stderr"):
            streams[stream] = open(opts[stream], "wb") if stream in opts else subprocess.PIPE
        try:
            proc = subprocess.run([fenban] + words, env=env, timeout=60, **streams)
        finally:
            for f in streams.values():
                if f is not subprocess.PIPE:
                    f.close()
        proc.stdout = proc.stdout or b""
        proc.stderr = proc.stderr or b""
        problems = []
        if proc.returncode != code:
            problems.append("exit code %d, expected %d" % (proc.returncode, code))
        if snapshot(data_dir) != before:
            problems.append("the command changed files in the data folder")
        for k, v in keep.items():
            with open(os.path.join(out, k), "rb") as f:
                if f.read() != v:
                    problems.append("%s in the output folder was touched" % k)
            os.remove(os.path.join(out, k))
        stderr = proc.stderr.replace(data_dir.encode(), b"{data}").replace(out.encode(), b"{out}")
        actual = {"stdout.txt": proc.stdout, "stderr.txt": stderr}
        for f in sorted(os.listdir(out)):
            with open(os.path.join(out, f), "rb") as fh:
                actual["out/" + f] = normalise(f, fh.read())
        if update:
            shutil.rmtree(expected_dir, ignore_errors=True)
            for rel, content in actual.items():
                path = os.path.join(expected_dir, rel)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "wb") as fh:
                    fh.write(content)
            return problems
        expected = {}
        for root, _, files in os.walk(expected_dir):
            for f in files:
                path = os.path.join(root, f)
                with open(path, "rb") as fh:
                    expected[os.path.relpath(path, expected_dir)] = fh.read()
        for rel in sorted(set(actual) | set(expected)):
            if rel not in expected:
                problems.append("unexpected output %s" % rel)
            elif rel not in actual:
                problems.append("missing output %s" % rel)
            elif actual[rel] != expected[rel]:
                problems.append("%s differs:\n--- expected\n%r\n--- actual\n%r" % (rel, expected[rel][:600], actual[rel][:600]))
        return problems


def snapshot(folder):
    state = {}
    for root, _, files in os.walk(folder):
        if os.path.relpath(root, folder).startswith("expected"):
            continue
        for f in files:
            p = os.path.join(root, f)
            st = os.stat(p)
            state[p] = (st.st_size, st.st_mtime_ns)
    return state


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    fenban, data_dir = sys.argv[1], os.path.abspath(sys.argv[2])
    update = "--update" in sys.argv[3:]
    failed = 0
    for name, args, code, *opts in CASES:
        problems = run_case(fenban, data_dir, name, args, code, update, opts[0] if opts else {})
        status = "ok" if not problems else "FAILED"
        print("%-28s %s" % (name, status))
        for p in problems:
            print("    " + p)
        failed += bool(problems)
    print("%d of %d cases failed" % (failed, len(CASES)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
