#pragma once
// The process-wide registry of the sheet component: live sheets, value
// classes with their editors and predefined formats, printer metrics, the
// formula functions of every sheet.

#include "xlgrid/calculator.h"
#include "xlgrid/cell.h"

#include <functional>
#include <string>
#include <vector>

namespace xlgrid {

class TXLSheet;

struct TXLPrinterMetrics {
    int DpiX = 600;
    int DpiY = 600;
    int PageWidth = 4676;   // printable page in dots
    int PageHeight = 6744;
};

class TXLManager {
public:
    // Raises EXLGridError once the registry was freed at shutdown.
    static TXLManager& Instance();

    const std::vector<const TXLCellClass*>& Classes() const { return m_classes; }
    // The first registered class with the identifier, or none.
    const TXLCellClass* FindClass(int id) const;
    const TXLCellClass* FindClassByName(const std::string& name) const;
    // Index of a predefined format of a class (case ignored), -1 when absent.
    int FindFormat(const TXLCellClass& cls, const std::string& format) const;

    const std::vector<TXLSheet*>& Sheets() const { return m_sheets; }
    void AddSheet(TXLSheet* sheet);
    void RemoveSheet(TXLSheet* sheet);

    const TXLPrinterMetrics& Printer() const { return m_printer; }
    // A new printer: every sheet recomputes its print rectangle and tells its
    // users PrintChanged.
    void SetPrinter(const TXLPrinterMetrics& metrics);
    std::function<void(TXLSheet&)> OnPrinterChanged;

    // Opening a link target (the desktop program installs a handler).
    std::function<void(const std::string&)> OpenUrl;

    // The formula functions and variables every sheet's formulas see first,
    // before the sheet's OnFunction / OnVariable events and its own names.
    // Starts with the six conversions (STRING, INTEGER, BOOLEAN, CURRENCY,
    // DATETIME, DOUBLE) and no variables. Names are kept in upper case; a name
    // already registered (in any letter case) is refused with false.
    bool RegisterFunction(std::string_view name, TXLFunctionHandler handler);
    bool RegisterVariable(std::string_view name, TXLVariableHandler handler);
    bool UnregisterFunction(std::string_view name);
    bool UnregisterVariable(std::string_view name);
    const TXLFunctions& Functions() const { return m_functions; }

    TXLManager(const TXLManager&) = delete;
    TXLManager& operator=(const TXLManager&) = delete;
    ~TXLManager();

private:
    TXLManager();
    std::vector<const TXLCellClass*> m_classes;
    std::vector<TXLSheet*> m_sheets;
    TXLPrinterMetrics m_printer;
    TXLFunctions m_functions;
};

}  // namespace xlgrid
