#include "xlio/xlsxformula.h"

#include "xlio/celltext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <vector>

namespace xlio::detail {
namespace {

constexpr std::size_t MaxFormulaChars = 8192;  // what spreadsheet programs write at most
constexpr int MaxNesting = 100;
constexpr std::int64_t SheetRows = 1048576, SheetCols = 16384;

struct TNode {
    enum TType { ntValue, ntRef, ntRange, ntUnary, ntBinary, ntPercent, ntCall };
    TType Type = ntValue;
    TFormulaValue Value;
    std::uint32_t Row1 = 0, Col1 = 0, Row2 = 0, Col2 = 0;
    std::string Op;  // operator, or the upper-case function name
    std::vector<std::unique_ptr<TNode>> Args;
};
using TNodePtr = std::unique_ptr<TNode>;

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

class TParser {
public:
    TParser(std::string_view text, std::int64_t rowShift, std::int64_t colShift)
        : m_text(text), m_rowShift(rowShift), m_colShift(colShift)
    {
    }

    TNodePtr Parse()
    {
        if (m_text.size() > MaxFormulaChars)
            throw EFormulaUnsupported("the formula is longer than " + std::to_string(MaxFormulaChars) + " characters");
        TNodePtr node = Comparison();
        SkipBlanks();
        if (m_pos != m_text.size())
            Unexpected();
        return node;
    }

private:
    [[noreturn]] void Unexpected() const
    {
        if (m_pos >= m_text.size())
            throw EFormulaUnsupported("the formula ends too early");
        throw EFormulaUnsupported("cannot read the formula from \"" + std::string(m_text.substr(m_pos, 12)) + "\"");
    }

    void SkipBlanks()
    {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\n' || m_text[m_pos] == '\r'))
            ++m_pos;
    }

    bool Eat(std::string_view token)
    {
        SkipBlanks();
        if (m_text.substr(m_pos, token.size()) != token)
            return false;
        m_pos += token.size();
        return true;
    }

    static TNodePtr Binary(std::string op, TNodePtr l, TNodePtr r)
    {
        auto node = std::make_unique<TNode>();
        node->Type = TNode::ntBinary;
        node->Op = std::move(op);
        node->Args.push_back(std::move(l));
        node->Args.push_back(std::move(r));
        return node;
    }

    struct TDepth {
        explicit TDepth(int& d) : Depth(d)
        {
            if (++Depth > MaxNesting)
                throw EFormulaUnsupported("the formula nests deeper than " + std::to_string(MaxNesting) + " levels");
        }
        ~TDepth() { --Depth; }
        int& Depth;
    };

    TNodePtr Comparison()
    {
        TDepth depth(m_depth);
        TNodePtr left = Concat();
        while (true) {
            std::string op;
            for (const char* candidate : {"<=", ">=", "<>", "=", "<", ">"})
                if (Eat(candidate)) {
                    op = candidate;
                    break;
                }
            if (op.empty())
                return left;
            left = Binary(op, std::move(left), Concat());
        }
    }

    TNodePtr Concat()
    {
        TNodePtr left = Additive();
        while (Eat("&"))
            left = Binary("&", std::move(left), Additive());
        return left;
    }

    TNodePtr Additive()
    {
        TNodePtr left = Multiplicative();
        while (true) {
            if (Eat("+"))
                left = Binary("+", std::move(left), Multiplicative());
            else if (Eat("-"))
                left = Binary("-", std::move(left), Multiplicative());
            else
                return left;
        }
    }

    TNodePtr Multiplicative()
    {
        TNodePtr left = Power();
        while (true) {
            if (Eat("*"))
                left = Binary("*", std::move(left), Power());
            else if (Eat("/"))
                left = Binary("/", std::move(left), Power());
            else
                return left;
        }
    }

    // Signs bind tighter than ^ in spreadsheet formulas: -2^2 is 4.
    TNodePtr Power()
    {
        TNodePtr left = Unary();
        while (Eat("^"))
            left = Binary("^", std::move(left), Unary());
        return left;
    }

