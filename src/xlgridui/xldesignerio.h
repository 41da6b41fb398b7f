#pragma once
// The designer's imports (a workbook's first worksheet, a CSV file) and its
// two workbook exports, as commands with their dialogs, progress and
// messages. The file work itself belongs to the library readers and writers;
// these only ask, report and keep the sheet consistent.

#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

namespace xlgrid {
class TXLSheet;
}

namespace xlgridui {

// Fills the sheet from a workbook's first worksheet (.xlsx, or .xls by its
// extension) or a CSV file. Raises the reader's error with the sheet
// unchanged when the file cannot be read.
void ImportWorkbookFile(xlgrid::TXLSheet& sheet, const QString& path);
void ImportCsvFile(xlgrid::TXLSheet& sheet, const QString& path);

// Where the designer's file commands start and what they may do.
struct TXLDesignerFiles {
    // The folder the open dialog shows next (it follows the last choice).
    QString OpenFolder;
    // Where the exports suggest saving: the program's Temp folder.
    QString ExportFolder;
    // The Excel number format the formatted export gives every text cell.
    QString TextFormat;
    // Opens a written workbook with the desktop's program; false when none did.
    std::function<bool(const QUrl&)> OpenUrl;
};

// The import commands: ask for the file, read it, report a failure. Return
// whether the sheet was filled.
bool RunExcelImport(QWidget* parent, xlgrid::TXLSheet& sheet, TXLDesignerFiles& files);
bool RunCsvImport(QWidget* parent, xlgrid::TXLSheet& sheet, TXLDesignerFiles& files);

enum TXLExportKind { ekFormatted, ekQuick };
// An export command: ask where to save (the sheet's title + ".xlsx" in the
// export folder), write with a progress dialog, open the workbook or say
// where it was saved. Returns the file written, empty when cancelled or failed.
QString RunWorkbookExport(QWidget* parent, xlgrid::TXLSheet& sheet, TXLExportKind kind, TXLDesignerFiles& files);

// The file name an export suggests for a title: characters that cannot stand
// in a file name become "_"; an empty title gives "工作表".
QString ExportFileName(const QString& title);

}  // namespace xlgridui
