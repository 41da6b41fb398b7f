#pragma once
// The dealing step of the division: which class each student goes to.
//
// The division ranks each sex and hands a strategy both dealing orders; the
// strategy answers with a class index for every student. Counting,
// numbering and filling the class lists stay with the division, so another
// strategy (a balanced mode, roster constraints) plugs in here without
// touching the records or the result sheets.

#include <memory>
#include <span>
#include <vector>

namespace engine {

struct TStuData;

struct TDealPlan {
    std::vector<int> BoyClass;   // class index (0-based) per boy, in dealing order
    std::vector<int> GirlClass;  // the same for the girls
};

class IDealStrategy {
public:
    virtual ~IDealStrategy() = default;
    // boys: highest key first; girls: lowest key first; classCount >= 1.
    virtual TDealPlan Deal(std::span<const TStuData* const> boys,
                           std::span<const TStuData* const> girls, int classCount) const = 0;
};

// The default: each sex dealt round the classes 1, 2, ..., N, 1, 2, ...,
// each pass starting again at class 1.
class TCyclicDeal : public IDealStrategy {
public:
    TDealPlan Deal(std::span<const TStuData* const> boys, std::span<const TStuData* const> girls,
                   int classCount) const override;
};

}  // namespace engine
