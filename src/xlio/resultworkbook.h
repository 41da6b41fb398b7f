#pragma once
// The result workbook of a division: the data source, the whole grade, one
// worksheet per class and the overview, in the order given (the caller
// passes 数据源, 全年级, the classes, 分班情况). On every worksheet the title
// is merged over the first row across the sheet's columns, the headers fill
// row 2 and the rows follow; font 宋体 9, centred, black borders from row 2.
// Result sheets get a silver header row; the grade, class and roster cells
// the text number format "@" so that numbers such as 00123 stay text; the
// overview's numbers are written as numbers. Values are the cells' texts.
//
// All worksheet names are checked before anything is written; the file is
// written to a temporary file beside the target and renamed when complete.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace xlgrid { class TXLSheet; }

namespace xlio {

enum TResultSheetKind { rkDataSource, rkGrade, rkClass, rkOverview };

struct TResultSheet {
    TResultSheetKind Kind = rkClass;
    std::string Name;                      // the worksheet name (a class's display name)
    const xlgrid::TXLSheet* Sheet = nullptr;
};

struct TResultWorkbookOptions {
    // The date after the overview's title, "yyyy.m.d"; empty: today's local date.
    std::string Date;
    // Progress: the text ("6→分班情况", counting the worksheets down), the
    // position and the maximum of the current worksheet's steps. Called when
    // a worksheet begins and after each written row.
    std::function<void(const std::string& text, std::int64_t position, std::int64_t maximum)> Progress;
};

// Raises EFileError with a clear message: an invalid or duplicate worksheet
// name (naming it), a sheet wider than 16384 columns or longer than Excel's
// rows, or a failure while writing. Nothing exists under path afterwards
// unless the whole workbook was written.
void WriteResultWorkbook(const std::string& path, const std::vector<TResultSheet>& sheets,
                         const TResultWorkbookOptions& options = {});

// Checks the worksheet names of a result workbook: each valid, none equal to
// another ignoring case. Returns the first problem or an empty text.
std::string ResultSheetNamesProblem(const std::vector<TResultSheet>& sheets);

// Today's local date as "yyyy.m.d".
std::string TodayDotted();

}  // namespace xlio
