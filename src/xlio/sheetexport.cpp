#include "xlio/sheetexport.h"

#include "xlio/celltext.h"
#include "xlio/fileerror.h"
#include "xlio/workbookwriter.h"

#include "xlgrid/sheet.h"

#include <cmath>
#include <set>
#include <utility>

namespace xlio {

std::int32_t ExcelRgb(std::uint32_t color)
{
    if ((color & 0xFF000000u) == 0xFF000000u) {
        // System colours as a default desktop paints them.
        switch (color & 0xFF) {
        case 5: case 20: return 0xFFFFFF;   // window, button highlight
        case 15: return 0xF0F0F0;           // button face
        case 16: return 0xA0A0A0;           // button shadow
        default: return 0x000000;
        }
    }
    const std::uint32_t r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
    return static_cast<std::int32_t>(r << 16 | g << 8 | b);
}

namespace {

constexpr int kMaxColumns = 16384;
constexpr std::int64_t kMaxRows = 1048576;

class TReadOnlyGuard {
public:
    explicit TReadOnlyGuard(xlgrid::TXLSheet& sheet) : m_sheet(sheet), m_was(sheet.ReadOnly())
    {
        sheet.SetReadOnly(true);
    }
    ~TReadOnlyGuard() { m_sheet.SetReadOnly(m_was); }

private:
    xlgrid::TXLSheet& m_sheet;
    bool m_was;
};

bool IsPictureKind(const std::string& kind)
{
    return kind == "PNG" || kind == "JPEG" || kind == "JPG" || kind == "BMP";
}

TCellFormat CellFormat(const xlgrid::TXLSheet& sheet, int col, int row)
{
    using namespace xlgrid;
    TCellFormat f;
    const TXLCell* cell = sheet.FindCell(col, row);
    const TXLFont font = cell ? cell->Font() : sheet.BaseClientStyle().Font();
    const TColor fill = static_cast<TColor>(sheet.GetProperty(col, row, pnColor));
    if (fill != clWindow && fill != clNone)
        f.Fill = ExcelRgb(fill);
    if (font.Color != clWindowText && font.Color != clNone)
        f.FontColor = ExcelRgb(font.Color);
    // A new workbook's default font is not 宋体 here, so the name is always written.
    f.FontName = font.Name;
    f.FontSize = font.Size;
    f.Bold = font.Style & fsBold;
    f.Italic = font.Style & fsItalic;
    f.Underline = font.Style & fsUnderline;
    f.StrikeOut = font.Style & fsStrikeOut;
    for (int side = 0; side < 4; ++side) {
        const TXLLine line = TXLLine::Decode(sheet.GetProperty(col, row, side));
        if (line.Weight == 1)
            f.Border[side] = ExcelRgb(line.Color);
    }
    switch (TXLLayout::Decode(sheet.GetProperty(col, row, pnLayout)).HorzAlign) {
    case haLeft: f.HorzAlign = 1; break;
    case haCenter: f.HorzAlign = 2; break;
    case haRight: f.HorzAlign = 3; break;
    }
    return f;
}

void Export(const std::string& path, xlgrid::TXLSheet& sheet, bool formatted, const TSheetExportOptions& options)
{
    using namespace xlgrid;
    const int cols = sheet.ColCount();
    const int rows = sheet.RowCount();
    if (cols > kMaxColumns)
        throw EFileError(path, "", "The maximum number of columns (" + std::to_string(kMaxColumns) + ") has been reached");
    if (rows > kMaxRows)
        throw EFileError(path, "", "the sheet has more rows than Excel allows (" + std::to_string(kMaxRows) + ")");

    // The library keeps every cell until the end (about 85 bytes each).
    CheckRoomFor(std::uint64_t(cols) * std::uint64_t(rows) * 128 + (16u << 20));
    TReadOnlyGuard readOnly(sheet);
    const std::int64_t maximum = std::int64_t(cols) * rows + 2;
    std::int64_t position = 0;
    auto step = [&]() {
        ++position;
        if (options.Progress)
            options.Progress(position, maximum);
    };
    step();
    TWorkbookWriter writer(path, false);
    lxw_worksheet* ws = writer.AddWorksheet("Sheet1");
    step();

    for (int r = 0; r < rows; ++r) {
        const int height = sheet.Sizes(r, sRows);
        if (height >= 0 && height != sheet.RowDefHeight())
            writer.SetRowHeight(ws, static_cast<std::uint32_t>(r), height * 3.0 / 4.0);
    }

    TCellFormat quick;
    quick.FontName = "宋体";
    quick.FontSize = 9;
    quick.HorzAlign = 2;

    // Merged ranges of the client cells, clipped to the used range. A picture
    // is placed once, at its range's first cell.
    std::set<std::pair<int, int>> placed;
    for (const TXLUnion& u : sheet.Section(skClient).Unions()) {
        const TXLRect rect = u.Rect.Intersect(TXLRect{0, 0, cols, rows});
        if (rect.IsEmpty() || (rect.Width() == 1 && rect.Height() == 1))
            continue;
        TCellFormat f = formatted ? CellFormat(sheet, rect.Left, rect.Top) : quick;
        writer.Merge(ws, static_cast<std::uint32_t>(rect.Top), static_cast<std::uint16_t>(rect.Left),
                     static_cast<std::uint32_t>(rect.Bottom - 1), static_cast<std::uint16_t>(rect.Right - 1), "",
                     writer.Format(f));
    }

    for (int c = 0; c < cols; ++c) {
        for (int r = 0; r < rows; ++r) {
            // Cells hidden under a merged range are written blank, as Excel keeps only the anchor's value.
            const TXLCell* cell = sheet.Section(skClient).Find(c, r);
            TCellFormat f = formatted ? CellFormat(sheet, c, r) : quick;
            const std::uint32_t xr = static_cast<std::uint32_t>(r);
            const std::uint16_t xc = static_cast<std::uint16_t>(c);
            if (cell && &cell->CellClass() == &TXLCPicture::Class()) {
                const auto* picture = static_cast<const TXLPicture*>(cell->AsPicture());
                writer.WriteBlank(ws, xr, xc, writer.Format(f));
                if (picture && !picture->IsEmpty() && IsPictureKind(picture->Kind)
                    && placed.emplace(c, r).second) {
                    writer.InsertImage(ws, xr, xc, picture->Data);
                    if (cell->Height() <= 1 && picture->Height > 0)
                        writer.SetRowHeight(ws, xr, picture->Height * 3.0 / 4.0);
                }
                step();
                continue;
            }
            const Variant value = cell ? cell->Value() : Variant();
            switch (value.Type()) {
            case VarType::String: {
                if (!options.TextFormat.empty())
                    f.NumFormat = options.TextFormat;
                // A text the spreadsheet would take as a number becomes one,
                // unless the text format keeps texts as they are.
                double number = 0;
                if (options.TextFormat != "@" && IsShortestNumberText(value.Str(), number))
                    writer.WriteNumber(ws, xr, xc, number, writer.Format(f));
                else
                    writer.WriteString(ws, xr, xc, value.Str(), writer.Format(f));
                break;
            }
            case VarType::Integer:
                writer.WriteNumber(ws, xr, xc, value.Int(), writer.Format(f));
                break;
            case VarType::Double:
                writer.WriteNumber(ws, xr, xc, value.Dbl(), writer.Format(f));
                break;
            case VarType::Currency:
                writer.WriteNumber(ws, xr, xc, static_cast<double>(value.Cur()) / 10000.0, writer.Format(f));
                break;
            case VarType::Date: {
                const double days = value.Dbl();
                f.NumFormat = days == std::floor(days) ? "yyyy-mm-dd" : "yyyy-mm-dd hh:mm:ss";
                writer.WriteNumber(ws, xr, xc, days, writer.Format(f));
                break;
            }
            case VarType::Boolean:
                writer.WriteBoolean(ws, xr, xc, value.Bool(), writer.Format(f));
                break;
            default:
                writer.WriteBlank(ws, xr, xc, writer.Format(f));
                break;
            }
            step();
        }
    }
    writer.Close();
}

}  // namespace

void ExportSheetFormatted(const std::string& path, xlgrid::TXLSheet& sheet, const TSheetExportOptions& options)
{
    Export(path, sheet, true, options);
}

void ExportSheetQuick(const std::string& path, xlgrid::TXLSheet& sheet, const TSheetExportOptions& options)
{
    Export(path, sheet, false, options);
}

}  // namespace xlio
