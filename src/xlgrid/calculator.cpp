#include "xlgrid/calculator.h"

#include "xlgrid/encoding.h"

#include <charconv>
#include <climits>

namespace xlgrid {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

std::string UpperCase(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        c = Upper(c);
    return r;
}

const Variant& FirstParam(const std::vector<Variant>& params)
{
    static const Variant empty;
    return params.empty() ? empty : params.front();
}

}  // namespace

// --- Registry ---------------------------------------------------------------

TXLFunctions::TXLFunctions()
{
    RegisterFunction("STRING", [](TXLCalcHost*, const std::vector<Variant>& p, Variant& r) {
        r = Variant(VarToStr(FirstParam(p)));
    });
    RegisterFunction("INTEGER", [](TXLCalcHost*, const std::vector<Variant>& p, Variant& r) {
        r = Variant(VarToInt(FirstParam(p)));
    });
    RegisterFunction("BOOLEAN", [](TXLCalcHost*, const std::vector<Variant>& p, Variant& r) {
        r = Variant(VarToBool(FirstParam(p)));
    });
    RegisterFunction("CURRENCY", [](TXLCalcHost*, const std::vector<Variant>& p, Variant& r) {
        r = Variant::FromCurrency(VarToCurrency(FirstParam(p)));
    });
    RegisterFunction("DATETIME", [](TXLCalcHost*, const std::vector<Variant>& p, Variant& r) {
        r = Variant::FromDate(VarToDateTime(FirstParam(p)));
    });
    RegisterFunction("DOUBLE", [](TXLCalcHost*, const std::vector<Variant>& p, Variant& r) {
        r = Variant(VarToFloat(FirstParam(p)));
    });
}

bool TXLFunctions::RegisterFunction(std::string_view name, TXLFunctionHandler handler)
{
    if (name.empty() || !handler)
        return false;
    return m_functions.emplace(UpperCase(name), std::move(handler)).second;
}

bool TXLFunctions::RegisterVariable(std::string_view name, TXLVariableHandler handler)
{
    if (name.empty() || !handler)
        return false;
    return m_variables.emplace(UpperCase(name), std::move(handler)).second;
}

bool TXLFunctions::UnregisterFunction(std::string_view name) { return m_functions.erase(UpperCase(name)) > 0; }
bool TXLFunctions::UnregisterVariable(std::string_view name) { return m_variables.erase(UpperCase(name)) > 0; }

const TXLFunctionHandler* TXLFunctions::FindFunction(std::string_view name) const
{
    auto it = m_functions.find(UpperCase(name));
    return it == m_functions.end() ? nullptr : &it->second;
}

const TXLVariableHandler* TXLFunctions::FindVariable(std::string_view name) const
{
    auto it = m_variables.find(UpperCase(name));
    return it == m_variables.end() ? nullptr : &it->second;
}

const TXLFunctions& TXLFunctions::Standard()
{
    static const TXLFunctions standard;
    return standard;
}

// --- Cell references --------------------------------------------------------

bool ParseCellReference(std::string_view name, int& col, int& row)
{
    size_t i = 0;
    int64_t c = 0;
    while (i < name.size() && IsLetter(name[i])) {
        c = c * 26 + (Upper(name[i]) - 'A' + 1);
        if (c > INT_MAX)
            return false;
        ++i;
    }
    if (i == 0 || i == name.size())
        return false;
    int64_t r = 0;
    for (size_t j = i; j < name.size(); ++j) {
        if (!IsDigit(name[j]))
            return false;
        r = r * 10 + (name[j] - '0');
        if (r > INT_MAX)
            return false;
    }
    if (r < 1)
        return false;
    col = int(c - 1);
    row = int(r - 1);
    return true;
}

// --- Calculator -------------------------------------------------------------

TXLCalculator::TXLCalculator(TXLCalcHost* host)
    : m_host(host), m_decimal(Formats().DecimalSeparator)
{
}

Variant TXLCalculator::Evaluate(std::string_view text)
{
    Variant result;
    Evaluate(text, result);
    return result;
}

void TXLCalculator::Evaluate(std::string_view text, Variant& result)
{
    result = Variant();
    m_text = text;
    m_pos = 0;
    m_depth = 0;
    m_ended = false;
    Next();
    if (m_tok == Tok::End)
        return;
    Variant v = Expression();
    if (m_tok != Tok::End)
        SyntaxError("Unexpected End");
    if (!m_checkOnly)
        result = std::move(v);
}

