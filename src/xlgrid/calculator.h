#pragma once
// The formula calculator: a one-pass recursive-descent evaluator over
// variants, the function registry, and the host interface through which a
// sheet resolves names, runs its events and recalculates its formula cells.
//
// Wiring a sheet:
//   - TXLManager owns one TXLFunctions (its constructor registers the six
//     conversions); TXLManager::RegisterFunction and RegisterVariable add to
//     it, so a name registered there is found by the formulas of every sheet.
//   - TXLCFormula also derives from IXLFormulaCell: FormulaText() is the
//     formula, FormulaResult() the stored number, StoreFormulaResult(v, e)
//     is SetResult(v, e) (which marks the display text stale), and the
//     recalculation mark is the cell's kNeedsCalc flag. Writing a formula
//     text calls sheet.CalcHost().CalculateFormula(cell).
//   - TXLSheet::CalcHost() is the sheet's host (sheetcalc.cpp): Functions()
//     is the manager's registry (stage 1 of every lookup), OnVariableEvent /
//     OnFunctionEvent run the sheet's OnVariable / OnFunction events when set
//     (stage 2), ClientColCount(), ClientRowCount() and ClientCell(col, row)
//     give the client cells (the cell's Value, and the cell as
//     IXLFormulaCell when it is a formula cell). DoVariable and DoFunction
//     keep the defaults here (stage 3: cell references; nothing).
//   - TXLSheet::Recalculate() collects its formula cells over the four
//     sections in section order, rows and columns ascending, and passes
//     them to RecalculateFormulas.
//   - The number editor evaluates with TXLCalculator(&sheet.CalcHost()).
//   - A calculator without a host sees only TXLFunctions::Standard().
// Event handlers may raise; they must let exceptions they do not know pass
// (the set-aside of deep evaluations travels as one).

#include "xlgrid/variant.h"
#include "xlgrid/xlerrors.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace xlgrid {

class TXLCalcHost;

// Arithmetic failures of the variant operators. Conversion failures of
// operands are EVariantError.
class EMathError : public EXLGridError {
public:
    using EXLGridError::EXLGridError;
};
// Floating-point division by zero: a formula cell shows "#DIV/0!".
class EZeroDivide : public EMathError {
public:
    using EMathError::EMathError;
};
// Integer division (DIV, MOD) by zero: a formula cell shows "#VALUE!".
class EDivByZero : public EMathError {
public:
    using EMathError::EMathError;
};
class EOverflow : public EMathError {
public:
    using EMathError::EMathError;
};

// A function receives the sheet it evaluates for (may be null), the
// arguments (one to ten) and the result, which starts as null.
using TXLFunctionHandler =
    std::function<void(TXLCalcHost* sheet, const std::vector<Variant>& params, Variant& result)>;
// A variable receives the sheet and the result, which starts as null.
using TXLVariableHandler = std::function<void(TXLCalcHost* sheet, Variant& result)>;

// The registry of formula functions and variables, keyed by upper-case name.
// Two ordered maps; lookups cost O(log n) string compares. A new registry
// holds the six conversions STRING, INTEGER, BOOLEAN, CURRENCY, DATETIME and
// DOUBLE and no variables.
class TXLFunctions {
public:
    TXLFunctions();

    // False (and nothing changes) when the name is already registered or empty.
    bool RegisterFunction(std::string_view name, TXLFunctionHandler handler);
    bool RegisterVariable(std::string_view name, TXLVariableHandler handler);
    bool UnregisterFunction(std::string_view name);
    bool UnregisterVariable(std::string_view name);

    // Null when absent; the name may be in any letter case.
    const TXLFunctionHandler* FindFunction(std::string_view name) const;
    const TXLVariableHandler* FindVariable(std::string_view name) const;

    // A shared registry holding only the conversions, for calculators
    // without a host.
    static const TXLFunctions& Standard();

private:
    std::map<std::string, TXLFunctionHandler, std::less<>> m_functions;
    std::map<std::string, TXLVariableHandler, std::less<>> m_variables;
};

