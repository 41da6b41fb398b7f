// The sheet as the formula calculator sees it: client cells by reference,
// the OnVariable and OnFunction events, and the evaluation list.

#include "xlgrid/calculator.h"
#include "xlgrid/manager.h"
#include "xlgrid/sheet.h"

namespace xlgrid {

namespace {

class TXLSheetCalcHost : public TXLCalcHost {
public:
    explicit TXLSheetCalcHost(TXLSheet& sheet) : m_sheet(sheet) {}

    // Stage 1 of every name: what the registry holds for all sheets.
    const TXLFunctions& Functions() const override { return TXLManager::Instance().Functions(); }

    void OnVariableEvent(const std::string& name, Variant& result) override
    {
        if (m_sheet.OnVariable)
            m_sheet.OnVariable(m_sheet, name, result);
    }

    void OnFunctionEvent(const std::string& name, std::vector<Variant>& params, Variant& result) override
    {
        if (m_sheet.OnFunction) {
            bool handled = false;
            m_sheet.OnFunction(m_sheet, name, params, result, handled);
        }
    }

    int ClientColCount() const override { return m_sheet.ColCount(); }
    int ClientRowCount() const override { return m_sheet.RowCount(); }

    TXLCalcCell ClientCell(int col, int row) override
    {
        TXLCalcCell out;
        if (TXLCell* cell = m_sheet.FindCell(col, row)) {
            if (&cell->CellClass() == &TXLCFormula::Class())
                out.Formula = static_cast<TXLCFormula*>(cell);
            out.Value = cell->Value();
        }
        return out;
    }

private:
    TXLSheet& m_sheet;
};

}  // namespace

TXLCalcHost& TXLSheet::CalcHost()
{
    if (!m_calcHost)
        m_calcHost = std::make_unique<TXLSheetCalcHost>(*this);
    return *m_calcHost;
}

}  // namespace xlgrid
