#pragma once
// The balanced deal: classes alike in the means of the ranking column and
// of every other numeric column and in the spread of the ranking column
// inside each class, with the 调整 column's constraints kept and the origin
// schools, regions and flagged students spread evenly.
//
// Hard rules, never broken: class sizes, boys and girls each differ by at
// most 1 between classes; pins, 同 groups and (as far as the pins allow) 分
// groups are kept. The search is deterministic: the same input and seed
// give the same plan on every machine; it stops at the floor (every mean
// range as small as integer scores allow) or after a fixed amount of work,
// and only the time limit, which caps a slow machine, can cut it earlier.

#include "engine/adjustment.h"
#include "engine/dealstrategy.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace engine {

struct TBalancedOptions {
    std::uint64_t Seed = 1;
    double TimeLimit = 2;        // seconds of processor time the search may take
    bool SpreadOrigins = true;   // spread the 学校 and 地区 columns
    std::uint64_t Work = 0;      // moves and exchanges looked at; 0 for the default budget
};

// How a search went, for the balance report.
struct TSearchOutcome {
    std::uint64_t Seed = 1;
    double Seconds = 0;  // as the clock on the wall counts them
    std::uint64_t Work = 0;  // moves and exchanges looked at
    bool CutByTime = false;
    bool AtFloor = false;
};

// The roster cannot be divided as its 调整 column asks; what() holds every
// problem, one line each, CR-separated.
class EBalancedRefusal : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TBalancedDeal : public IDealStrategy {
public:
    // outcome, when given, receives how each Deal went.
    explicit TBalancedDeal(TBalancedOptions options = {}, TSearchOutcome* outcome = nullptr)
        : m_options(options), m_outcome(outcome)
    {
    }
    // Throws EBalancedRefusal, before any search, when the constraints
    // cannot be met.
    TDealPlan Deal(const TDealInput& input) const override;

private:
    TBalancedOptions m_options;
    TSearchOutcome* m_outcome;
};

// The balanced deal's check before the run, alone: throws EBalancedRefusal
// when the constraints cannot be met, as Deal would.
void CheckBalancedInput(const TDealInput& input);

// For checking a roster as the balanced deal would: refuses what it would
// refuse and otherwise deals cyclically (a division to check, not to keep).
class TBalancedCheck : public IDealStrategy {
public:
    TDealPlan Deal(const TDealInput& input) const override;
};

// A column whose class means are balanced: the ranking column first (its
// values are the sort keys), then the other numeric columns in roster
// order (roles and the ID column excluded). Values are integers scaled by
// 10^Decimals; a blank cell holds the column's rounded mean and is marked.
struct TBalancedColumn {
    int Column = -1;
    std::string Header;
    bool Ranking = false;
    int Decimals = 0;  // negative when values had to be divided to stay exact
    std::vector<std::int64_t> Values;
    std::vector<bool> Blank;
};
std::vector<TBalancedColumn> BalancedColumns(const TDealInput& input);

// The smallest range of class means that integer class sums allow, for a
// column total and the class sizes (differing by at most 1), in scaled units.
double MeanRangeFloor(std::int64_t total, const std::vector<int>& sizes);

}  // namespace engine
