#pragma once
// The formulas a roster's workbook may hold without their results (a file
// written by a program that never calculates, or one that asks to be
// recalculated when opened): numbers, texts, TRUE/FALSE, same-sheet cell
// references and ranges, + - * / ^ %, unary signs, parentheses, comparisons,
// &, and SUM AVERAGE MIN MAX COUNT COUNTA ROUND ROUNDUP ROUNDDOWN INT ABS IF
// AND OR, by the spreadsheet rules (a text in a range is skipped by SUM, an
// empty cell reads as 0 or "", division by zero gives #DIV/0!, ...).
//
// The sheet calculator of xlgrid speaks the designer's own formula language
// (no ranges, no ^ or &, OR at the level of +), so workbook formulas get
// their own evaluator here, next to the reader that meets them.
//
// Anything outside that set raises EFormulaUnsupported naming what; the
// reader turns it into a message with the cell and the advice to save the
// file once in a spreadsheet program.

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace xlio::detail {

struct TFormulaValue {
    enum TKind : std::uint8_t { fvEmpty, fvNumber, fvText, fvBool, fvError };
    TKind Kind = fvEmpty;
    double Number = 0;   // the number, or 1/0 for a boolean
    std::string Text;    // the text, or the error's text ("#DIV/0!")

    static TFormulaValue Num(double v) { return {fvNumber, v, {}}; }
    static TFormulaValue Str(std::string s) { return {fvText, 0, std::move(s)}; }
    static TFormulaValue Boolean(bool b) { return {fvBool, b ? 1.0 : 0.0, {}}; }
    static TFormulaValue Err(std::string e) { return {fvError, 0, std::move(e)}; }
};

class EFormulaUnsupported : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The cells a formula reads, rows and columns 1-based. Value of a formula
// cell is its result (the host evaluates it, refusing cycles).
class IFormulaHost {
public:
    virtual ~IFormulaHost() = default;
    virtual TFormulaValue Value(std::uint32_t row, std::uint32_t col) = 0;
    // Calls visit for every cell holding something inside the range, in any
    // order; cells not visited are empty.
    virtual void ForEach(std::uint32_t row1, std::uint32_t col1, std::uint32_t row2, std::uint32_t col2,
                         const std::function<void(const TFormulaValue&)>& visit) = 0;
};

// Evaluates the formula text (without a leading "="). Relative references
// move by rowShift/colShift (a shared formula read at another cell than the
// one it was written for); $-anchored parts stay.
TFormulaValue EvaluateFormula(std::string_view text, IFormulaHost& host, std::int64_t rowShift = 0,
                              std::int64_t colShift = 0);

// The value as cell text: numbers shortest at 15 significant digits,
// booleans TRUE/FALSE, errors as their text.
std::string FormulaValueText(const TFormulaValue& value);

}  // namespace xlio::detail
