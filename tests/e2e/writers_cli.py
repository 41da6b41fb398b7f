#!/usr/bin/python3
"""The writers of `fenban divide` and `fenban convert` when things go wrong,
through the real binary: every failure is exactly one line of ours naming the
file and the system's reason, exit code 2, no temporary file left and the old
file intact. Cases: a file-size limit (ulimit -f: the write fails with EFBIG,
as on a full disk), an output that is a folder, a missing folder, a folder we
may not write, CSV names too long or impossible; an address-space limit
(ulimit -v) with 100,000 students ends with "not enough memory", never a
crash. Texts with NUL and _xHHHH_ read back intact through openpyxl.

The result workbook of a small roster is compared part by part with
tests/data/cli/golden-workbook (--update rewrites it after a deliberate change).

usage: writers_cli.py FENBAN SOURCE_DIR [--update]

Runs with the system python, which has python3-openpyxl."""
import json
import os
import re
import resource
import shutil
import subprocess
import sys
import tempfile
import zipfile

FAILURES = []


def check(condition, what):
    if not condition:
        FAILURES.append(what)
        print("FAILED: " + what)


HEADER = "考号,姓名,性别,语文,数学,总分"


def write_roster(path, students, name=lambda i: f"学生{i}"):
    lines = ["高一新生名单,,,,,", HEADER]
    for i in range(students):
        chinese, maths = 60 + (i * 37) % 41, 55 + (i * 53) % 46
        lines.append(f"{260001 + i:08d},{name(i)},{'男' if i % 2 == 0 else '女'},{chinese},{maths},{chinese + maths}")
    with open(path, "w", encoding="utf-8") as f:
        f.write("\r\n".join(lines) + "\r\n")


class Runner:
    def __init__(self, fenban, tmp):
        self.fenban = fenban
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ("DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR")}
        self.env.update(HOME=tmp, XDG_CONFIG_HOME=tmp, FENBAN_CONFIG=os.path.join(tmp, "none.ini"),
                        QT_QPA_PLATFORM="offscreen", TMPDIR=os.path.join(tmp, "libtmp"))
        os.makedirs(self.env["TMPDIR"], exist_ok=True)

    def run(self, args, fsize=None, address_space=None):
        def limits():
            if fsize is not None:
                resource.setrlimit(resource.RLIMIT_FSIZE, (fsize, fsize))
            if address_space is not None:
                resource.setrlimit(resource.RLIMIT_AS, (address_space, address_space))
        return subprocess.run([self.fenban] + args, capture_output=True, env=self.env, preexec_fn=limits,
                              timeout=600)


def one_line_of_ours(result, command, *parts):
    """Exit 2 and a single stderr line of ours holding every part."""
    err = result.stderr.decode("utf-8", "replace")
    lines = err.splitlines()
    what = f"{command} {' '.join(parts)}"
    check(result.returncode == 2, f"{what}: exit {result.returncode} (signal?) {err!r}")
    check(len(lines) == 1, f"{what}: one line expected, got {lines!r}")
    check(bool(lines) and lines[0].startswith(f"fenban {command}: "), f"{what}: not our line: {lines!r}")
    for part in parts:
        check(part in err, f"{what}: {part!r} missing in {err!r}")
    check("[ERROR]" not in err and "Success" not in err, f"{what}: the library's words in {err!r}")


def no_leftovers(folder, expected):
    names = sorted(os.listdir(folder))
    check(names == sorted(expected), f"{folder}: {names} instead of {sorted(expected)}")


def file_size_limit(r, tmp, roster):
    """Writes that hit the size limit fail as a full disk does. 20000 bytes
    hold the finished workbook of 600 students but not its parts, which the
    workbook library first writes into temporary files of its own."""
    for kind, args, target, limit in [
        ("xlsx", ["divide", roster, "--xlsx"], "a.xlsx", 4000),
        ("xlsx parts", ["divide", roster, "--xlsx"], "a.xlsx", 20000),
        ("csv", ["divide", roster, "--csv"], None, 4000),
        ("convert xlsx", ["convert", roster], "b.xlsx", 4000),
        ("convert xlsx parts", ["convert", roster], "b.xlsx", 20000),
        ("convert xlf", ["convert", roster], "b.xlf", 4000),
        ("convert csv", ["convert", roster], "b.csv", 4000),
    ]:
        out = os.path.join(tmp, "fsize-" + kind.replace(" ", "-"))
        os.makedirs(out)
        old = os.path.join(out, target or "分班情况.csv")
        with open(old, "wb") as f:
            f.write(b"old file")
        path = os.path.join(out, target) if target else out
        result = r.run(args + [path], fsize=limit)
        command = args[0]
        one_line_of_ours(result, command, "File too large", path if target else out)
        no_leftovers(out, [os.path.basename(old)])
        with open(old, "rb") as f:
            check(f.read() == b"old file", f"{kind}: the old file changed")
    no_leftovers(r.env["TMPDIR"], [])


