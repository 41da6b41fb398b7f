#pragma once
// The records of a division: one student, one class (or the whole grade),
// and the two orderings of students by sort key.

#include "engine/dlist.h"
#include "engine/textrules.h"

#include <string>
#include <string_view>
#include <vector>

namespace engine {

// The student rows' texts, [row][column]; every row as long as the roster is wide.
using MatrxS2 = std::vector<std::vector<std::string>>;

// Sign of x - y (ascending) or y - x (descending); 0 when the difference is
// not a finite number, as an arithmetic error counted as equal.
int CompareAscending(double x, double y);
int CompareDescending(double x, double y);

struct TStuData {
    std::vector<std::string> Fields;  // trimmed roster texts in column order
    double Key = 0;
    std::string ClassName;  // "(n)班" once dealt
    std::string StudentID;  // without prefix; empty when numbering is off
};

struct TSeat {
    std::string Text[3];
};

struct TClassData {
    std::string Name;
    int BoyCount = 0;
    int GirlCount = 0;
    int Count = 0;
    double Total = 0;
    TDList Students{false, CompareAscending};
    std::vector<TSeat> Seats;  // reserved: seats are never arranged
};

// Sort key of one text for the sort kind.
double SortKey(std::string_view text, TSortKind sortType);

}  // namespace engine
