// Rebuilding a stored candidate from a model-file line (".models", ".analysed", ...): the
// line reader, the case rebuild with its bulk invariant, orientifold and instanton set-up,
// stack recombination, and the tadpole scan of standard-model candidates.
#pragma once

#include <cstdio>

#include "runtime/Terminal.h"

// 1 when a model line was read into `SM`, 0 at the end of the file or at the terminator.
// Lines are numbered (in the title) and shown from the last startModelInput on.
int readModelInputLine(FILE* file, int* status);
// A new model file: its lines are numbered and shown afresh.
void startModelInput();

// The progress line of a scan over an open model file, measured by the offset read so far
// (in bytes of the file's length); step() also obeys a pending Ctrl-C.
class ModelFileProgress {
 public:
  ModelFileProgress(const char* name, FILE* file);
  ModelFileProgress(const ModelFileProgress&) = delete;
  ModelFileProgress& operator=(const ModelFileProgress&) = delete;
  void step();

 private:
  FILE* file_;
  ProgressScope scope_;
};
// mode -2 remembers SM's case, -1 forgets it (both answer 0); otherwise rebuilds the case:
// 1, or 0 on failure; mode 1 also verifies the candidate.
int modelInitialization(int mode, int scan);
int BraneRecombination(const int labels[4], const int mults[4], int outLabels[4], int outMults[4]);
int initInstantonScan();
int buildMIPF(int number, int scan);
int buildOrientifold(int number);
void StandardModelTadpoleScan(const char* file, int type);

// Forgets the case built last and the line counters (start-up state).
void resetModelScan();
void printInputModelData(int k);

