#pragma once
// The sheet component raises EXLGridError with fixed English texts; the
// formula errors derive from it and carry the offset (in characters) of the
// parse position where the formula failed.

#include <stdexcept>
#include <string>

namespace xlgrid {

class EXLGridError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EXLFormula : public EXLGridError {
public:
    explicit EXLFormula(const std::string& message, int position = 0)
        : EXLGridError(message), m_position(position)
    {
    }
    int Position() const noexcept { return m_position; }

private:
    int m_position;
};

class EXLSyntax : public EXLFormula {
public:
    using EXLFormula::EXLFormula;
};

class EXLUnknown : public EXLFormula {
public:
    using EXLFormula::EXLFormula;
};

class EXLCircular : public EXLFormula {
public:
    using EXLFormula::EXLFormula;
};

}  // namespace xlgrid
