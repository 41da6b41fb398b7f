#!/usr/bin/env python3
"""Writes small BIFF8 workbooks in a compound file (no xls writer is packaged
for this machine).

  make-roster-xls.py                 writes roster.xls here: the xls import
                                     tests' roster (committed beside this script)
  make-roster-xls.py IN.csv OUT.xls  the CSV's records as the first worksheet:
                                     plain decimal numbers as number cells,
                                     everything else as shared strings

The second form is for the end-to-end tests; it refuses rosters that need
more than one string record or one allocation table sector (about 60 KB)."""
import csv
import io
import re
import struct
import sys


def rec(kind, body=b""):
    return struct.pack("<HH", kind, len(body)) + body


def u16str(text):  # XLUnicodeString with 16-bit length, UTF-16
    return struct.pack("<HB", len(text), 1) + text.encode("utf-16-le")


def bof(kind):
    return rec(0x0809, struct.pack("<HHHHII", 0x0600, kind, 0x0DBB, 0x07CC, 0, 6))


def xf(fmt):
    return rec(0x00E0, struct.pack("<HH", 0, fmt) + bytes(16))


def number(r, c, v, xf_index=0):
    return rec(0x0203, struct.pack("<HHHd", r, c, xf_index, v))


def rk_int(r, c, v):
    return rec(0x027E, struct.pack("<HHHI", r, c, 0, (v << 2) | 2))


def boolerr(r, c, v):
    return rec(0x0205, struct.pack("<HHHBB", r, c, 0, v, 0))


class Book:
    """One worksheet: cells are added as records, strings go to the SST."""

    def __init__(self, strings=()):
        self.strings = list(strings)
        self.cells = b""

    def label(self, r, c, s):
        if s not in self.strings:
            self.strings.append(s)
        self.cells += rec(0x00FD, struct.pack("<HHHI", r, c, 0, self.strings.index(s)))

    def add(self, record):
        self.cells += record

    def write(self, path, rows, cols):
        body = struct.pack("<II", len(self.strings), len(self.strings)) + b"".join(u16str(s) for s in self.strings)
        if len(body) > 8224:
            raise SystemExit("make-roster-xls: too many strings for one string record")
        sst = rec(0x00FC, body)
        sheet = bof(0x0010) + rec(0x0200, struct.pack("<IIHHH", 0, rows, 0, cols, 0)) + self.cells + rec(0x000A)

        def globals_part(sheet_offset):
            name = "名单"
            boundsheet = rec(0x0085, struct.pack("<IBBBB", sheet_offset, 0, 0, len(name), 1) + name.encode("utf-16-le"))
            return (bof(0x0005) + rec(0x0042, struct.pack("<H", 1200)) + rec(0x0022, struct.pack("<H", 0))
                    + xf(0) + xf(14) + boundsheet + sst + rec(0x000A))

        first = globals_part(0)
        stream = globals_part(len(first)) + sheet
        # Streams below 4096 bytes would live in the mini stream; pad past it.
        stream += bytes(max(0, 4096 - len(stream)))
        stream += bytes((-len(stream)) % 512)
        nsect = len(stream) // 512
        if nsect > 126:
            raise SystemExit("make-roster-xls: the workbook needs more than one allocation table sector")

        FREE, END, FATSECT = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD
        header = (bytes.fromhex("D0CF11E0A1B11AE1") + bytes(16)
                  + struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) + bytes(6)
                  + struct.pack("<IIIIIIIII", 0, 1, 1, 0, 4096, END, 0, END, 0)
                  + struct.pack("<I", 0) + struct.pack("<I", FREE) * 108)
        fat = [FATSECT, END] + [2 + i + 1 for i in range(nsect - 1)] + [END]
        fat += [FREE] * (128 - len(fat))

        def direntry(name, kind, child, start, size):
            raw = name.encode("utf-16-le") + b"\0\0" if name else b""
            return (raw.ljust(64, b"\0") + struct.pack("<HBB", len(raw), kind, 1)
                    + struct.pack("<III", FREE, FREE, child) + bytes(16) + struct.pack("<I", 0) + bytes(16)
                    + struct.pack("<III", start, size, 0))

        directory = (direntry("Root Entry", 5, 1, END, 0) + direntry("Workbook", 2, FREE, 2, len(stream))
                     + direntry("", 0, FREE, 0, 0) * 2)
        with open(path, "wb") as out:
            out.write(header + struct.pack("<128I", *fat) + directory + stream)


def import_tests_roster():
    book = Book(["高一新生名单", "姓名", "性别", "总分", "考号", "张三", "男", "00123", "李四", "女", "王五"])
    book.label(0, 0, "高一新生名单")
    for c, s in enumerate(["姓名", "性别", "总分", "考号"]):
        book.label(1, c, s)
    book.label(2, 0, "张三"), book.label(2, 1, "男"), book.add(rk_int(2, 2, 85)), book.label(2, 3, "00123")
    book.label(3, 0, "李四"), book.label(3, 1, "女"), book.add(number(3, 2, 85.5)), book.add(number(3, 3, 2026000001))
    book.label(4, 0, "王五"), book.label(4, 1, "男"), book.add(number(4, 2, 46082, 1)), book.add(boolerr(4, 4, 1))
    book.write("roster.xls", 5, 5)


# Texts whose shortest decimal form is themselves: 85, 85.5, 2026000001, not 00123 or 1.50.
PLAIN_NUMBER = re.compile(r"^-?(0|[1-9][0-9]{0,14})(\.[0-9]*[1-9])?$")


def from_csv(src, dst):
    raw = open(src, "rb").read()
    try:
        text = raw.decode("utf-8-sig")
    except UnicodeDecodeError:
        text = raw.decode("gb18030")
    rows = list(csv.reader(io.StringIO(text, newline="")))
    book = Book()
    for r, row in enumerate(rows):
        for c, value in enumerate(row):
            if value == "":
                continue
            if PLAIN_NUMBER.match(value):
                book.add(number(r, c, float(value)))
            else:
                book.label(r, c, value)
    book.write(dst, len(rows), max((len(row) for row in rows), default=0))


if __name__ == "__main__":
    if len(sys.argv) == 3:
        from_csv(sys.argv[1], sys.argv[2])
    elif len(sys.argv) == 1:
        import_tests_roster()
    else:
        raise SystemExit(__doc__)
