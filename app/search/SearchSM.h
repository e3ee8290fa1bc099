// The standard-model search: the candidate record every tool of the search shares, the
// settings it reads, and the search set-up of the current bulk invariant (`SearchData`,
// the boundary and orientifold preselections, the susy switch of the search).
//
// Representation. `SM` is the candidate being built, analysed or read back; `SM2`, `SMc`
// and `SMx` are work copies. Pairs of stacks are always in the order (a,b), (a,c), (a,d),
// (b,c), (b,d), (c,d). The search record is rebuilt lazily when the bulk invariant's
// version number changes, and only then; its boundary map grows only.
//
// State lives for the run; resetSearchSM() restores the state right after
// initializeSearchSM().
#pragma once

#include <string>
#include <vector>

#include "strings/Intersections.h"

struct ChanPatonData;

struct StandardModel {
  int tensorCode = 0;  // -1: not tied to a tensor product
  int MIPF = 0;
  int orientifold = 0;
  int inputBoundaries[4] = {};
  int recombinedBoundaries[4] = {};
  int recombinedMultiplicities[4] = {};
  int recombinedCount = 0;
  int branes[8] = {};  // a, a*, b, b*, c, c*, d, d*; d = -1 with three stacks
  int multiplicities[4] = {};
  int groupTypes[4] = {};  // 0 U, 1 O, -1 Sp, 2 zero tension, -2 absent
  int Y[4] = {};           // hypercharge coefficients of the stack U(1)s
  int pairIdentification[6] = {};
  char equivalence[5] = {};
  char identity[5] = {};
  int cDetermined = 0;
  int cEigenvalues[3] = {};
  int cMultiplicities[3] = {};
  int cCharges[3] = {};
  int dDetermined = 0;
  int dEigenvalues[3] = {};
  int dMultiplicities[3] = {};
  int dCharges[3] = {};
  int stackCount = 0;
  int Ynorm = 0;
  int cdOrdering = 0;
  int cSymmetry = 0;
  int dSymmetry = 0;
  int cSymmetryToCheck = 0;
  int dSymmetryToCheck = 0;
  int unitarySelfConjugates[4] = {};
  double tensionBudgets[4] = {};
  int antisymmetricTensors[4] = {};
  int symmetricTensors[4] = {};
  int Gamma[6] = {};
  int Delta[6] = {};
  int quarkDoublets[2] = {};
  int leptonDoublets[2] = {};
  int antiQuarks[4] = {};
  int singlets[3] = {};
  int universality[6] = {};
  int QUVRComparison = 0;
  int extraMasslessU1 = 0;
  int degenerateY = 0;
  int anomalyFreeU1 = 0;
  int extraU1[8] = {};
  int modelNumber = 0;
  int hyperchargeFlag = 0;
  int alreadyPrinted = 0;
  int headerPrinted = 0;
  ChanPatonData* chanPaton = nullptr;
  void* anomalyData = nullptr;
  void* decomposedSpectrum = nullptr;
  char line[80] = {};
  char title[120] = {};
};

extern StandardModel SM;
extern StandardModel SM2;
extern StandardModel SMc;
extern StandardModel SMx;

// Start-up: the model folder, the settings, the null-vector collection of the search's
// Chan-Paton record, the counters and the four records; installs the hooks of the strings
// layer (search record, discrete symmetries of a configuration).
void initializeSearchSM();
void resetSearchSM();
// Post-command of "ModelDir": the catalogue and lock paths in the model folder.
void ModelDirChanged();
const std::string& getCatalogueFileName();
const std::string& getCatalogueLockName();

// Live values of the settings bound at start-up (0 before start-up).
int searchSetting(const char* name);

void initializeStandardModelStruct(StandardModel* record);
void copyStandardModelStruct(StandardModel* destination, const StandardModel* source);
void AssignBraneLists(std::vector<int>* a, std::vector<int>* b, std::vector<int>* c, std::vector<int>* d);

// ---------------------------------------------------------------------------------------
// Search set-up

// The record, built once per bulk invariant; nullptr when it cannot be built.
SearchData* initStandardModelSearch();
// The record with its boundary and Ishibashi counts refreshed; nothing else is rebuilt.
SearchData* refreshSearchData();
// Fills the map and list of usable boundaries; their number.
int getUsableBoundaries();
// The same on given data: limit the first label from which boundaries are cut (at least
// 200001 and above the number of simple currents); images[o][b] the image of b under the
// o-th orientifold of non-zero tension. Fills map (2 x boundaries) and returns the count.
int fillUsableBoundaries(int boundaries, int currents, const std::vector<std::vector<int>>& images,
                         std::vector<int>* map);

void setOrientifoldPreselection(int n);
void setBoundary_a_Preselection(int n);
void setBoundary_b_Preselection(int n);
void setBoundary_c_Preselection(int n);
void setBoundary_d_Preselection(int n);
int getOrientifoldPreselection();
int getBoundary_a_Preselection();
int getBoundary_b_Preselection();
int getBoundary_c_Preselection();
int getBoundary_d_Preselection();
void PrintBoundarySelection();
int BoundaryClassPreselectionCheck(int boundaryClass);
// Resets the preselections, alerts with the reason and returns its status (0..4).
int Type_IIB_Error(int code);
void setSusySearch(int flag);
int getSusySearch();
void setPreScan(int mode);
int getPreScan();
// The model folder followed by name; checkDir of the result (0 folder, 1 file, -1 missing).
int setGSMfilename(const char* name);
const std::string& getGSMfilename();
// Set-up of the commands that work on one configuration: 0 proceed, non-zero failure.
int initSearchMemory();
