// The application's named table layouts: "Spectrum" (the primaries of the current
// theory), "TensorSpectrum" (of the current tensor product or coset), "Algebras" (the
// stored theories), "Decomposition" (the terms of a decomposition) and "Lorentz" (the
// little-group classes of a space-time dimension), defined once at start-up before the
// saved layouts of the preferences file are applied to them.
//
// The cells of "Spectrum", "TensorSpectrum", "Algebras" and "Decomposition" come from the
// subsystems that own the data (the store, tensor products, modular invariants). Those
// install their cell getters and column initialisers (setColumnRoutines) and their row
// routines (addIncrem / addItemSkip) through the table printer, in their own initialisers.
// Until then a column's cells are empty, and a column that needs an initialiser is left
// out of every print (its data are not available).
#pragma once

#include <vector>

#include "interpreter/Tables.h"

// Pointers to the shown flag of every column of "Spectrum", in column order, and to its
// header flag; set by initializePrintPrefs and valid for the run.
extern std::vector<int*> printPrefs;
extern int* headerRequired;

// Defines the five tables, then "Table_of_tables" and "TableInfo".
void initializeTables();
// Sets printPrefs and headerRequired.
void initializePrintPrefs();