    TNodePtr Unary()
    {
        TDepth depth(m_depth);
        if (Eat("-") || Eat("+")) {
            auto node = std::make_unique<TNode>();
            node->Type = TNode::ntUnary;
            node->Op = std::string(1, m_text[m_pos - 1]);
            node->Args.push_back(Unary());
            return node;
        }
        TNodePtr node = Primary();
        while (Eat("%")) {
            auto percent = std::make_unique<TNode>();
            percent->Type = TNode::ntPercent;
            percent->Args.push_back(std::move(node));
            node = std::move(percent);
        }
        return node;
    }

    static TNodePtr Constant(TFormulaValue v)
    {
        auto node = std::make_unique<TNode>();
        node->Value = std::move(v);
        return node;
    }

    TNodePtr Primary()
    {
        SkipBlanks();
        if (m_pos >= m_text.size())
            Unexpected();
        const char c = m_text[m_pos];
        if (c == '(') {
            ++m_pos;
            TNodePtr inner = Comparison();
            if (!Eat(")"))
                Unexpected();
            return inner;
        }
        if (c == '"')
            return Constant(TFormulaValue::Str(QuotedText()));
        if (c == '#')
            return Constant(TFormulaValue::Err(ErrorLiteral()));
        if (c == '\'')
            throw EFormulaUnsupported("it refers to another worksheet");
        if (IsDigit(c) || c == '.') {
            if (TNodePtr rows = RowRange())
                return rows;
            return Constant(TFormulaValue::Num(NumberLiteral()));
        }
        if (IsLetter(c) || c == '_' || c == '$')
            return NameOrReference();
        Unexpected();
    }

    std::string QuotedText()
    {
        std::string out;
        ++m_pos;
        while (true) {
            if (m_pos >= m_text.size())
                throw EFormulaUnsupported("a text in the formula has no closing quote");
            const char c = m_text[m_pos++];
            if (c != '"') {
                out += c;
            } else if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                out += '"';
                ++m_pos;
            } else {
                return out;
            }
        }
    }

    std::string ErrorLiteral()
    {
        for (const char* e : {"#DIV/0!", "#N/A", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#NULL!"}) {
            const std::string_view err(e);
            if (m_text.size() - m_pos >= err.size()) {
                std::string upper;
                for (char ch : m_text.substr(m_pos, err.size()))
                    upper += Upper(ch);
                if (upper == err) {
                    m_pos += err.size();
                    return std::string(err);
                }
            }
        }
        Unexpected();
    }

    double NumberLiteral()
    {
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() && (IsDigit(m_text[m_pos]) || m_text[m_pos] == '.'))
            ++m_pos;
        if (m_pos < m_text.size() && (m_text[m_pos] == 'E' || m_text[m_pos] == 'e')) {
            std::size_t p = m_pos + 1;
            if (p < m_text.size() && (m_text[p] == '+' || m_text[p] == '-'))
                ++p;
            if (p < m_text.size() && IsDigit(m_text[p])) {
                while (p < m_text.size() && IsDigit(m_text[p]))
                    ++p;
                m_pos = p;
            }
        }
        double v = 0;
        const auto res = std::from_chars(m_text.data() + start, m_text.data() + m_pos, v);
        if (res.ec != std::errc() || res.ptr != m_text.data() + m_pos) {
            m_pos = start;
            Unexpected();
        }
        return v;
    }

    // One side of a reference: [$]letters and/or [$]digits, as it stands.
    struct TRefPart {
        bool HasCol = false, HasRow = false, ColFixed = false, RowFixed = false;
        std::int64_t Col = 0, Row = 0;
    };

    bool ReadRefPart(TRefPart& part)
    {
        std::size_t p = m_pos;
        auto dollar = [&]() {
            if (p < m_text.size() && m_text[p] == '$') {
                ++p;
                return true;
            }
            return false;
        };
        const bool colFixed = dollar();
        std::int64_t col = 0;
        const std::size_t lettersAt = p;
        while (p < m_text.size() && IsLetter(m_text[p]) && p - lettersAt < 4) {
            col = col * 26 + (Upper(m_text[p]) - 'A' + 1);
            ++p;
        }
        const bool hasCol = p > lettersAt;
        if (!hasCol && colFixed)
            return false;
        const std::size_t rowStart = p;
        const bool rowFixed = dollar();
        std::int64_t row = 0;
        const std::size_t digitsAt = p;
        while (p < m_text.size() && IsDigit(m_text[p]) && p - digitsAt < 8) {
            row = row * 10 + (m_text[p] - '0');
            ++p;
        }
        const bool hasRow = p > digitsAt;
        if (!hasRow && rowFixed)
            return false;
        if (!hasRow)
            p = rowStart;
        if (!hasCol && !hasRow)
            return false;
        // A reference ends where a name would go on.
        if (p < m_text.size() && (IsLetter(m_text[p]) || IsDigit(m_text[p]) || m_text[p] == '_' || m_text[p] == '('
                                  || m_text[p] == '.' || m_text[p] == '!'))
            return false;
        part = {hasCol, hasRow, colFixed, rowFixed, col, row};
        m_pos = p;
        return true;
    }

