#pragma once
// TDivideClasses: the division engine. Filled with the roster's texts and
// the settings, divided once, then read by the result sheets and exports.
//
// Ownership: each student exists once as a TStuData, owned by the Students
// list of its class; Grade.Students holds the same records without owning
// them. The engine is moved, never copied.

#include "engine/dealstrategy.h"
#include "engine/studata.h"

#include <memory>
#include <string>
#include <vector>

namespace engine {

class TDivideClasses {
public:
    TDivideClasses();

    MatrxS2 Data;
    std::vector<std::string> Headers;  // the roster's trimmed header texts; may be empty
    std::vector<TClassData> Classes;   // index 0 is class 1
    TClassData Grade;
    int ClassCount = 1;
    std::string ClassPrefix;
    TRosterColumns Columns;  // the roles the roster check found: sort, sex, school, ...
    TSortKind SortType = skNone;
    bool CreateStudentID = false;
    std::string StudentIDPrefix;
    bool SexPrefix = false;
    bool CreateSeats = false;

    // Replaces the dealing step (the cyclic deal by default).
    void SetDealStrategy(std::unique_ptr<IDealStrategy> strategy);

    // Fills Classes and Grade from Data and the settings; called once.
    // Throws EDealPlanError, with Classes and Grade untouched, when the
    // strategy's plan is not sound.
    void Divide();

private:
    std::unique_ptr<IDealStrategy> m_deal;
};

// "(n)班" for class n counted from 1.
std::string ClassLabel(int n);
// n and m each written with at least two digits; "1" (boys) or "0" (girls)
// in front when the sex digit is asked for.
std::string StudentNumber(int classNumber, int place, bool sexPrefix, bool boy);

}  // namespace engine
