#pragma once
// The sheet component raises EXLGridError with fixed English texts; the
// formula errors derive from it.

#include <stdexcept>
#include <string>

namespace xlgrid {

class EXLGridError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EXLFormula : public EXLGridError {
public:
    using EXLGridError::EXLGridError;
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
