#!/usr/bin/env python3
"""Prints every cell value of a workbook as openpyxl reads it, one a line:
SHEET!CELL=TYPE|VALUE, the value as JSON with the workbook's _xHHHH_ escapes
decoded by openpyxl's own helper. openpyxl leaves the escapes of inline
strings as stored but strips every "x005F_" from shared strings, which
decodes _x005F_x0041_ right and breaks _x005F_x005F_; its string table is
read here without that, so both kinds of string decode the same way."""
import json
import sys
import openpyxl
import openpyxl.reader.excel
from openpyxl.cell.text import Text
from openpyxl.utils.escape import unescape
from openpyxl.xml.constants import SHEET_MAIN_NS
from openpyxl.xml.functions import iterparse


def read_string_table(xml_source):
    strings = []
    for _, node in iterparse(xml_source):
        if node.tag == "{%s}si" % SHEET_MAIN_NS:
            strings.append(Text.from_tree(node).content)
            node.clear()
    return strings


openpyxl.reader.excel.read_string_table = read_string_table
wb = openpyxl.load_workbook(sys.argv[1])
for ws in wb.worksheets:
    for row in ws.iter_rows():
        for cell in row:
            value = cell.value
            if value is None:
                continue
            if isinstance(value, str):
                value = unescape(value)
            elif isinstance(value, float) and value.is_integer():
                value = int(value)
            print("%s!%s=%s|%s" % (ws.title, cell.coordinate, type(cell.value).__name__,
                                   json.dumps(value, ensure_ascii=False)))
