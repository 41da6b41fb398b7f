#!/usr/bin/env python3
"""Writes roster.xls: a small BIFF8 workbook in a compound file, for the xls
import tests (no xls writer is packaged for this machine). Run it from this
folder; the result is committed beside it."""
import struct

def rec(kind, body=b""):
    return struct.pack("<HH", kind, len(body)) + body

def u16str(text):  # XLUnicodeString with 16-bit length, UTF-16
    return struct.pack("<HB", len(text), 1) + text.encode("utf-16-le")

strings = ["高一新生名单", "姓名", "性别", "总分", "考号", "张三", "男", "00123", "李四", "女", "王五"]
sst = rec(0x00FC, struct.pack("<II", len(strings), len(strings)) + b"".join(u16str(s) for s in strings))

def bof(kind):
    return rec(0x0809, struct.pack("<HHHHII", 0x0600, kind, 0x0DBB, 0x07CC, 0, 6))

def xf(fmt):
    return rec(0x00E0, struct.pack("<HH", 0, fmt) + bytes(16))

def labelsst(r, c, s):
    return rec(0x00FD, struct.pack("<HHHI", r, c, 0, strings.index(s)))

def number(r, c, v, xf_index=0):
    return rec(0x0203, struct.pack("<HHHd", r, c, xf_index, v))

def rk_int(r, c, v):
    return rec(0x027E, struct.pack("<HHHI", r, c, 0, (v << 2) | 2))

def boolerr(r, c, v):
    return rec(0x0205, struct.pack("<HHHBB", r, c, 0, v, 0))

sheet = (bof(0x0010) + rec(0x0200, struct.pack("<IIHHH", 0, 5, 0, 5, 0))
         + labelsst(0, 0, "高一新生名单")
         + labelsst(1, 0, "姓名") + labelsst(1, 1, "性别") + labelsst(1, 2, "总分") + labelsst(1, 3, "考号")
         + labelsst(2, 0, "张三") + labelsst(2, 1, "男") + rk_int(2, 2, 85) + labelsst(2, 3, "00123")
         + labelsst(3, 0, "李四") + labelsst(3, 1, "女") + number(3, 2, 85.5) + number(3, 3, 2026000001)
         + labelsst(4, 0, "王五") + labelsst(4, 1, "男") + number(4, 2, 46082, 1) + boolerr(4, 4, 1)
         + rec(0x000A))

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
with open("roster.xls", "wb") as out:
    out.write(header + struct.pack("<128I", *fat) + directory + stream)
