#pragma once
// The sheet component raises EXLGridError with fixed English texts; every
// error of the component derives from it, so one handler catches them all:
// the formula errors below (which carry the offset, in characters, of the
// parse position where the formula failed), the variant conversion error
// (variant.h), the arithmetic errors (calculator.h), the text encoding error
// (encoding.h) and the stream errors (binstream.h).

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
