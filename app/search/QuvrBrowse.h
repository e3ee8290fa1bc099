// Browsing one catalogue type: its tadpole statistics, chiral content stack by stack,
// brane identity, hypercharge and extra U(1)s, where it was first found, and (for
// "browse standard_model") a rebuilt realisation checked against the type.
//
// Representation codes per stack: 0 trivial, 1 vector, 2 symmetric, 3 anti-symmetric,
// negative the conjugates.
#pragma once

#include <string>

void resetQuvrBrowse();
void BrowseQUVR(int type);
void BrowseGeneric(int type, int tensorCode, int MIPF, int orientifold, int a, int b, int c, int d, int Hd, int Hu,
                   int infoLevel);
void PrintFullQUVRData(const int* record);
void PrintDim(int multiplicity, int n, const int* reps, const int* flags, int mode, const int* charges1,
              const int* charges2);
void PrintRecombinedDim(int multiplicity, int n, const int* reps, const int* map, const int* record);
// The representation codes of chiral entry 8 + k of a record on the four stacks.
void BraneReps(int entry, int reps[4]);
// "x = %d\n" or "x = %d/%d\n" for x = (6 x_a + 2 N) / (6 N), N the norm.
std::string xParameterText(int xa, int norm);
// "Boundary states: ..." line of a record (three or four stacks).
std::string boundaryStatesText(const int* record);