    std::uint32_t Shifted(std::int64_t value, bool fixed, std::int64_t shift, std::int64_t limit) const
    {
        const std::int64_t v = fixed ? value : value + shift;
        if (v < 1 || v > limit)
            throw EFormulaUnsupported("it refers to a cell outside the sheet");
        return static_cast<std::uint32_t>(v);
    }

    TNodePtr RangeNode(const TRefPart& a, const TRefPart& b)
    {
        auto node = std::make_unique<TNode>();
        node->Type = TNode::ntRange;
        const std::uint32_t c1 = a.HasCol ? Shifted(a.Col, a.ColFixed, m_colShift, SheetCols) : 1;
        const std::uint32_t c2 = b.HasCol ? Shifted(b.Col, b.ColFixed, m_colShift, SheetCols) : SheetCols;
        const std::uint32_t r1 = a.HasRow ? Shifted(a.Row, a.RowFixed, m_rowShift, SheetRows) : 1;
        const std::uint32_t r2 = b.HasRow ? Shifted(b.Row, b.RowFixed, m_rowShift, SheetRows) : SheetRows;
        node->Col1 = std::min(c1, c2);
        node->Col2 = std::max(c1, c2);
        node->Row1 = std::min(r1, r2);
        node->Row2 = std::max(r1, r2);
        return node;
    }

    // 3:5, whole rows; nullptr (nothing read) when the digits are a number.
    TNodePtr RowRange()
    {
        const std::size_t start = m_pos;
        TRefPart a, b;
        if (ReadRefPart(a) && !a.HasCol && m_pos < m_text.size() && m_text[m_pos] == ':') {
            ++m_pos;
            if (ReadRefPart(b) && !b.HasCol)
                return RangeNode(a, b);
        }
        m_pos = start;
        return nullptr;
    }

    TNodePtr NameOrReference()
    {
        const std::size_t start = m_pos;
        TRefPart a;
        if (ReadRefPart(a)) {
            SkipBlanks();
            if (m_pos < m_text.size() && m_text[m_pos] == ':') {
                ++m_pos;
                SkipBlanks();
                TRefPart b;
                if (!ReadRefPart(b) || b.HasCol != a.HasCol || b.HasRow != a.HasRow)
                    Unexpected();
                return RangeNode(a, b);
            }
            if (a.HasCol && a.HasRow) {
                auto node = std::make_unique<TNode>();
                node->Type = TNode::ntRef;
                node->Col1 = Shifted(a.Col, a.ColFixed, m_colShift, SheetCols);
                node->Row1 = Shifted(a.Row, a.RowFixed, m_rowShift, SheetRows);
                return node;
            }
            m_pos = start;
        }
        std::string name;
        while (m_pos < m_text.size()
               && (IsLetter(m_text[m_pos]) || IsDigit(m_text[m_pos]) || m_text[m_pos] == '_' || m_text[m_pos] == '.'))
            name += Upper(m_text[m_pos++]);
        if (name.empty())
            Unexpected();
        if (m_pos < m_text.size() && m_text[m_pos] == '!')
            throw EFormulaUnsupported("it refers to another worksheet");
        SkipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] == '(') {
            ++m_pos;
            auto node = std::make_unique<TNode>();
            node->Type = TNode::ntCall;
            node->Op = name;
            if (!Eat(")")) {
                do {
                    SkipBlanks();
                    if (m_pos < m_text.size() && (m_text[m_pos] == ',' || m_text[m_pos] == ')'))
                        node->Args.push_back(Constant({}));  // an omitted argument
                    else
                        node->Args.push_back(Comparison());
                } while (Eat(","));
                if (!Eat(")"))
                    Unexpected();
            }
            return node;
        }
        if (name == "TRUE" || name == "FALSE")
            return Constant(TFormulaValue::Boolean(name == "TRUE"));
        throw EFormulaUnsupported("the name " + name + " is not a cell reference");
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    std::int64_t m_rowShift, m_colShift;
    int m_depth = 0;
};

