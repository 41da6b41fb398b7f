// Workbooks written by another program, made at test time with python3-openpyxl.

#include "xlio/xlsxreader.h"
#include "ziptestutil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace xlio {
namespace {

bool HaveOpenpyxl()
{
    return std::system("/usr/bin/python3 -c 'import openpyxl' >/dev/null 2>&1") == 0;
}

TEST(ForeignWorkbook, OpenpyxlRoster)
{
    if (!HaveOpenpyxl())
        GTEST_SKIP() << "python3-openpyxl is not installed";
    const std::string path = test::TempPath("openpyxl.xlsx");
    const std::string script = test::TempPath("make.py");
    test::WriteAll(script, R"PY(
import sys, datetime, openpyxl
wb = openpyxl.Workbook()
ws = wb.active
ws.title = "名单"
ws.append(["高一新生名单"])
ws.append(["姓名", "性别", "总分", "生日", "到校", "住校", "备注"])
ws.append(["张三", "男", 85, datetime.date(2010, 5, 1), datetime.time(7, 30), True, None])
ws.append(["李四", "女", 85.5, datetime.datetime(2010, 12, 31, 23, 59, 59), datetime.time(0, 0, 1), False, "00123"])
ws.append([])
ws.append([2026000001])
other = wb.create_sheet("第二")
other["A1"] = "not read"
wb.save(sys.argv[1])
)PY");
    ASSERT_EQ(std::system(("/usr/bin/python3 " + script + " " + path).c_str()), 0);
    const Table table = ReadXlsx(path);
    const Table expected = {
        {"高一新生名单"},
        {"姓名", "性别", "总分", "生日", "到校", "住校", "备注"},
        {"张三", "男", "85", "2010-05-01", "07:30:00", "TRUE"},
        {"李四", "女", "85.5", "2010-12-31 23:59:59", "00:00:01", "FALSE", "00123"},
        {},
        {"2026000001"},
    };
    EXPECT_EQ(table, expected);
    std::filesystem::remove(path);
    std::filesystem::remove(script);
}

}  // namespace
}  // namespace xlio
