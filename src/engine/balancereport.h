#pragma once
// How balanced a division came out, measured from the classes alone: the
// figures of every balanced column, sizes and sexes, the spread of schools,
// regions and flagged students, the constraints kept, and every broken rule
// (the one checker both the report and the tests use).

#include "engine/adjustment.h"
#include "engine/balanceddeal.h"
#include "engine/divideclasses.h"

#include <string>
#include <vector>

namespace engine {

struct TColumnFigures {
    std::string Header;
    double MeanRange = 0, MeanSD = 0, Floor = 0;  // of the class means
    double SDRange = 0;                           // of the within-class standard deviations
    bool AtFloor = false;
};

struct TOriginSpread {
    int Spread = -1;     // largest count minus smallest over the classes; -1 without the column
    std::string Name;    // the school or region with that spread
    std::string Cause;   // the constraint that forces a spread above 1; empty when none does
};

struct TBalanceFigures {
    std::vector<TColumnFigures> Columns;
    int MinSize = 0, MaxSize = 0, MinBoys = 0, MaxBoys = 0, MinGirls = 0, MaxGirls = 0;
    TOriginSpread School, Region;
    int FlagSpread = -1;  // -1 without flagged students
    bool HasAdjustments = false;
    int Pins = 0, PinsKept = 0, Same = 0, SameKept = 0, Apart = 0, ApartKept = 0;
    // Broken hard rules and constraints, one line each.
    std::vector<std::string> Breaches;
    // Schools or regions spread over 1 with no constraint forcing it.
    std::vector<std::string> OriginBreaches;
    bool Optimal = false;  // every range at its floor and nothing broken
};

// classOf: the class of every input student.
TBalanceFigures MeasureBalance(const TDealInput& input, const std::vector<int>& classOf, const TAdjustments& adj);

// The report's lines; search is the balanced run (null for the cyclic deal).
std::string BalanceReportText(const TBalanceFigures& figures, const TSearchOutcome* search);

// The figures of a finished division (constraints counted when its 调整
// column reads cleanly).
TBalanceFigures DivisionFigures(const TDivideClasses& division);

// The report of a finished division, as `fenban divide --report` prints it
// after the overview and the desktop shows it after compute.
std::string DivisionReport(const TDivideClasses& division, const TSearchOutcome* search);

// The class mean of every balanced column, per class and for the grade
// (last), NaN where a class has no value: the overview's extra columns in
// balanced mode.
struct TBalancedMeans {
    std::vector<std::string> Headers;
    std::vector<std::vector<double>> Means;  // [column][class], the grade last; NaN when none
};
TBalancedMeans BalancedMeans(const TDivideClasses& division);

}  // namespace engine
