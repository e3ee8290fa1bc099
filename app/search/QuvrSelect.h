// Selection of model types from the catalogue "Models.list": the requirements the user
// states (ranges of x, group type, size, tensor counts and hypercharge per stack; tensor
// content and pair identification; mirror counts, universality and extra U(1)s), their
// display, and the run that writes the passing types to "Selected_Models" (a command file
// browsing each) and "Selected_SM.list" (their records) in the work folder.
//
// Rows of the range tables: 0 "x" (stack a only), 1 "G" group code, 2 "N" size, 3 "S"
// symmetric tensors, 4 "A" anti-symmetric tensors, 5 "Y" hypercharge coefficient in units
// where the norm is 6. -1000000..1000000 is the unconstrained range. Particle types 0-5:
// singlet neutrinos, quark doublets, up quarks, down quarks, lepton doublets, charged
// leptons. The requirements live for the run; resetQuvrSelect() restores the start values.
#pragma once

#include <string>

inline constexpr int kQuvrUnbounded = 1000000;
inline constexpr int kQuvrMaxTypes = 40000;

void initializeQuvrSelect();
void resetQuvrSelect();

void Set_QUVR_range(int row, int stack, int min, int max);
void Set_QUVR_mirror(int type, int min, int max);
void Set_QUVR_Uni(int type, int value);
void Set_QUVR_Zprime(int n);
// Both ends of one range (row, stack), for tests and the show.
void get_QUVR_range(int row, int stack, int* min, int* max);
void get_QUVR_mirror(int type, int* min, int* max);
int get_QUVR_Uni(int type);
int get_QUVR_Zprime();
int get_QUVR_requirement(int stack);
int get_QUVR_identification(int pair);

// "U3U2U1U1"-style group string; nullptr or "" counts as no factor.
void SelectQUVR(const char* group);
void SelectQUVRSpectrum(const char* code);
void SelectQUVR_ID(const char* id);
void ResetQUVRSpectrumCriteria();
// One factor (letter and size) from the start of text; the characters read, 0 on failure.
int DetermineCPGroupFactor(const char* text, int* code, int* size);

std::string get_QUVR_parameter_name(int row, int stack);
void Print_QUVR_parameter_range(int row, int stack);
void PrintMirrorBounds(int type);
void PrintUnivalues(int type);
void Show_QUVR_parameters();

// "select QUVR execute": locates the catalogue and runs the selection into the work folder.
void SelectQUVRmodel();
// The run on a catalogue file, writing the two files into folder (ending in "/"); the
// number of passing types, or -1 when the catalogue cannot be opened.
int selectQUVRFromFile(const std::string& catalogue, const std::string& folder);
// The x class of a record and whether it passes every requirement (x class given).
int QUVRxClass(const int* record, int* orientable);
bool QUVRRecordPasses(const int* record, int xClass);
// One record as a line of "Selected_SM.list" (and "ModelsNEW.list").
std::string QUVRRecordLine(const int* record);
// The pseudo-orientability test of a profile (n stacks); 1 or 0.