int TXLCalculator::CharPosition() const
{
    // Offsets count characters, not the bytes of their UTF-8 form.
    int n = 0;
    for (size_t i = 0; i < m_pos && i < m_text.size(); ++i)
        if ((static_cast<unsigned char>(m_text[i]) & 0xC0) != 0x80)
            ++n;
    return n;
}

void TXLCalculator::SyntaxError(const char* detail) const
{
    std::string message = "Syntax Error";
    if (detail) {
        message += ": ";
        message += detail;
    }
    throw EXLSyntax(message, CharPosition());
}

void TXLCalculator::Enter()
{
    if (++m_depth > m_maxDepth)
        SyntaxError("Nesting Too Deep");
}

void TXLCalculator::Next()
{
    // Once the text has ended (also at a character that is no token) every
    // further token is the end.
    if (m_ended)
        return;
    while (m_pos < m_text.size() && m_text[m_pos] == ' ')
        ++m_pos;
    m_tokText.clear();
    if (m_pos >= m_text.size()) {
        m_tok = Tok::End;
        m_ended = true;
        return;
    }
    char c = m_text[m_pos];
    auto op = [this](Op o, size_t len) {
        m_tok = Tok::Op;
        m_op = o;
        m_pos += len;
    };
    char next = m_pos + 1 < m_text.size() ? m_text[m_pos + 1] : '\0';
    if (c == ArgSeparator()) {
        m_tok = Tok::Sep;
        ++m_pos;
    } else if (c == ',' || c == ';') {
        m_tok = Tok::BadSep;
        ++m_pos;
    } else if (IsDigit(c)) {
        ScanNumber();
    } else if (c == '#' || c == '\'' || c == '^') {
        ScanString();
    } else if (IsLetter(c) || c == '_' || c == '$') {
        ScanName();
    } else {
        switch (c) {
        case '(': m_tok = Tok::Open; ++m_pos; break;
        case ')': m_tok = Tok::Close; ++m_pos; break;
        case '*': op(Op::Mul, 1); break;
        case '/': op(Op::Div, 1); break;
        case '+': op(Op::Add, 1); break;
        case '-': op(Op::Sub, 1); break;
        case '=': op(Op::Eq, 1); break;
        case '<':
            if (next == '=')
                op(Op::Le, 2);
            else if (next == '>')
                op(Op::Ne, 2);
            else
                op(Op::Lt, 1);
            break;
        case '>':
            if (next == '=')
                op(Op::Ge, 2);
            else
                op(Op::Gt, 1);
            break;
        default:
            // Any other character ends the expression; it is consumed whole
            // (all bytes of a multi-byte character).
            ++m_pos;
            while (m_pos < m_text.size() && (static_cast<unsigned char>(m_text[m_pos]) & 0xC0) == 0x80)
                ++m_pos;
            m_tok = Tok::End;
            m_ended = true;
            break;
        }
    }
}

void TXLCalculator::ScanNumber()
{
    size_t start = m_pos;
    auto digits = [this] {
        while (m_pos < m_text.size() && IsDigit(m_text[m_pos]))
            ++m_pos;
    };
    digits();
    size_t intEnd = m_pos;
    bool integral = true;
    if (m_pos < m_text.size() && m_text[m_pos] == m_decimal) {
        integral = false;
        ++m_pos;
        digits();
    }
    size_t mantEnd = m_pos;
    if (m_pos < m_text.size() && (m_text[m_pos] == 'e' || m_text[m_pos] == 'E')) {
        size_t p = m_pos + 1;
        if (p < m_text.size() && (m_text[p] == '+' || m_text[p] == '-'))
            ++p;
        if (p < m_text.size() && IsDigit(m_text[p])) {
            integral = false;
            m_pos = p;
            digits();
        }
    }
    std::string text(m_text.substr(start, m_pos - start));
    if (!integral && mantEnd > intEnd)
        text[intEnd - start] = '.';
    m_tok = Tok::Number;
    if (integral) {
        int64_t v = 0;
        auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (ec == std::errc() && ptr == text.data() + text.size() && v <= INT32_MAX) {
            m_number = Variant(int32_t(v));
            return;
        }
    }
    double d = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
    if (ec == std::errc::result_out_of_range) {
        // Tell underflow (a zero) from overflow by the decimal exponent of
        // the leading significant digit.
        int64_t exp10 = 0;
        size_t i = 0;
        while (i < text.size() && (text[i] == '0' || text[i] == '.'))
            ++i;
        size_t dot = text.find('.');
        size_t mantissaEnd = text.find_first_of("eE");
        if (mantissaEnd == std::string::npos)
            mantissaEnd = text.size();
        if (dot == std::string::npos || dot > mantissaEnd)
            dot = mantissaEnd;
        exp10 = i < dot ? int64_t(dot - i) : -int64_t(i - dot);
        if (mantissaEnd < text.size()) {
            size_t p = mantissaEnd + 1;
            bool negative = text[p] == '-';
            if (text[p] == '+' || text[p] == '-')
                ++p;
            int64_t e = 0;
            for (; p < text.size(); ++p)
                e = std::min<int64_t>(e * 10 + (text[p] - '0'), 100000);
            exp10 += negative ? -e : e;
        }
        if (exp10 > 0)
            throw EVariantError("Number out of range: " + text.substr(0, 40));
        d = 0;
    } else if (ec != std::errc()) {
        throw EVariantError("Invalid number: " + text.substr(0, 40));
    }
    m_number = Variant(d);
}

