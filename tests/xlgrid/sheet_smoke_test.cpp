#include "xlgrid/sheet.h"

#include <gtest/gtest.h>

using namespace xlgrid;

TEST(SheetSmoke, WritesAndReadsCells)
{
    TXLSheet sheet;
    sheet.SetText(1, 2, "张三");
    ASSERT_NE(sheet.FindCell(1, 2), nullptr);
    EXPECT_EQ(sheet.FindCell(1, 2)->AsString(), "张三");
    EXPECT_EQ(sheet.FindCell(2, 2), nullptr);
    EXPECT_TRUE(sheet.Values(3, 3).IsUnassigned());
    EXPECT_TRUE(sheet.Modified());
}
