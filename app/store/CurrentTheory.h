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

// The count TotalPrimaries points at while the current tensor product has no computed
// spectrum, so that the field conversions take any label. It counts no fields: nothing is
// sized by it, and primaryCountKnown() tells it apart from a real count.
extern int MaxPrimaries;
void pointPrimariesAtMaximum();
// 0 while no spectrum of the current theory is computed (TotalPrimaries at MaxPrimaries or
// unset), else 1.
int primaryCountKnown();
// The number of primaries of the current theory; 0 while no spectrum is computed.
int knownPrimaryCount();
// True when the spectrum of the current theory is computed; else the alert "No spectrum
// computed; type "compute spectrum" first" (code 100201: a command-file run goes on) under
// the routine's name, and false.
bool requireSpectrum(const char* routine);

void setCosetMode(int value);
// Makes the theory of type 1, rank 0, level 0 current; returns it.
SpectrumData* initializeAlgebra();
// i held to 0 .. (primaries of the current theory - 1).
int checkFieldLimits(int i);
