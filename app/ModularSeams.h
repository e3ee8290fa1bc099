// STAND-INS for services that the modular layer reads from subsystems still being built:
// the tensor-product layer (its record, S, T, weights, currents and names), later parts
// of the store (conjugates, central charge, T, current arithmetic, fixed-point theories)
// and the bulk-invariant and orientifold stores. Each is declared with the name and
// arguments its owner will provide; remove a stand-in when the owner's version lands.
//
// The store stand-ins answer from the record's own fields (they are exact for affine Lie
// algebras); the tensor stand-ins report "not available yet" through Alert and answer
// with neutral values (0, -1, the trivial group).
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
int SM_getConjugate(SpectrumData* sd, int a);
int SM_ConjugatesAvailable(SpectrumData* sd);
double SM_getLogT(SpectrumData* sd, int a);
double SM_getCentralCharge(SpectrumData* sd);
int SM_currentCheck(SpectrumData* sd, int J);
int SM_SimpleCurrentFusion(SpectrumData* sd, int J1, int J2);
int SM_initFCFTData(SpectrumData* sd);
int SM_getFixedPoint(SpectrumData* sd, int lbl, int b);

// Bulk invariants and orientifolds.
BulkInvariant** getCurrentBulk();
void resetBulk();
void resetOrientifold();
