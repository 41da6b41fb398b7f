#include "engine/studata.h"

#include "engine/textrules.h"

#include <cmath>

namespace engine {
namespace {

int Sign(double d)
{
    if (!std::isfinite(d))
        return 0;
    return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

}  // namespace

int CompareAscending(double x, double y) { return Sign(x - y); }

int CompareDescending(double x, double y) { return Sign(y - x); }

double SortKey(std::string_view text, TSortKind sortType)
{
    switch (sortType) {
    case skNumeric:
        return NumberValue(text);
    case skGrade:
        return GradeLevelValue(text);
    case skNone:
        break;
    }
    return 0;
}

}  // namespace engine
