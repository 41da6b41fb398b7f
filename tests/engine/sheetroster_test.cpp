#include "engine/sheetroster.h"
#include "xlgrid/sheet.h"

#include <gtest/gtest.h>

using namespace engine;

namespace {

void Fill(xlgrid::TXLSheet& sheet, const std::vector<std::vector<std::string>>& rows)
{
    sheet.SetRowCount(static_cast<int>(rows.size()));
    sheet.SetColCount(static_cast<int>(rows.front().size()));
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < rows[r].size(); ++c)
            if (!rows[r][c].empty())
                sheet.SetText(static_cast<int>(c), static_cast<int>(r), rows[r][c]);
}

}  // namespace

TEST(SheetRoster, MarksOffendingCellsRedAndClearsThemNextTime)
{
    xlgrid::TXLSheet sheet;
    Fill(sheet, {{"名单", "", "", ""},
                 {"考号", "姓名", "性别", "总分"},
                 {"1", "甲", "男", "90"},
                 {"2", "乙", "女", "80"},
                 {"3", "", "M", "70"}});
    sheet.SetText(0, 2, "1");
    sheet.Cells(3, 3)->SetFontColor(MarkColor);  // left over from an earlier check
    TConfigStore config = TConfigStore::InMemory();
    config.LoadSettings();
    TRosterColumns columns;
    TSortField sort;
    TSheetRoster roster(sheet);
    TRosterCheck check = CheckRoster(roster, config, columns, sort);
    EXPECT_EQ(check.Message, "B5:姓名不能为空\rC5:性别出错");
    EXPECT_EQ(sheet.FindCell(2, 4)->FontColor(), MarkColor);
    EXPECT_EQ(sheet.FindCell(3, 3)->FontColor(), WindowTextColor);
    EXPECT_EQ(config.ReadSetting("SortFieldName", ""), "总分");

    sheet.SetText(1, 4, "丙");
    sheet.SetText(2, 4, "女");
    check = CheckRoster(roster, config, columns, sort);
    EXPECT_TRUE(check.Passed);
    EXPECT_EQ(sheet.FindCell(2, 4)->FontColor(), WindowTextColor);
}
