#include "engine/rostercheck.h"

#include "engine/textrules.h"

#include <array>
#include <exception>

namespace engine {
namespace {

bool IsOneOf(std::string_view h, std::initializer_list<std::string_view> texts)
{
    for (std::string_view t : texts)
        if (h == t)
            return true;
    return false;
}

std::string Trimmed(const IRosterSheet& sheet, int col, int row)
{
    return std::string(TrimBlanks(sheet.CellText(col, row)));
}

// Finds the role of every header; throws what reading a header or the
// settings throws.
void ScanHeaders(const IRosterSheet& sheet, const TConfigStore& config, const std::string& sortName,
                 TRosterColumns& columns, TSortField& sortField, int& totalCol)
{
    for (int k = 0; k < sheet.ColCount(); ++k) {
        std::string h = Trimmed(sheet, k, 1);
        if (IsOneOf(h, {"考号", "编号", "准考证号", "学号"}) && columns.IDCol == -1)
            columns.IDCol = k;
        if (h == "姓名") {
            if (columns.NameCol == -1)
                columns.NameCol = k;
        } else if (h == "性别") {
            if (columns.SexCol == -1)
                columns.SexCol = k;
        } else if (IsOneOf(h, {"学校", "原学校", "毕业学校"})) {
            columns.SchoolCol = k;
        } else if (IsOneOf(h, {"地区", "籍贯", "区域", "出生地"})) {
            columns.RegionCol = k;
        } else if (h == "调整") {
            columns.AdjustCol = k;
        } else {
            if (h == "总分" && totalCol == -1)
                totalCol = k;
            if (!sortName.empty() && h == sortName && columns.SortCol == -1) {
                columns.SortCol = k;
                sortField.Name = sortName;
                sortField.Kind = SortKindOf(config.ReadSetting("SortFieldType", ""));
            }
        }
    }
}

}  // namespace

std::string TTableRoster::CellText(int col, int row) const
{
    if (row < 0 || row >= RowCount() || col < 0)
        return std::string();
    const auto& cells = m_rows[static_cast<std::size_t>(row)];
    return static_cast<std::size_t>(col) < cells.size() ? cells[static_cast<std::size_t>(col)] : std::string();
}

TRosterCheck CheckRoster(IRosterSheet& sheet, TConfigStore& config, TRosterColumns& columns,
                         TSortField& sortField)
{
    columns = TRosterColumns();
    sortField = TSortField();
    std::string message;
    auto finish = [&]() {
        TRosterCheck result;
        result.Message = std::string(TrimBlanks(message));
        result.Passed = message.empty();
        return result;
    };

    const int rowCount = sheet.RowCount();
    const int colCount = sheet.ColCount();
    if (rowCount < 3 || colCount < 3) {
        message = "数据源不符合表格格式规范";
        return finish();
    }
    if (config.ReadIntSetting("ClassCount", 1) > rowCount - 2) {
        message = "学生数少于班级数";
        return finish();
    }
    if (Trimmed(sheet, 0, 0).empty()) {
        message = "表格标题不能为空";
        return finish();
    }
    sheet.ClearMarks();

    int totalCol = -1;
    try {
        std::string sortName = config.ReadSetting("SortFieldName", "");
        ScanHeaders(sheet, config, sortName, columns, sortField, totalCol);
    } catch (const std::exception& e) {
        message = e.what();
        return finish();
    }

    if (columns.IDCol == -1)
        message = "表格没有考号（编号）列  或  考号（编号）列头不在第二行";
    else if (columns.NameCol == -1)
        message = "表格没有姓名列  或  姓名列头不在第二行";
    else if (columns.SexCol == -1)
        message = "表格没有性别列  或  性别列头不在第二行";
    if (!message.empty())
        return finish();

    if (columns.SortCol == -1) {
        if (totalCol != -1) {
            sortField.Name = "总分";
            columns.SortCol = totalCol;
        } else {
            sortField.Name = Trimmed(sheet, columns.IDCol, 1);
            columns.SortCol = columns.IDCol;
        }
        sortField.Kind = skNumeric;
        config.SetStoredValue("SortFieldName", std::string_view(sortField.Name));
        config.SetStoredValue("SortFieldType", SortFieldTypeText(skNumeric));
        try {
            config.SaveSettings();
        } catch (const std::exception& e) {
            message = e.what();
            return finish();
        }
    }

    for (int r = 2; r < rowCount; ++r) {
        const std::string n = std::to_string(r + 1);
        auto line = [&](int col, std::string_view suffix) {
            message += ColumnRef(col);
            message += n;
            message += suffix;
            message += '\r';
        };
        if (Trimmed(sheet, columns.IDCol, r).empty())
            line(columns.IDCol, ":考号（编号）不能为空");
        if (Trimmed(sheet, columns.NameCol, r).empty())
            line(columns.NameCol, ":姓名不能为空");
        std::string sex = Trimmed(sheet, columns.SexCol, r);
        if (sex.empty()) {
            line(columns.SexCol, ":性别不能为空");
        } else if (sex != "男" && sex != "女") {
            sheet.Mark(columns.SexCol, r);
            line(columns.SexCol, ":性别出错");
        }
        std::string sortText = Trimmed(sheet, columns.SortCol, r);
        if (sortText.empty()) {
            line(columns.SortCol, ":" + sortField.Name + "不能为空");
        } else if (sortField.Kind == skNumeric && !IsNumber(sortText)) {
            sheet.Mark(columns.SortCol, r);
            line(columns.SortCol, ":排序字段【" + sortField.Name + "】数值型数据非法");
            break;
        } else if (sortField.Kind == skGrade && !IsGradeLevel(sortText)) {
            sheet.Mark(columns.SortCol, r);
            line(columns.SortCol, ":排序字段【" + sortField.Name + "】等级型数据非法");
            break;
        }
    }
    return finish();
}

}  // namespace engine
