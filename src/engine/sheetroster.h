#pragma once
// The roster check's view of a spreadsheet sheet: client cells, their
// AsString, and red font marks as the cells' own font colour.

#include "engine/rostercheck.h"

namespace xlgrid {
class TXLSheet;
}

namespace engine {

class TSheetRoster : public IRosterSheet {
public:
    explicit TSheetRoster(xlgrid::TXLSheet& sheet) : m_sheet(sheet) {}
    int RowCount() const override;
    int ColCount() const override;
    std::string CellText(int col, int row) const override;
    // Visits the cells that exist (a sparse sheet has no others to clear).
    void ClearMarks() override;
    void Mark(int col, int row) override;

private:
    xlgrid::TXLSheet& m_sheet;
};

}  // namespace engine