def bad_places(r, tmp, roster):
    folder = os.path.join(tmp, "a-folder.xlsx")
    os.makedirs(folder)
    one_line_of_ours(r.run(["divide", roster, "--xlsx", folder]), "divide", folder, "folder")
    one_line_of_ours(r.run(["convert", roster, folder]), "convert", folder, "folder")
    missing = os.path.join(tmp, "no-such-folder", "a.xlsx")
    one_line_of_ours(r.run(["divide", roster, "--xlsx", missing]), "divide", missing, "No such file or directory")
    # A folder we may not write: as root every folder is writable, so one the system keeps.
    if os.geteuid() != 0:
        locked = os.path.join(tmp, "locked")
        os.makedirs(locked)
        os.chmod(locked, 0o555)
        target, reason = os.path.join(locked, "a.xlsx"), "Permission denied"
    else:
        target, reason = "/proc/fenban-test.xlsx", ""
    result = r.run(["divide", roster, "--xlsx", target])
    one_line_of_ours(result, "divide", target, reason)
    check(not os.path.exists(target), f"{target} written")


def csv_names(r, tmp, roster):
    # 245 bytes of prefix: the class files' names are 255 bytes, the most a folder holds.
    out = os.path.join(tmp, "long-names")
    prefix = "班" * 81 + "ab"
    result = r.run(["divide", roster, "--classes", "3", "--prefix", prefix, "--csv", out])
    check(result.returncode == 0, f"a 245-byte prefix: exit {result.returncode} {result.stderr.decode()!r}")
    if os.path.isdir(out):
        names = sorted(os.listdir(out))
        check(len(names) == 6 and all(not n.startswith(".") for n in names), f"long names: {names}")
        check(f"{prefix}(1)班.csv" in names, "long names: the first class file")
    # One byte more for ten classes and more: refused before any file, also before the workbook.
    out = os.path.join(tmp, "too-long")
    workbook = os.path.join(tmp, "too-long.pdf")
    result = r.run(["divide", roster, "--classes", "10", "--prefix", prefix, "--csv", out, "--pdf", workbook])
    one_line_of_ours(result, "divide", "256 bytes")
    check(not os.path.exists(out) or os.listdir(out) == [], "too long: files written")
    check(not os.path.exists(workbook), "too long: the PDF was written before the CSV names were checked")


def out_of_memory(r, tmp):
    roster = os.path.join(tmp, "large.csv")
    write_roster(roster, 100000)
    out = os.path.join(tmp, "oom")
    os.makedirs(out)
    outcomes = []
    # Below about 100 MB the system cannot even load the program's libraries.
    for megabytes in (160, 256, 384, 512):
        csv_folder = os.path.join(out, f"csv-{megabytes}")
        workbook = os.path.join(out, f"{megabytes}.xlsx")
        result = r.run(["divide", roster, "--classes", "20", "--xlsx", workbook, "--csv", csv_folder],
                       address_space=megabytes << 20)
        err = result.stderr.decode("utf-8", "replace")
        outcomes.append((megabytes, result.returncode))
        if result.returncode == 0:
            check(os.path.exists(workbook) and len(os.listdir(csv_folder)) == 23, f"{megabytes} MB: files missing")
        else:
            check(result.returncode == 2, f"{megabytes} MB: exit {result.returncode} {err!r}")
            check(err == "fenban divide: not enough memory\n", f"{megabytes} MB: {err!r}")
    # The designer's export keeps every cell in the workbook library until the end.
    for megabytes in (240, 280, 320):
        converted = os.path.join(out, f"converted-{megabytes}.xlsx")
        result = r.run(["convert", roster, converted], address_space=megabytes << 20)
        err = result.stderr.decode("utf-8", "replace")
        outcomes.append((f"convert {megabytes}", result.returncode))
        check(result.returncode in (0, 2), f"convert at {megabytes} MB: exit {result.returncode} {err!r}")
        check(result.returncode == 0 or err == "fenban convert: not enough memory\n", f"convert {megabytes} MB: {err!r}")
        check((result.returncode == 0) == os.path.exists(converted), f"convert {megabytes} MB: the file")
    # Nothing half-written: complete files or none, and no temporary file.
    for name in os.listdir(out):
        check(not name.startswith("."), f"out of memory: {name} left")
        if os.path.isdir(os.path.join(out, name)):
            left = [n for n in os.listdir(os.path.join(out, name)) if n.startswith(".")]
            check(not left, f"out of memory: {left} left in {name}")
    no_leftovers(r.env["TMPDIR"], [])
    check(any(code == 2 for _, code in outcomes), f"no limit ran out of memory: {outcomes}")
    check(any(code == 0 for _, code in outcomes), f"no limit was enough: {outcomes}")
    print("address-space limits (MB, exit):", outcomes)


