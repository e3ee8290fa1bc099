// The current theory and the tensor-mode switch (see the header).
#include "store/CurrentTheory.h"

#include "runtime/Error.h"
#include "store/Storemanager.h"

int KMCosetSwitch = 0;
SpectrumData* currentSD = nullptr;
int* TotalPrimaries = nullptr;
TensorProduct* currentTensor = nullptr;
int MaxPrimaries = 2000000000;

void setCosetMode(int value) { KMCosetSwitch = value; }

SpectrumData* initializeAlgebra() {
  currentSD = SM_getData(1, 0, 0);
  TotalPrimaries = &currentSD->n_primaries;
  return currentSD;
}

void pointPrimariesAtMaximum() { TotalPrimaries = &MaxPrimaries; }

int primaryCountKnown() { return TotalPrimaries != nullptr && TotalPrimaries != &MaxPrimaries ? 1 : 0; }

int knownPrimaryCount() { return primaryCountKnown() ? *TotalPrimaries : 0; }

bool requireSpectrum(const char* routine) {
  if (primaryCountKnown()) return true;
  Alert(routine, 0, 100201, "No spectrum computed; type \"compute spectrum\" first");
  return false;
}

int checkFieldLimits(int i) {
  int primaries = TotalPrimaries != nullptr ? *TotalPrimaries : 0;
  if (i >= primaries) i = primaries - 1;
  return i < 0 ? 0 : i;
}
