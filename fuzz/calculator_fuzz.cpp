// The formula calculator on arbitrary text: once as a bare expression and
// once as a formula cell of a small sheet whose other cells read it and each
// other, recalculated twice. Only the documented errors may come out of
// Evaluate; a formula cell never lets anything out and never holds inf/NaN.
#include "xlgrid/calculator.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace xlgrid;

struct Cell : IXLFormulaCell {
    std::string text;
    double number = 0;
    int error = 0;
    bool mark = false;
    const std::string& FormulaText() const override { return text; }
    double FormulaResult() const override { return number; }
    int FormulaError() const override { return error; }
    void StoreFormulaResult(double value, int state) override
    {
        number = value;
        error = state;
    }
    bool NeedsRecalc() const override { return mark; }
    void SetNeedsRecalc(bool value) override { mark = value; }
};

// A 3 x 3 client band: row 1 holds plain values, rows 2 and 3 formulas.
class Sheet : public TXLCalcHost {
public:
    Sheet()
    {
        for (int i = 0; i < 6; ++i)
            m_cells.push_back(std::make_unique<Cell>());
    }
    int ClientColCount() const override { return 3; }
    int ClientRowCount() const override { return 3; }
    TXLCalcCell ClientCell(int col, int row) override
    {
        TXLCalcCell c;
        if (row == 0) {
            static const Variant values[] = {Variant(5), Variant("1.5"), Variant(true)};
            c.Value = values[col];
        } else {
            Cell* f = m_cells[(row - 1) * 3 + col].get();
            c.Value = Variant(f->number);
            c.Formula = f;
        }
        return c;
    }
    void OnFunctionEvent(const std::string& name, std::vector<Variant>& params, Variant& result) override
    {
        if (name == "COUNT")
            result = Variant(int32_t(params.size()));
    }
    Cell& At(int i) { return *m_cells[i]; }
    std::vector<IXLFormulaCell*> All()
    {
        std::vector<IXLFormulaCell*> v;
        for (auto& c : m_cells)
            v.push_back(c.get());
        return v;
    }

private:
    std::vector<std::unique_ptr<Cell>> m_cells;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t flags = data[0];
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    Sheet sheet;
    sheet.SetMaxCellDepth(1 + (flags >> 4) % 4);
    {
        TXLCalculator calc(&sheet);
        calc.SetDecimalSeparator((flags & 1) ? ',' : '.');
        calc.SetCheckOnly(flags & 2);
        try {
            calc.Evaluate(text);
        } catch (const EXLFormula&) {
        } catch (const EMathError&) {
        } catch (const EVariantError&) {
        }
    }

    // A1..C1 values; A2 the input; the others read it and each other,
    // some of them forward, some in a cycle when the input names them.
    const char* others[] = {"A2+1", "A3*2", "C3-A2", "B3+1", "1", "A2 OR B2"};
    for (int i = 0; i < 6; ++i)
        sheet.At(i).text = others[i];
    sheet.At(0).text = text;
    for (int round = 0; round < 2; ++round) {
        sheet.RecalculateFormulas(sheet.All());
        for (int i = 0; i < 6; ++i) {
            const Cell& c = sheet.At(i);
            if (!std::isfinite(c.number) || c.error < 0 || c.error > 4 || c.mark)
                std::abort();
        }
    }
    sheet.CalculateFormula(sheet.At(0));
    return 0;
}
