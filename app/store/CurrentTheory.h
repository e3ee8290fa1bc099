// The theory being worked on: the current stored theory (currentSD) or, while the
// tensor-mode switch KMCosetSwitch is set, the current tensor product (currentTensor).
// Every subsystem reads these; the query functions look at the switch and answer from one
// or the other.
//
// The values are defined here, at the lowest layer that knows a stored theory, and change
// only through the functions below (and the handlers that load a theory). They live for
// the run; the program's start-up makes the theory of type 1, rank 0, level 0 current.
#pragma once

struct SpectrumData;
struct TensorProduct;

// 1 in tensor mode: the query functions answer from the current tensor product.
extern int KMCosetSwitch;
// The current theory and its number of primaries (re-pointed together).
extern SpectrumData* currentSD;
extern int* TotalPrimaries;
// The current tensor product or coset; set by the tensor layer.
extern TensorProduct* currentTensor;

void setCosetMode(int value);
// Makes the theory of type 1, rank 0, level 0 current; returns it.
SpectrumData* initializeAlgebra();
// i held to 0 .. (primaries of the current theory - 1).
int checkFieldLimits(int i);
