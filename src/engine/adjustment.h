#pragma once
// The teacher's constraints from the roster's 调整 column, for the balanced
// deal: pins to a class, 同 groups (one class), 分 groups (different
// classes) and 关注 flags (spread evenly).
//
// A cell holds entries separated by blanks, commas, 、 or ；. An entry is a
// class number k (1 <= k <= ClassCount), a class name (the class prefix
// followed by "(k)班", or "(k)班" alone), 同 or 分 followed by a label, or
// 关注 or *. Full-width digits, parentheses and the full-width star read as
// their plain forms, so "（３）班" is "(3)班". Groups join through shared
// members: a student marked 同A 同B makes A and B one group.

#include "engine/dealstrategy.h"

#include <string>
#include <vector>

namespace engine {

struct TStudentAdjustment {
    int Pin = -1;  // class index (0 is class 1), -1 when not pinned
    bool Flagged = false;
};

struct TLabelGroup {
    std::string Label;         // the label as written first
    std::vector<int> Members;  // student indices, ascending
};

struct TAdjustments {
    std::vector<TStudentAdjustment> Students;  // one per input student
    std::vector<TLabelGroup> Same;             // 同 groups of two or more, after joining
    std::vector<TLabelGroup> Apart;            // 分 groups of two or more
    // Every problem, one line each, CR-separated; the deal goes ahead only
    // when it is empty.
    std::string Problems;
};

// Reads the 调整 column (none: every student free) and checks what the
// constraints ask against the class count and the sizes the hard rules
// allow. Row messages look like the roster check's: "H12:调整列的内容无法识别".
TAdjustments ReadAdjustments(const TDealInput& input);

// The largest class, boys and girls counts the hard rules allow: the counts
// divided by the classes, rounded up.
struct TClassLimits {
    int Size = 0, Boys = 0, Girls = 0;
};
TClassLimits ClassLimits(const TDealInput& input);

}  // namespace engine
