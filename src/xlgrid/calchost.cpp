// Formula cells: evaluation with error states, the evaluation list that
// catches circular references, and the two-pass recalculation.

#include "xlgrid/calculator.h"

#include <algorithm>

namespace xlgrid {
namespace detail {

// Thrown when the chain of cells reading cells reaches MaxCellDepth: the
// cell named here is evaluated first, from the top, and the interrupted
// evaluations are retried. Deliberately not a std::exception, so that no
// handler that catches those swallows it.
struct TSetAside {
    IXLFormulaCell* Cell;
};

}  // namespace detail

const char* FormulaErrorText(int state)
{
    switch (state) {
    case feValue: return "#VALUE!";
    case feName: return "#NAME!";
    case feDivZero: return "#DIV/0!";
    case feCircular: return "#CIRCULAR!";
    default: return "";
    }
}

const TXLFunctions& TXLCalcHost::Functions() const { return TXLFunctions::Standard(); }

void TXLCalcHost::OnVariableEvent(const std::string&, Variant&) {}
void TXLCalcHost::OnFunctionEvent(const std::string&, std::vector<Variant>&, Variant&) {}
void TXLCalcHost::DoFunction(const std::string&, std::vector<Variant>&, Variant&) {}

void TXLCalcHost::DoVariable(const std::string& name, Variant& result)
{
    int col, row;
    if (!ParseCellReference(name, col, row))
        return;
    if (col >= ClientColCount() || row >= ClientRowCount())
        return;
    TXLCalcCell cell = ClientCell(col, row);
    result = cell.Formula ? FormulaValue(*cell.Formula) : std::move(cell.Value);
}

bool TXLCalcHost::IsEvaluating(const IXLFormulaCell& cell) const
{
    auto same = [&cell](const IXLFormulaCell* c) { return c == &cell; };
    return std::any_of(m_evaluating.begin(), m_evaluating.end(), same) ||
           std::any_of(m_setAside.begin(), m_setAside.end(), same);
}

Variant TXLCalcHost::FormulaValue(IXLFormulaCell& cell)
{
    if (IsEvaluating(cell))
        throw EXLCircular("Circular Reference");
    if (cell.NeedsRecalc())
        EvaluateCell(cell);
    if (cell.FormulaError() == feCircular)
        throw EXLCircular("Circular Reference");
    return Variant(cell.FormulaResult());
}

void TXLCalcHost::EvaluateCell(IXLFormulaCell& cell)
{
    if (cell.FormulaText().empty()) {
        cell.SetNeedsRecalc(false);
        cell.StoreFormulaResult(cell.FormulaResult(), feNone);
        return;
    }
    if (IsEvaluating(cell))
        throw EXLCircular("Circular Reference");
    if (int(m_evaluating.size()) >= m_maxCellDepth)
        throw detail::TSetAside{&cell};

    // A copy: an event handler may rewrite the cell's formula meanwhile.
    const std::string text = cell.FormulaText();
    double number = cell.FormulaResult();
    int error = feNone;
    m_evaluating.push_back(&cell);
    try {
        TXLCalculator calc(this);
        Variant result;
        calc.Evaluate(text, result);
        number = detail::FormulaResultToDouble(result);
    } catch (const detail::TSetAside&) {
        m_evaluating.pop_back();
        throw;
    } catch (const EXLCircular&) {
        error = feCircular;
    } catch (const EXLUnknown&) {
        error = feName;
    } catch (const EZeroDivide&) {
        error = feDivZero;
    } catch (...) {
        error = feValue;
    }
    m_evaluating.pop_back();
    cell.SetNeedsRecalc(false);
    cell.StoreFormulaResult(number, error);
}

void TXLCalcHost::CalculateFormula(IXLFormulaCell& cell)
{
    if (!m_evaluating.empty()) {
        // Started from inside an evaluation (an event handler wrote a
        // formula): the running top-level loop handles any set-aside.
        EvaluateCell(cell);
        return;
    }
    m_setAside.push_back(&cell);
    try {
        while (!m_setAside.empty()) {
            IXLFormulaCell* next = m_setAside.back();
            // The cell under evaluation must not count as set aside.
            m_setAside.pop_back();
            try {
                EvaluateCell(*next);
            } catch (const detail::TSetAside& aside) {
                m_setAside.push_back(next);
                m_setAside.push_back(aside.Cell);
            }
        }
    } catch (...) {
        m_setAside.clear();
        throw;
    }
}

void TXLCalcHost::RecalculateFormulas(const std::vector<IXLFormulaCell*>& cells)
{
    for (IXLFormulaCell* cell : cells)
        cell->SetNeedsRecalc(true);
    for (IXLFormulaCell* cell : cells)
        if (cell->NeedsRecalc())
            CalculateFormula(*cell);
}

}  // namespace xlgrid
