// The standard-model hooks of the tadpole solver (header, acceptance, analysis), the
// detailed print of a candidate and its coupling analysis, and the statistics of the
// symmetries the axions leave. A scan installs the hooks and restores the solver's
// defaults when it ends.
#pragma once

struct ChanPatonData;
struct StandardModel;

void resetSearchTadpoleHooks();
// Installs printGenericSMHeader, checkGenericSM and analyseGenericSM in the solver.
void installStandardModelHooks();
int printGenericSMHeader();
int checkGenericSM(ChanPatonData* cpd);
int analyseGenericSM(ChanPatonData* cpd);
int analyseGenericSM_with_instantons(ChanPatonData* cpd);
void printDetailedStandardModelData(StandardModel* record, int Hd, int Hu, int mode);
int analyseCouplings(ChanPatonData* cpd, StandardModel* record, int order, int Hd, int Hu);
void computeAxionNullVectorInfo(ChanPatonData* cpd);
// The symmetry statistics of a scan: started empty, printed at its end when collected.
void initNullVectorStatistics();
void printAxionSymmetryStatistics();
// Zero modes between instanton brane m and the active boundaries after the first four:
// I(m, x*) + I(m*, x*) (the second only for m* != m), and for x* != x also I(m, x) +
// I(m*, x) (again the second only for m* != m). intersection(p, q) is the full
// intersection; conjugate(x) the orientifold image.
int hiddenInstantonZeroModes(int m, const ChanPatonData& cpd, int (*intersection)(int, int),
                             int (*conjugate)(const ChanPatonData&, int));
