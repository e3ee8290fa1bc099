// The current theory and the tensor-mode switch (see the header).
#include "store/CurrentTheory.h"

#include "store/Storemanager.h"

int KMCosetSwitch = 0;
SpectrumData* currentSD = nullptr;
int* TotalPrimaries = nullptr;
TensorProduct* currentTensor = nullptr;

void setCosetMode(int value) { KMCosetSwitch = value; }

SpectrumData* initializeAlgebra() {
  currentSD = SM_getData(1, 0, 0);
  TotalPrimaries = &currentSD->n_primaries;
  return currentSD;
}

int checkFieldLimits(int i) {
  int primaries = TotalPrimaries != nullptr ? *TotalPrimaries : 0;
  if (i >= primaries) i = primaries - 1;
  return i < 0 ? 0 : i;
}
