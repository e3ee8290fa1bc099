// Classification of a brane-stack candidate held in `SM`: hypercharge and the c and d
// generators, the quark and lepton counts, the storage of found model types (the run's
// type collection and the ".pre_models" lines), the model-record conversions, the
// conjugation variants and the spectrum code, and the small routines the catalogue tools
// share (orientability, the tensor product of a catalogue entry, the tadpole-scan skip).
//
// Charges are integers in units of 1/norm: Y = (y_a Q_a + y_b Q_b + y_c Q_c + y_d Q_d)/norm.
#pragma once

#include <array>
#include <cstdio>
#include <string>

#include "search/SearchSM.h"

// One model record in catalogue layout (87 words; a run row uses the first 86).
using ModelRow = std::array<int, 87>;

// Hypercharge and three-stack determination.
int computeY(int store);
int verifySpectrum();
int computeQuarkAndLeptonCharges(int store);
void setThreeStack(int four);

// Found-model analysis and storage.
int countQuarksAndLeptons(int store, int keepCharges);
int storeSMdata();
int checkSMForTachyons();
int writeStandardModelInfo();
ModelRow copyStandardModelToModelsFormat(const StandardModel& model);
void copyModelsFormatToStandardModel(StandardModel* model, const int* record, int number);
int LocalU1Equations(StandardModel* model, int equationsOnly);
int CheckOrientability(const int* groupTypes, const int* A, const int* S, const int* Gamma, const int* Delta,
                       int n);
unsigned buildCY(unsigned code);
int alreadyDone(int status, int skip, const char* name);
void PrintGenerator(char letter, int n, const int* eigenvalues, const int* multiplicities, int norm, int indent);
// "Generator T_c: (...)/norm" (at most 80 characters).
std::string GeneratorString(char letter, int n, const int* coefficients, const int* sizes, int norm);
// The spectrum analysis of `SM` (nr -1: no model number; warn adds the warning line).
void printCPD(FILE* stream, int nr, int warn);

// Conjugation variants (48-int profiles) and the one-word spectrum code of model files.
void Conjugate_c(const StandardModel& model, int* profile);
void Conjugate_d(const StandardModel& model, int* profile);
void Interchange_cd(const StandardModel& model, int* profile);
std::string spectrumCode(int tadpoleIndicator, int modelNumber);

// The run's collection of model types (rows of 86 words, identified by the first 56):
// emptied by the search driver at the start of a case, filled by storeSMdata, read by the
// catalogue merge.
void initRunTypeCollection();
int runTypeCount();
// Row of in-run type number (1-based); nullptr outside the collection.
const int* runTypeRow(int typeNumber);

// False only while this module is a stand-in (tests of later modules skip on it).
bool modelAnalysisBuilt();
