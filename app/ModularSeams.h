// STAND-INS for services that the modular layer reads from subsystems still being built:
// the tensor-product layer (its record, S, T, weights, currents and names) and the
// bulk-invariant and orientifold stores. Each is declared with the name and arguments its
// owner will provide; remove a stand-in when the owner's version lands. The store's
// queries are its own (StoremanagerQueries.h).
//
// The tensor stand-ins report "not available yet" through Alert and answer with neutral
// values (0, -1, the trivial group).
#pragma once

#include <string>

#include "MathUtility.h"

struct BulkInvariant;
struct DGType;
struct SpectrumData;
struct TensorProduct;

// Tensor-product layer.
extern TensorProduct* currentTensor;
void getCosetS(TensorProduct* tensor, int i, int j, double* re, double* im);
void getCosetT(TensorProduct* tensor, int i, int j, double* re, double* im);
void getCosetrootT(TensorProduct* tensor, int i, int j, double* re, double* im);
double getCosetLogT(TensorProduct* tensor, int i);
int CT_S_Symmetry(TensorProduct* tensor);
int CT_getConjugate(TensorProduct* tensor, int f);
int CT_ConjugatesAvailable(TensorProduct* tensor);
int* TensorField(TensorProduct* tensor, int i);
int TensorRatWeight(TensorProduct* tensor, const int* labels, Rat* q);
double cosetCentralCharge(TensorProduct* tensor);
std::string getTensorCode(TensorProduct* tensor);
std::string getCurrentTensorFileName(const char* prefix, const char* middle, const char* suffix);
int CT_currentCheck(TensorProduct* tensor, int i);
int isTensorSuperCurrent(int f, TensorProduct* tensor);
int CT_simpleCurrentAction(int J, int a, TensorProduct* tensor);
int CT_simpleCurrentProduct(int i, int j, TensorProduct* tensor);
// The extended theory's current group and its supersymmetry flag (record fields).
DGType* CT_getCurrentGroup(TensorProduct* tensor);
int CT_getSusyFlag(TensorProduct* tensor);

// Store: conjugates, record queries, current arithmetic and fixed-point theories.
#include "StoremanagerQueries.h"

// Bulk invariants and orientifolds.
BulkInvariant** getCurrentBulk();
void resetBulk();
void resetOrientifold();