// Numbers as spreadsheet programs read them from text: plain decimal, with
// blanks around; anything else is no number.
bool TextNumber(const std::string& text, double& value)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    while (begin < end && *begin == ' ')
        ++begin;
    while (end > begin && end[-1] == ' ')
        --end;
    if (begin < end && *begin == '+')
        ++begin;
    const auto res = std::from_chars(begin, end, value);
    return begin < end && res.ec == std::errc() && res.ptr == end && std::isfinite(value);
}

// A value as a number for arithmetic; an error value comes back as such.
bool AsNumber(const TFormulaValue& v, double& out, TFormulaValue& error)
{
    switch (v.Kind) {
    case TFormulaValue::fvEmpty: out = 0; return true;
    case TFormulaValue::fvNumber:
    case TFormulaValue::fvBool: out = v.Number; return true;
    case TFormulaValue::fvText:
        if (TextNumber(v.Text, out))
            return true;
        error = TFormulaValue::Err("#VALUE!");
        return false;
    case TFormulaValue::fvError: error = v; return false;
    }
    return false;
}

std::string AsText(const TFormulaValue& v)
{
    return v.Kind == TFormulaValue::fvEmpty ? std::string() : FormulaValueText(v);
}

// Rounds to 15 significant digits, as the programs do before they round to places.
double Significant15(double x)
{
    if (x == 0 || !std::isfinite(x))
        return x;
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 14);
    double out = x;
    std::from_chars(buf, res.ptr, out);
    return out;
}

TFormulaValue Finite(double v)
{
    return std::isfinite(v) ? TFormulaValue::Num(v) : TFormulaValue::Err("#NUM!");
}

std::string Upper(std::string s)
{
    for (char& c : s)
        c = Upper(c);
    return s;
}

class TEvaluator {
public:
    explicit TEvaluator(IFormulaHost& host) : m_host(host) {}

    TFormulaValue Eval(const TNode& node)
    {
        switch (node.Type) {
        case TNode::ntValue: return node.Value;
        case TNode::ntRef: return m_host.Value(node.Row1, node.Col1);
        case TNode::ntRange:
            throw EFormulaUnsupported("a range stands outside a function's arguments");
        case TNode::ntUnary: {
            TFormulaValue v = Eval(*node.Args[0]);
            double x = 0;
            if (!AsNumber(v, x, v))
                return v;
            return TFormulaValue::Num(node.Op == "-" ? -x : x);
        }
        case TNode::ntPercent: {
            TFormulaValue v = Eval(*node.Args[0]);
            double x = 0;
            if (!AsNumber(v, x, v))
                return v;
            return TFormulaValue::Num(x / 100);
        }
        case TNode::ntBinary: return Binary(node);
        case TNode::ntCall: return Call(node);
        }
        return {};
    }

private:
    TFormulaValue Binary(const TNode& node)
    {
        const TFormulaValue l = Eval(*node.Args[0]);
        const TFormulaValue r = Eval(*node.Args[1]);
        if (l.Kind == TFormulaValue::fvError)
            return l;
        if (r.Kind == TFormulaValue::fvError)
            return r;
        const std::string& op = node.Op;
        if (op == "&")
            return TFormulaValue::Str(AsText(l) + AsText(r));
        if (op == "=" || op == "<>" || op == "<" || op == ">" || op == "<=" || op == ">=") {
            const int c = Compare(l, r);
            const bool result = op == "=" ? c == 0 : op == "<>" ? c != 0 : op == "<" ? c < 0 : op == ">" ? c > 0
                                : op == "<=" ? c <= 0 : c >= 0;
            return TFormulaValue::Boolean(result);
        }
        double a = 0, b = 0;
        TFormulaValue error;
        if (!AsNumber(l, a, error) || !AsNumber(r, b, error))
            return error;
        if (op == "+")
            return Finite(a + b);
        if (op == "-")
            return Finite(a - b);
        if (op == "*")
            return Finite(a * b);
        if (op == "/")
            return b == 0 ? TFormulaValue::Err("#DIV/0!") : Finite(a / b);
        if (a == 0 && b < 0)
            return TFormulaValue::Err("#DIV/0!");
        return Finite(std::pow(a, b));
    }

