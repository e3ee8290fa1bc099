// The tadpole solver of the current bulk invariant and orientifold.
#pragma once

// Once per bulk invariant: the per-boundary tadpole tables, sized from the search record;
// returns the bulk stamp they belong to. STAND-IN (TadpoleStandIns.cpp) until the solver
// is built.
int allocTadpoleInfo();