void TXLCalculator::ScanString()
{
    m_tok = Tok::String;
    while (m_pos < m_text.size()) {
        char c = m_text[m_pos];
        if (c == '#') {
            ++m_pos;
            if (m_pos >= m_text.size() || !IsDigit(m_text[m_pos]))
                SyntaxError("Invalid String Constant");
            uint32_t code = 0;
            bool tooBig = false;
            while (m_pos < m_text.size() && IsDigit(m_text[m_pos])) {
                code = code * 10 + uint32_t(m_text[m_pos] - '0');
                if (code > 65535) {
                    tooBig = true;
                    code = 65536;
                }
                ++m_pos;
            }
            if (tooBig)
                SyntaxError("Invalid String Constant");
            if (code >= 0xD800 && code <= 0xDFFF)
                m_tokText += '?';  // a lone surrogate has no character of its own
            else
                AppendUtf8(m_tokText, code);
        } else if (c == '^') {
            ++m_pos;
            if (m_pos >= m_text.size() || !IsLetter(m_text[m_pos]))
                SyntaxError("Invalid Character Constant");
            m_tokText += char(Upper(m_text[m_pos]) - 64);
            ++m_pos;
        } else if (c == '\'') {
            ++m_pos;
            for (;;) {
                if (m_pos >= m_text.size() || static_cast<unsigned char>(m_text[m_pos]) < '!')
                    SyntaxError("Unterminated String");
                if (m_text[m_pos] == '\'') {
                    ++m_pos;
                    // A doubled quote stands for one quote character.
                    if (m_pos < m_text.size() && m_text[m_pos] == '\'') {
                        m_tokText += '\'';
                        ++m_pos;
                        continue;
                    }
                    break;
                }
                m_tokText += m_text[m_pos++];
            }
        } else {
            break;
        }
    }
}

void TXLCalculator::ScanName()
{
    size_t start = m_pos++;
    while (m_pos < m_text.size()) {
        char c = m_text[m_pos];
        if (!(IsLetter(c) || IsDigit(c) || c == '$' || c == ':'))
            break;
        ++m_pos;
    }
    std::string_view name = m_text.substr(start, m_pos - start);
    if (name.front() == '$' || name.find(':') != std::string_view::npos) {
        m_tok = Tok::RefText;
        m_tokText = std::string(name);
        return;
    }
    std::string upper = UpperCase(name);
    static const struct {
        const char* word;
        Op op;
    } words[] = {{"DIV", Op::IntDiv}, {"MOD", Op::Mod}, {"SHL", Op::Shl},
                 {"SHR", Op::Shr},    {"NOT", Op::Not}, {"OR", Op::Or}};
    for (const auto& w : words) {
        if (upper == w.word) {
            m_tok = Tok::Op;
            m_op = w.op;
            return;
        }
    }
    m_tok = Tok::Name;
    m_tokText = std::move(upper);
}

Variant TXLCalculator::Expression()
{
    Variant a = Simple();
    if (m_tok == Tok::Op && (m_op == Op::Eq || m_op == Op::Ne || m_op == Op::Lt || m_op == Op::Gt ||
                             m_op == Op::Le || m_op == Op::Ge)) {
        Op op = m_op;
        Next();
        Variant b = Simple();
        if (m_checkOnly)
            return a;
        int c = detail::VarCompare(a, b);
        bool r = false;
        switch (op) {
        case Op::Eq: r = c == 0; break;
        case Op::Ne: r = c != 0; break;
        case Op::Lt: r = c < 0; break;
        case Op::Gt: r = c > 0; break;
        case Op::Le: r = c <= 0; break;
        default: r = c >= 0; break;
        }
        return Variant(r);
    }
    return a;
}

