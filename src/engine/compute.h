#pragma once
// Filling a division from a checked roster and the settings, as the compute
// command does between the roster check and Divide.

#include "engine/divideclasses.h"
#include "engine/rostercheck.h"

namespace engine {

// Headers := the trimmed texts of row 1, Data := those of rows 2.. of the
// roster, Columns := the roles found; the settings are read from the store
// afresh (ClassCount below 1 becomes 1).
void FillDivision(TDivideClasses& division, const IRosterSheet& roster, const TConfigStore& config,
                  const TRosterColumns& columns, const TSortField& sortField);

}  // namespace engine