def workbook_texts(source, path):
    """{(sheet, cell): (type, value)} as tests/data/dump-texts.py reads them."""
    dump = subprocess.run(["/usr/bin/python3", os.path.join(source, "tests", "data", "dump-texts.py"), path],
                          capture_output=True, timeout=120)
    check(dump.returncode == 0, f"openpyxl cannot read {path}: {dump.stderr.decode()[-300:]!r}")
    cells = {}
    for line in dump.stdout.decode().splitlines():
        where, _, what = line.partition("=")
        kind, _, value = what.partition("|")
        sheet, _, cell = where.rpartition("!")
        cells[(sheet, cell)] = (kind, json.loads(value))
    return cells


def tricky_texts(r, tmp, source):
    try:
        import openpyxl  # noqa: F401
    except ImportError:
        print("python3-openpyxl is not installed: texts skipped")
        return
    roster = os.path.join(tmp, "tricky.csv")
    names = {0: "_x0041_", 1: "王_x005F_", 2: "𠮷𪚥䶮", 3: "_x005F_x0041_"}
    write_roster(roster, 12, lambda i: names.get(i, f"学生{i}"))
    workbook = os.path.join(tmp, "tricky.xlsx")
    result = r.run(["divide", roster, "--classes", "2", "--xlsx", workbook])
    check(result.returncode == 0, f"tricky texts: {result.stderr.decode()!r}")
    cells = workbook_texts(source, workbook)
    for row, name in names.items():
        check(cells.get(("数据源", f"B{row + 3}")) == ("str", name),
              f"tricky texts: {name!r} read back as {cells.get(('数据源', f'B{row + 3}'))!r}")
    # The designer's export through convert: numbers as numbers, examination numbers as text.
    converted = os.path.join(tmp, "converted.xlsx")
    result = r.run(["convert", roster, converted])
    check(result.returncode == 0, f"convert: {result.stderr.decode()!r}")
    cells = workbook_texts(source, converted)
    for cell, expected in {"A3": ("str", "00260001"), "F3": ("int", 115), "D4": ("int", 97),
                           "B3": ("str", "_x0041_"), "B6": ("str", "_x005F_x0041_")}.items():
        check(cells.get(("Sheet1", cell)) == expected, f"convert: {cell} is {cells.get(('Sheet1', cell))!r}")


def workbook_parts(path):
    """The workbook's parts but its creation time, the overview's date as DATE."""
    with zipfile.ZipFile(path) as z:
        parts = {n: z.read(n) for n in z.namelist() if n != "docProps/core.xml"}
    return {n: re.sub(rb"\d{4}\.\d{1,2}\.\d{1,2}", b"DATE", data) for n, data in parts.items()}


def golden_workbook(r, tmp, source, update):
    """The result workbook of a small roster stays byte for byte as it was."""
    golden = os.path.join(source, "tests", "data", "cli", "golden-workbook")
    workbook = os.path.join(tmp, "golden.xlsx")
    result = r.run(["divide", os.path.join(source, "tests", "data", "cli", "roster-small.csv"), "--classes", "3",
                    "--prefix", "高一", "--student-id", "--xlsx", workbook])
    check(result.returncode == 0, f"golden workbook: {result.stderr.decode()!r}")
    parts = workbook_parts(workbook)
    if update:
        shutil.rmtree(golden, ignore_errors=True)
        for name, data in parts.items():
            os.makedirs(os.path.dirname(os.path.join(golden, name)), exist_ok=True)
            with open(os.path.join(golden, name), "wb") as f:
                f.write(data)
        return
    expected = {}
    for folder, _, files in os.walk(golden):
        for f in files:
            full = os.path.join(folder, f)
            with open(full, "rb") as data:
                expected[os.path.relpath(full, golden)] = data.read()
    check(sorted(parts) == sorted(expected), f"golden workbook parts: {sorted(parts)}")
    for name in sorted(set(parts) & set(expected)):
        check(parts[name] == expected[name], f"golden workbook: {name} differs")


def main():
    fenban, source = sys.argv[1], sys.argv[2]
    update = "--update" in sys.argv[3:]
    with tempfile.TemporaryDirectory() as tmp:
        r = Runner(fenban, tmp)
        golden_workbook(r, tmp, source, update)
        if update:
            return 0
        roster = os.path.join(tmp, "roster.csv")
        write_roster(roster, 600)
        file_size_limit(r, tmp, roster)
        bad_places(r, tmp, roster)
        csv_names(r, tmp, roster)
        tricky_texts(r, tmp, source)
        out_of_memory(r, tmp)
    if FAILURES:
        print(f"{len(FAILURES)} failures")
        return 1
    print("all writer cases passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