// The formula side of a formula cell. Implemented by TXLCFormula; the
// address of the object identifies the cell in the evaluation list, so it
// must stay put while an evaluation runs.
class IXLFormulaCell {
public:
    virtual ~IXLFormulaCell() = default;
    virtual const std::string& FormulaText() const = 0;
    virtual double FormulaResult() const = 0;
    // 0 none, 1 "#VALUE!", 2 "#NAME!", 3 "#DIV/0!", 4 "#CIRCULAR!".
    virtual int FormulaError() const = 0;
    // Stores the outcome of an evaluation (on failure the previous number
    // comes back with the error state); with an error state the cell marks
    // its display text stale.
    virtual void StoreFormulaResult(double value, int error) = 0;
    virtual bool NeedsRecalc() const = 0;
    virtual void SetNeedsRecalc(bool value) = 0;
};

enum TXLFormulaErrorState : int { feNone, feValue, feName, feDivZero, feCircular };
// "", "#VALUE!", "#NAME!", "#DIV/0!", "#CIRCULAR!" (out of range: "").
const char* FormulaErrorText(int state);

// What a host reports about a client cell: its value, and the cell itself
// when it is a formula cell (whose value then comes from FormulaResult).
struct TXLCalcCell {
    Variant Value;
    IXLFormulaCell* Formula = nullptr;
};

// The sheet as the calculator sees it. Holds the evaluation list (the
// formula cells being evaluated, innermost last) and the list of evaluations
// set aside because the chain of cells reading cells grew too deep.
//
// Formula cells read each other's stored results; there is no dependency
// graph. During Recalculate a cell that is still marked is recalculated
// before it is read, so one Recalculate settles any order of references.
// Reading a cell that is being evaluated, or whose state is "#CIRCULAR!",
// raises EXLCircular, so every cell on a cycle and every cell that reads one
// shows "#CIRCULAR!". The chain of nested cell evaluations is bounded
// (MaxCellDepth): the deepest one is set aside, evaluated first from the top,
// and the interrupted ones are retried, so long chains cost O(n) evaluations
// and bounded stack.
class TXLCalcHost {
public:
    TXLCalcHost() = default;
    TXLCalcHost(const TXLCalcHost&) = delete;
    TXLCalcHost& operator=(const TXLCalcHost&) = delete;
    virtual ~TXLCalcHost() = default;

    // The registry of stage 1 (default: TXLFunctions::Standard(); a sheet's
    // host uses the manager's).
    virtual const TXLFunctions& Functions() const;

    // Name stages 2 and 3 (the name arrives in upper case). OnVariableEvent
    // runs the sheet's OnVariable event (default none); DoVariable reads a
    // cell reference inside the client band. Either leaves the result null
    // when it does not know the name.
    virtual void OnVariableEvent(const std::string& name, Variant& result);
    virtual void DoVariable(const std::string& name, Variant& result);
    // Function stages 2 and 3: the OnFunction event, and DoFunction, which
    // does nothing.
    virtual void OnFunctionEvent(const std::string& name, std::vector<Variant>& params, Variant& result);
    virtual void DoFunction(const std::string& name, std::vector<Variant>& params, Variant& result);

    // The client band and its cells, for DoVariable.
    virtual int ClientColCount() const = 0;
    virtual int ClientRowCount() const = 0;
    virtual TXLCalcCell ClientCell(int col, int row) = 0;

    // Evaluates one formula cell now and stores the result or error state.
    // Formula failures never propagate, except EXLCircular when the cell is
    // itself being evaluated (a handler wrote into it).
    void CalculateFormula(IXLFormulaCell& cell);
    // Marks every cell, then calculates every cell still marked, in the
    // order given (section order, rows and columns ascending).
    void RecalculateFormulas(const std::vector<IXLFormulaCell*>& cells);
    // The value a formula reads from a formula cell (see the class comment).
    Variant FormulaValue(IXLFormulaCell& cell);

    bool IsEvaluating(const IXLFormulaCell& cell) const;
    int MaxCellDepth() const { return m_maxCellDepth; }
    void SetMaxCellDepth(int depth) { m_maxCellDepth = depth < 1 ? 1 : depth; }

private:
    void EvaluateCell(IXLFormulaCell& cell);

    std::vector<IXLFormulaCell*> m_evaluating;
    std::vector<IXLFormulaCell*> m_setAside;
    int m_maxCellDepth = 16;
};

