#pragma once
// The dealing step of the division: which class each student goes to.
//
// The contract between the division and a strategy:
// - In: a TDealInput with every student who takes part (sex 男 or 女), in
//   roster order: the row's texts, the numbers of the numeric columns, the
//   sex and the sort key; the columns' headers and which of them are
//   numeric; the roles the roster check found; the two ranked orders of the
//   cyclic deal; the class count, the class prefix and the sort kind. The
//   input borrows the division's rows and lives for the call only.
// - Out: a TDealPlan, one placement (student index, class index from 0 to
//   ClassCount-1) per student, in any order. The division checks the plan
//   before it changes anything: a student missing or placed twice, or an
//   index out of range, throws EDealPlanError and leaves the division
//   as it was. Nothing is ever corrected into some class.
// - A strategy chooses classes only. Counts, totals, the order of the
//   students inside each class and their numbers stay with the division: it
//   fills the classes walking BoyOrder and then GirlOrder, so within a class
//   the boys are numbered first in rank order and then the girls, whatever
//   the strategy. The result sheets and exports read the finished classes.
// - Deal is const and gives the same plan for the same input; a strategy's
//   own parameters (a seed, a time limit) are given to its constructor.

#include "engine/rostercheck.h"
#include "engine/textrules.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace engine {

enum TSex : std::uint8_t { sxBoy, sxGirl };

struct TDealStudent {
    int Row = 0;                          // index of the student's row in the division's Data
    std::span<const std::string> Fields;  // the trimmed roster texts, in column order
    // Per column: the value, in a numeric column whose cell is not blank.
    std::vector<std::optional<double>> Values;
    TSex Sex = sxBoy;
    double Key = 0;  // the sort key
};

struct TDealColumn {
    std::string Header;  // the trimmed header text; empty when the division was given none
    // Every student's text in it is a number or blank, and at least one is a number.
    bool Numeric = false;
};

struct TDealInput {
    std::vector<TDealStudent> Students;  // in roster order
    std::vector<TDealColumn> Columns;    // one per roster column
    TRosterColumns Roles;                // the column of each role, -1 when absent
    // Indices into Students: the boys from the highest key to the lowest and
    // the girls from the lowest to the highest, equal keys as the sorted list
    // leaves them.
    std::vector<int> BoyOrder;
    std::vector<int> GirlOrder;
    int ClassCount = 1;  // at least 1
    std::string ClassPrefix;
    TSortKind SortKind = skNone;
};

struct TPlacement {
    int Student = 0;  // index into TDealInput::Students
    int Class = 0;    // 0 is class 1
};

struct TDealPlan {
    std::vector<TPlacement> Placements;
};

// A plan that does not place every student exactly once in a class that exists.
class EDealPlanError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The class index of every student, in the order of input.Students; throws
// EDealPlanError naming the first fault of the plan.
std::vector<int> PlannedClasses(const TDealPlan& plan, const TDealInput& input);

class IDealStrategy {
public:
    virtual ~IDealStrategy() = default;
    virtual TDealPlan Deal(const TDealInput& input) const = 0;
};

// The default: each sex dealt round the classes 1, 2, ..., N, 1, 2, ...,
// in its ranked order, each pass starting again at class 1.
class TCyclicDeal : public IDealStrategy {
public:
    TDealPlan Deal(const TDealInput& input) const override;
};

}  // namespace engine
