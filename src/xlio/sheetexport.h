#pragma once
// The designer's two workbook exports of any sheet into one worksheet
// "Sheet1". Both carry row heights (pixels x 3 / 4 points, rows whose height
// differs from the default), merged ranges across and down, and pictures.
// The formatted export writes every cell with its own formatting (fill, font
// colour, name, size, bold, italic, underline, strike-out, weight-1 borders,
// horizontal alignment); the quick export formats the whole used range at
// once with 宋体 9, centred. Values keep their type (text, number, date,
// boolean); text cells get the optional text number format, and a text that
// is the shortest form of a number is written as that number unless that
// format is "@" (text).
//
// The sheet is read-only while it is written and editable again afterwards,
// also after a failure. The file appears under its name only when complete.

#include <cstdint>
#include <functional>
#include <string>

namespace xlgrid { class TXLSheet; }

namespace xlio {

struct TSheetExportOptions {
    // The number format of text cells ("@" keeps numbers in text as text); empty: none.
    std::string TextFormat;
    // Position and maximum (ColCount x RowCount + 2), after each written cell.
    std::function<void(std::int64_t position, std::int64_t maximum)> Progress;
};

// Raises EFileError: a sheet wider than 16384 columns gives "The maximum
// number of columns (16384) has been reached"; write failures name the file.
void ExportSheetFormatted(const std::string& path, xlgrid::TXLSheet& sheet, const TSheetExportOptions& options = {});
void ExportSheetQuick(const std::string& path, xlgrid::TXLSheet& sheet, const TSheetExportOptions& options = {});

// The sheet colour ($00BBGGRR or a system colour) as 0xRRGGBB.
std::int32_t ExcelRgb(std::uint32_t color);

}  // namespace xlio
