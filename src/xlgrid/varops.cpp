// The variant operators of the formula language.
//
// Numbers are ranked integer < currency < double; an operation takes the
// higher rank of its operands. Integer results that leave the 32-bit range
// become doubles (there is no 64-bit integer variant), currency overflow and
// non-finite doubles raise EOverflow, so a formula never yields inf or NaN.
// Dates added to or subtracted from numbers stay dates; date - date is a
// double. Text operands are read as numbers (EVariantError otherwise) except
// that "+" of two texts concatenates.

#include "xlgrid/calculator.h"

#include <climits>
#include <cmath>
#include <string>

namespace xlgrid::detail {
namespace {

enum class Kind { Int, Cur, Dbl, Date };

struct Num {
    Kind kind;
    int64_t i;  // Int: the value; Cur: the value times 10000
    double d;   // Dbl, Date
};

Num ToNum(const Variant& v)
{
    switch (v.Type()) {
    case VarType::Unassigned: return {Kind::Int, 0, 0};
    case VarType::Integer: return {Kind::Int, v.Int(), 0};
    case VarType::Boolean: return {Kind::Int, v.Bool() ? -1 : 0, 0};
    case VarType::Currency: return {Kind::Cur, v.Cur(), 0};
    case VarType::Double: return {Kind::Dbl, 0, v.Dbl()};
    case VarType::Date: return {Kind::Date, 0, v.Dbl()};
    default: return {Kind::Dbl, 0, VarToFloat(v)};
    }
}

double AsDouble(const Num& n)
{
    switch (n.kind) {
    case Kind::Int: return double(n.i);
    case Kind::Cur: return double(n.i) / 10000.0;
    default: return n.d;
    }
}

int64_t AsCurrency(const Num& n)
{
    // Only called for Int and Cur; an int32 times 10000 always fits.
    return n.kind == Kind::Cur ? n.i : n.i * 10000;
}

Variant FiniteDouble(double x)
{
    if (!std::isfinite(x))
        throw EOverflow("Floating point overflow");
    return Variant(x);
}

Variant FiniteDate(double x)
{
    if (!std::isfinite(x))
        throw EOverflow("Floating point overflow");
    return Variant::FromDate(x);
}

Variant IntResult(int64_t x)
{
    if (x >= INT32_MIN && x <= INT32_MAX)
        return Variant(int32_t(x));
    return Variant(double(x));
}

int32_t ToInt32(const Variant& v)
{
    switch (v.Type()) {
    case VarType::Unassigned: return 0;
    case VarType::Boolean: return v.Bool() ? -1 : 0;
    default: return VarToInt(v);
    }
}

Variant AddSub(const Variant& a, const Variant& b, bool subtract)
{
    if (a.IsNull() || b.IsNull())
        return Variant::Null();
    if (!subtract && a.Type() == VarType::String && b.Type() == VarType::String)
        return Variant(a.Str() + b.Str());
    Num x = ToNum(a), y = ToNum(b);
    if (x.kind == Kind::Date || y.kind == Kind::Date) {
        double r = subtract ? AsDouble(x) - AsDouble(y) : AsDouble(x) + AsDouble(y);
        if (subtract && x.kind == Kind::Date && y.kind == Kind::Date)
            return FiniteDouble(r);
        return FiniteDate(r);
    }
    if (x.kind == Kind::Dbl || y.kind == Kind::Dbl)
        return FiniteDouble(subtract ? AsDouble(x) - AsDouble(y) : AsDouble(x) + AsDouble(y));
    if (x.kind == Kind::Cur || y.kind == Kind::Cur) {
        int64_t r;
        bool overflow = subtract ? __builtin_sub_overflow(AsCurrency(x), AsCurrency(y), &r)
                                 : __builtin_add_overflow(AsCurrency(x), AsCurrency(y), &r);
        if (overflow)
            throw EOverflow("Currency overflow");
        return Variant::FromCurrency(r);
    }
    return IntResult(subtract ? x.i - y.i : x.i + y.i);
}

}  // namespace

Variant VarAdd(const Variant& a, const Variant& b) { return AddSub(a, b, false); }
Variant VarSub(const Variant& a, const Variant& b) { return AddSub(a, b, true); }

Variant VarMul(const Variant& a, const Variant& b)
{
    if (a.IsNull() || b.IsNull())
        return Variant::Null();
    Num x = ToNum(a), y = ToNum(b);
    if (x.kind == Kind::Dbl || x.kind == Kind::Date || y.kind == Kind::Dbl || y.kind == Kind::Date)
        return FiniteDouble(AsDouble(x) * AsDouble(y));
    if (x.kind == Kind::Cur || y.kind == Kind::Cur) {
        __int128 r;
        if (x.kind == Kind::Cur && y.kind == Kind::Cur) {
            // Both scaled: divide one scale out, rounding half away from zero.
            __int128 p = __int128(x.i) * y.i;
            r = (p >= 0 ? p + 5000 : p - 5000) / 10000;
        } else {
            r = __int128(x.i) * y.i;
        }
        if (r < INT64_MIN || r > INT64_MAX)
            throw EOverflow("Currency overflow");
        return Variant::FromCurrency(int64_t(r));
    }
    return IntResult(x.i * y.i);
}

Variant VarDivide(const Variant& a, const Variant& b)
{
    if (a.IsNull() || b.IsNull())
        return Variant::Null();
    double x = AsDouble(ToNum(a)), y = AsDouble(ToNum(b));
    if (y == 0.0)
        throw EZeroDivide("Floating point division by zero");
    return FiniteDouble(x / y);
}

Variant VarIntDiv(const Variant& a, const Variant& b)
{
    if (a.IsNull() || b.IsNull())
        return Variant::Null();
    int64_t x = ToInt32(a), y = ToInt32(b);
    if (y == 0)
        throw EDivByZero("Division by zero");
    return IntResult(x / y);
}

Variant VarMod(const Variant& a, const Variant& b)
{
    if (a.IsNull() || b.IsNull())
        return Variant::Null();
    int64_t x = ToInt32(a), y = ToInt32(b);
    if (y == 0)
        throw EDivByZero("Division by zero");
    return IntResult(x % y);
}

// Shifts work on the 32-bit pattern with the count taken modulo 32; SHR is
// a logical shift.
Variant VarShl(const Variant& a, const Variant& b)
{
    if (a.IsNull() || b.IsNull())
        return Variant::Null();
    uint32_t x = uint32_t(ToInt32(a));
    unsigned n = unsigned(ToInt32(b)) & 31u;
    return Variant(int32_t(x << n));
}

Variant VarShr(const Variant& a, const Variant& b)
{
    if (a.IsNull() || b.IsNull())
        return Variant::Null();
    uint32_t x = uint32_t(ToInt32(a));
    unsigned n = unsigned(ToInt32(b)) & 31u;
    return Variant(int32_t(x >> n));
}

Variant VarOr(const Variant& a, const Variant& b)
{
    if (a.IsNull() || b.IsNull())
        return Variant::Null();
    if (a.Type() == VarType::Boolean && b.Type() == VarType::Boolean)
        return Variant(a.Bool() || b.Bool());
    return Variant(ToInt32(a) | ToInt32(b));
}

Variant VarNot(const Variant& a)
{
    if (a.IsNull())
        return Variant::Null();
    if (a.Type() == VarType::Boolean)
        return Variant(!a.Bool());
    return Variant(~ToInt32(a));
}

Variant VarNeg(const Variant& a)
{
    switch (a.Type()) {
    case VarType::Null: return Variant::Null();
    case VarType::Unassigned: return Variant(int32_t(0));
    case VarType::Integer: return IntResult(-int64_t(a.Int()));
    case VarType::Boolean: return Variant(int32_t(a.Bool() ? 1 : 0));
    case VarType::Currency:
        if (a.Cur() == INT64_MIN)
            throw EOverflow("Currency overflow");
        return Variant::FromCurrency(-a.Cur());
    case VarType::Double: return Variant(-a.Dbl());
    case VarType::Date: return Variant::FromDate(-a.Dbl());
    case VarType::String: return FiniteDouble(-VarToFloat(a));
    }
    return Variant();
}

int VarCompare(const Variant& a, const Variant& b)
{
    if (a.IsNull() || b.IsNull())
        return a.IsNull() == b.IsNull() ? 0 : (a.IsNull() ? -1 : 1);
    if (a.Type() == VarType::String && b.Type() == VarType::String) {
        int c = a.Str().compare(b.Str());
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    Num x = ToNum(a), y = ToNum(b);
    auto sign = [](auto p, auto q) { return p < q ? -1 : (q < p ? 1 : 0); };
    if (x.kind == Kind::Int && y.kind == Kind::Int)
        return sign(x.i, y.i);
    if ((x.kind == Kind::Int || x.kind == Kind::Cur) && (y.kind == Kind::Int || y.kind == Kind::Cur))
        return sign(AsCurrency(x), AsCurrency(y));
    return sign(AsDouble(x), AsDouble(y));
}

double FormulaResultToDouble(const Variant& v)
{
    double x;
    switch (v.Type()) {
    case VarType::Unassigned: return 0.0;
    case VarType::Boolean: return v.Bool() ? -1.0 : 0.0;
    default: x = VarToFloat(v); break;
    }
    if (!std::isfinite(x))
        throw EOverflow("Floating point overflow");
    return x;
}

}  // namespace xlgrid::detail