    // Spreadsheet order: numbers before texts before booleans; texts without
    // regard to case; an empty cell is 0 against a number, "" against a text.
    static int Compare(const TFormulaValue& l, const TFormulaValue& r)
    {
        auto rank = [](const TFormulaValue& v, const TFormulaValue& other) {
            if (v.Kind == TFormulaValue::fvEmpty) {
                if (other.Kind == TFormulaValue::fvText)
                    return 1;
                return other.Kind == TFormulaValue::fvBool ? 2 : 0;
            }
            return v.Kind == TFormulaValue::fvNumber ? 0 : v.Kind == TFormulaValue::fvText ? 1 : 2;
        };
        const int rl = rank(l, r), rr = rank(r, l);
        if (rl != rr)
            return rl < rr ? -1 : 1;
        if (rl == 1) {
            const std::string a = Upper(AsText(l)), b = Upper(AsText(r));
            return a < b ? -1 : a > b ? 1 : 0;
        }
        const double a = l.Number, b = r.Number;
        return a < b ? -1 : a > b ? 1 : 0;
    }

    // The values of a function's arguments: a range gives its cells (flagged
    // as coming from a reference, where texts and booleans do not count).
    void Values(const TNode& node, const std::function<void(const TFormulaValue&, bool fromRange)>& visit)
    {
        for (const auto& arg : node.Args) {
            if (arg->Type == TNode::ntRange)
                m_host.ForEach(arg->Row1, arg->Col1, arg->Row2, arg->Col2,
                               [&](const TFormulaValue& v) { visit(v, true); });
            else if (arg->Type == TNode::ntRef)
                visit(Eval(*arg), true);
            else
                visit(Eval(*arg), false);
        }
    }

    void Arity(const TNode& node, std::size_t least, std::size_t most) const
    {
        if (node.Args.size() < least || node.Args.size() > most)
            throw EFormulaUnsupported(node.Op + " takes " + std::to_string(least)
                                      + (least == most ? "" : " to " + std::to_string(most)) + " arguments");
    }

    TFormulaValue Aggregate(const TNode& node)
    {
        const std::string& f = node.Op;
        Arity(node, 1, 255);
        double sum = 0, best = 0;
        std::size_t count = 0;
        TFormulaValue error;
        bool failed = false;
        Values(node, [&](const TFormulaValue& v, bool fromRange) {
            if (failed)
                return;
            if (f == "COUNTA") {
                count += v.Kind != TFormulaValue::fvEmpty || !fromRange;
                return;
            }
            if (v.Kind == TFormulaValue::fvError) {
                if (f != "COUNT") {
                    error = v;
                    failed = true;
                }
                return;
            }
            double x = 0;
            if (fromRange) {
                if (v.Kind != TFormulaValue::fvNumber)
                    return;
                x = v.Number;
            } else if (!AsNumber(v, x, error)) {
                failed = f != "COUNT";
                return;
            }
            best = count == 0 ? x : f == "MIN" ? std::min(best, x) : std::max(best, x);
            sum += x;
            ++count;
        });
        if (failed)
            return error;
        if (f == "COUNT" || f == "COUNTA")
            return TFormulaValue::Num(static_cast<double>(count));
        if (f == "SUM")
            return Finite(sum);
        if (f == "AVERAGE")
            return count == 0 ? TFormulaValue::Err("#DIV/0!") : Finite(sum / static_cast<double>(count));
        return TFormulaValue::Num(count == 0 ? 0 : best);
    }

    TFormulaValue Logical(const TNode& node)
    {
        Arity(node, 1, 255);
        const bool isAnd = node.Op == "AND";
        bool result = isAnd, any = false;
        TFormulaValue error;
        bool failed = false;
        Values(node, [&](const TFormulaValue& v, bool fromRange) {
            if (failed)
                return;
            bool b = false;
            if (v.Kind == TFormulaValue::fvError) {
                error = v;
                failed = true;
                return;
            }
            if (v.Kind == TFormulaValue::fvNumber || v.Kind == TFormulaValue::fvBool) {
                b = v.Number != 0;
            } else if (v.Kind == TFormulaValue::fvText && !fromRange) {
                const std::string t = Upper(v.Text);
                if (t != "TRUE" && t != "FALSE") {
                    error = TFormulaValue::Err("#VALUE!");
                    failed = true;
                    return;
                }
                b = t == "TRUE";
            } else if (v.Kind == TFormulaValue::fvEmpty && !fromRange) {
                b = false;
            } else {
                return;
            }
            any = true;
            result = isAnd ? result && b : result || b;
        });
        if (failed)
            return error;
        if (!any)
            return TFormulaValue::Err("#VALUE!");
        return TFormulaValue::Boolean(result);
    }

