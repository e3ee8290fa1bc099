// The heterotic and type-II readings of the current string spectrum ("browse heterotic",
// "browse type-II"): supersymmetry multiplets, gauge group, massless matter, its
// decomposition by bulk pair, and the tachyonic multiplets.
#pragma once

#include <string>

#include "lie/Branching.h"
#include "strings/StringTheory.h"

// The multiplet lines of a class matrix T: "%d x (%s,%s)\n" for two supersymmetric halves,
// "Multiplet (0,%s):  " with the gauge representation when one half carries the gauge
// algebra (sector letters L and R). Number of lines; -1 without a matrix.
int printHeteroticMultiplet(std::string* text, const SpaceTimeSymmetry* st, const int T[4][4]);
// The multiplets of every massless bulk pair outside the chiral algebras, with the
// contributions of each pair to the class sectors.
void analyseMasslessSpectrum(const StringBlock* spectrum, const SpaceTimeSymmetry* st);
// The multiplets of every tachyonic bulk pair with its mass; 1 when one was printed.
int analyseTachyonSpectrum(const StringBlock* spectrum, const SpaceTimeSymmetry* st);
// The gauge-group line of the gauge half (its extended algebra type and rank), with the
// implicit E8, the free tensor factors and the unidentified currents.
std::string PrintGaugeGroup(const StringBlock* spectrum, const ChiralExtension* gauge, int type,
                            int rank);
// Forgets the remembered pair of supersymmetry types and prints the record's multiplets.
void printSusyMultiplets(const SpaceTimeSymmetry* st);
// 0 after the listing, 1 when there is nothing to show.
int BrowseHeterotic(int flipped, int decomposition);
int BrowseTypeII(int sign, int decomposition);