Variant TXLCalculator::Simple()
{
    Variant a = Term();
    while (m_tok == Tok::Op && (m_op == Op::Add || m_op == Op::Sub || m_op == Op::Or)) {
        Op op = m_op;
        Next();
        Variant b = Term();
        if (m_checkOnly)
            continue;
        if (op == Op::Add)
            a = detail::VarAdd(a, b);
        else if (op == Op::Sub)
            a = detail::VarSub(a, b);
        else
            a = detail::VarOr(a, b);
    }
    return a;
}

Variant TXLCalculator::Term()
{
    Variant a = Factor();
    while (m_tok == Tok::Op && (m_op == Op::Mul || m_op == Op::Div || m_op == Op::IntDiv || m_op == Op::Mod ||
                                m_op == Op::Shl || m_op == Op::Shr)) {
        Op op = m_op;
        Next();
        Variant b = Factor();
        if (m_checkOnly)
            continue;
        switch (op) {
        case Op::Mul: a = detail::VarMul(a, b); break;
        case Op::Div: a = detail::VarDivide(a, b); break;
        case Op::IntDiv: a = detail::VarIntDiv(a, b); break;
        case Op::Mod: a = detail::VarMod(a, b); break;
        case Op::Shl: a = detail::VarShl(a, b); break;
        default: a = detail::VarShr(a, b); break;
        }
    }
    return a;
}

Variant TXLCalculator::Factor()
{
    if (m_tok == Tok::Op && (m_op == Op::Not || m_op == Op::Add || m_op == Op::Sub)) {
        Op op = m_op;
        Enter();
        Next();
        Variant v = Factor();
        Leave();
        if (m_checkOnly || op == Op::Add)
            return v;
        return op == Op::Not ? detail::VarNot(v) : detail::VarNeg(v);
    }
    return Primary();
}

Variant TXLCalculator::Primary()
{
    Variant v;
    switch (m_tok) {
    case Tok::Open:
        Enter();
        Next();
        v = Expression();
        if (m_tok != Tok::Close)
            SyntaxError("Missing ')'");
        Next();
        Leave();
        return v;
    case Tok::Number:
        v = m_number;
        Next();
        return v;
    case Tok::String:
    case Tok::RefText:
        v = Variant(m_tokText);
        Next();
        return v;
    case Tok::Name: {
        std::string name = m_tokText;
        Next();
        if (m_tok == Tok::Open)
            return Call(name);
        return Variable(name);
    }
    default:
        SyntaxError();
    }
}

Variant TXLCalculator::Variable(const std::string& name)
{
    Variant result = Variant::Null();
    const TXLFunctions& registry = m_host ? m_host->Functions() : TXLFunctions::Standard();
    if (const TXLVariableHandler* handler = registry.FindVariable(name))
        (*handler)(m_host, result);
    if (result.IsNull() && m_host)
        m_host->OnVariableEvent(name, result);
    if (result.IsNull() && m_host)
        m_host->DoVariable(name, result);
    if (result.IsNull())
        throw EXLUnknown("Unknown Identifier: " + name, CharPosition());
    return result;
}

Variant TXLCalculator::Call(const std::string& name)
{
    Enter();
    Next();  // the "("
    std::vector<Variant> params;
    for (;;) {
        params.push_back(Expression());
        if (m_tok != Tok::Sep)
            break;
        if (params.size() == 10)
            SyntaxError("Too Many Parameters");
        Next();
    }
    if (m_tok != Tok::Close)
        SyntaxError("Missing ')'");
    Next();
    Leave();

    Variant result = Variant::Null();
    const TXLFunctions& registry = m_host ? m_host->Functions() : TXLFunctions::Standard();
    if (const TXLFunctionHandler* handler = registry.FindFunction(name))
        (*handler)(m_host, params, result);
    if (result.IsNull() && m_host)
        m_host->OnFunctionEvent(name, params, result);
    if (result.IsNull() && m_host)
        m_host->DoFunction(name, params, result);
    if (result.IsNull())
        throw EXLUnknown("Unknown Identifier: " + name + "()", CharPosition());
    return result;
}

}  // namespace xlgrid
