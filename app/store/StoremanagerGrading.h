// NS currents and the grade map of a graded theory: what the tensor layer needs of a
// factor whose fields carry a grade ('N' Neveu-Schwarz, 'R' Ramond) and a grade partner.
#pragma once

struct SpectrumData;

// Builds the record's NS current list (the currents of grade 'N'; every current when the
// theory or `graded` is off) and returns its length: G, or G/2 for a graded theory (with
// Alert 212404 "NS current count error (%d != %d)" when the count differs).
int SM_makeNSCurrents(SpectrumData* sd, int graded);
// The NS current list built by SM_makeNSCurrents (NULL before).
const int* SM_getNSCurrents(const SpectrumData* sd);
// map (2 n entries): the NS fields from map[0], the R fields from map[n], each block in
// field order; nsStart / rStart the block positions of the first non-current field, nNS /
// nR the block lengths. pass counts the calls of a graded theory; from the second pass on
// a grade multiplet gives only its member of smaller index. Returns 0.
int SM_makeGradeMap(SpectrumData* sd, int* map, int* nsStart, int* rStart, int* nNS, int* nR,
                    int* pass);