// A cell name: leading letters (any case) give the column as a bijective
// base-26 number minus one (A = 0, Z = 25, AA = 26), the rest is a decimal
// row number of at least 1 (row = number - 1). False for anything else or
// when a part does not fit an int.
bool ParseCellReference(std::string_view name, int& col, int& row);

// Evaluates one expression text (without the leading "=").
//
// Grammar (lowest precedence first): expression = simple [cmp simple];
// simple = term {(+ | - | OR) term}; term = factor {(* | / | DIV | MOD | SHL |
// SHR) factor}; factor = (NOT | + | -) factor | primary; primary = "("
// expression ")" | number | string | reference text | name "(" args ")" |
// name. Tokens are scanned on demand and values computed while parsing.
// Parentheses, unary operators and calls nest at most MaxDepth levels
// (deeper raises EXLSyntax), which bounds the stack for any input.
class TXLCalculator {
public:
    // host may be null (no sheet: only registry names resolve).
    explicit TXLCalculator(TXLCalcHost* host = nullptr);

    // An empty text (or only spaces) leaves the result unassigned.
    // Raises EXLSyntax, EXLUnknown, EXLCircular (with the position), or the
    // arithmetic and conversion errors (EMathError, EVariantError).
    void Evaluate(std::string_view text, Variant& result);
    Variant Evaluate(std::string_view text);

    // "." by default (the process format); "," makes ";" the argument
    // separator.
    char DecimalSeparator() const { return m_decimal; }
    void SetDecimalSeparator(char c) { m_decimal = c; }
    char ArgSeparator() const { return m_decimal == ',' ? ';' : ','; }

    // Check only: the expression is parsed and names are resolved, but no
    // operator is applied.
    bool CheckOnly() const { return m_checkOnly; }
    void SetCheckOnly(bool value) { m_checkOnly = value; }

    static constexpr int kDefaultMaxDepth = 100;
    int MaxDepth() const { return m_maxDepth; }
    void SetMaxDepth(int depth) { m_maxDepth = depth < 1 ? 1 : depth; }

private:
    enum class Tok { End, Open, Close, Sep, BadSep, Number, RefText, String, Name, Op };
    enum class Op { Mul, Div, Add, Sub, Eq, Lt, Gt, Le, Ge, Ne, IntDiv, Mod, Shl, Shr, Not, Or };

    void Next();
    void ScanNumber();
    void ScanString();
    void ScanName();

    Variant Expression();
    Variant Simple();
    Variant Term();
    Variant Factor();
    Variant Primary();
    Variant Variable(const std::string& name);
    Variant Call(const std::string& name);

    void Enter();
    void Leave() { --m_depth; }
    [[noreturn]] void SyntaxError(const char* detail = nullptr) const;
    int CharPosition() const;

    TXLCalcHost* m_host;
    std::string_view m_text;
    size_t m_pos = 0;
    Tok m_tok = Tok::End;
    Op m_op = Op::Add;
    std::string m_tokText;
    Variant m_number;
    char m_decimal;
    bool m_checkOnly = false;
    bool m_ended = false;
    int m_depth = 0;
    int m_maxDepth = kDefaultMaxDepth;
};

// The variant operators of the expression language; exposed for the number
// editor and for tests. Unassigned operands count as the integer 0, Null
// operands give Null, booleans count as -1 (true) and 0.
namespace detail {
Variant VarAdd(const Variant& a, const Variant& b);
Variant VarSub(const Variant& a, const Variant& b);
Variant VarMul(const Variant& a, const Variant& b);
Variant VarDivide(const Variant& a, const Variant& b);
Variant VarIntDiv(const Variant& a, const Variant& b);
Variant VarMod(const Variant& a, const Variant& b);
Variant VarShl(const Variant& a, const Variant& b);
Variant VarShr(const Variant& a, const Variant& b);
Variant VarOr(const Variant& a, const Variant& b);
Variant VarNot(const Variant& a);
Variant VarNeg(const Variant& a);
// -1, 0, 1; Null sorts before everything and equals Null.
int VarCompare(const Variant& a, const Variant& b);
// A formula result as the number a formula cell stores (true -> -1).
double FormulaResultToDouble(const Variant& v);
}  // namespace detail

}  // namespace xlgrid