    TFormulaValue Scalar(const TNode& node, std::size_t i, double& out)
    {
        TFormulaValue v = Eval(*node.Args[i]);
        TFormulaValue error;
        if (!AsNumber(v, out, error))
            return error;
        return {};
    }

    TFormulaValue Rounding(const TNode& node)
    {
        const std::string& f = node.Op;
        Arity(node, f == "INT" || f == "ABS" ? 1 : 2, f == "INT" || f == "ABS" ? 1 : 2);
        double x = 0, places = 0;
        if (TFormulaValue e = Scalar(node, 0, x); e.Kind == TFormulaValue::fvError)
            return e;
        if (f == "INT")
            return Finite(std::floor(x));
        if (f == "ABS")
            return TFormulaValue::Num(std::fabs(x));
        if (TFormulaValue e = Scalar(node, 1, places); e.Kind == TFormulaValue::fvError)
            return e;
        const double digits = std::trunc(places);
        if (std::fabs(digits) > 308)
            return TFormulaValue::Num(digits > 0 ? x : 0);
        const double scale = std::pow(10.0, std::fabs(digits));
        const double scaled = Significant15(digits >= 0 ? x * scale : x / scale);
        const double whole = f == "ROUND" ? std::round(scaled) : f == "ROUNDUP" ? (scaled < 0 ? std::floor(scaled)
                                                                                             : std::ceil(scaled))
                                                                                : std::trunc(scaled);
        return Finite(digits >= 0 ? whole / scale : whole * scale);
    }

    TFormulaValue If(const TNode& node)
    {
        Arity(node, 2, 3);
        const TFormulaValue c = Eval(*node.Args[0]);
        bool test = false;
        if (c.Kind == TFormulaValue::fvError)
            return c;
        if (c.Kind == TFormulaValue::fvText) {
            const std::string t = Upper(c.Text);
            if (t != "TRUE" && t != "FALSE")
                return TFormulaValue::Err("#VALUE!");
            test = t == "TRUE";
        } else {
            test = c.Number != 0;
        }
        if (test)
            return Eval(*node.Args[1]);
        if (node.Args.size() < 3)
            return TFormulaValue::Boolean(false);
        return Eval(*node.Args[2]);
    }

    TFormulaValue Call(const TNode& node)
    {
        const std::string& f = node.Op;
        if (f == "SUM" || f == "AVERAGE" || f == "MIN" || f == "MAX" || f == "COUNT" || f == "COUNTA")
            return Aggregate(node);
        if (f == "AND" || f == "OR")
            return Logical(node);
        if (f == "ROUND" || f == "ROUNDUP" || f == "ROUNDDOWN" || f == "INT" || f == "ABS")
            return Rounding(node);
        if (f == "IF")
            return If(node);
        throw EFormulaUnsupported("the function " + f + " is not one fenban calculates");
    }

    IFormulaHost& m_host;
};

}  // namespace

TFormulaValue EvaluateFormula(std::string_view text, IFormulaHost& host, std::int64_t rowShift, std::int64_t colShift)
{
    const TNodePtr tree = TParser(text, rowShift, colShift).Parse();
    TFormulaValue v = TEvaluator(host).Eval(*tree);
    // A formula showing an empty cell shows 0.
    if (v.Kind == TFormulaValue::fvEmpty)
        return TFormulaValue::Num(0);
    return v;
}

std::string FormulaValueText(const TFormulaValue& value)
{
    switch (value.Kind) {
    case TFormulaValue::fvEmpty: return std::string();
    case TFormulaValue::fvNumber: return NumberText(value.Number);
    case TFormulaValue::fvBool: return value.Number != 0 ? "TRUE" : "FALSE";
    case TFormulaValue::fvText:
    case TFormulaValue::fvError: return value.Text;
    }
    return std::string();
}

}  // namespace xlio::detail
