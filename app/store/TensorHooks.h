// Services of the tensor layer (tensor products, cosets and their extensions), which sits
// above the store and the modular data but is consulted by both: in tensor mode the
// modular data answer from the current tensor product, and a stored theory made from a
// tensor product takes its S matrix from it.
//
// Each service is a function pointer. The tensor layer's initialiser installs its own:
//   TensorHooks hooks = tensorHooks();  hooks.getCosetS = ...;  setTensorHooks(hooks);
// Until then each default reports "<name>: not available yet" through Alert and answers
// with a neutral value (0, -1, the S element 0, the trivial group, the code "NONE").
// Installed services stay for the run; resets leave them alone.
#pragma once

#include <string>

#include "numbers/MathUtility.h"

struct DGType;
struct SpectrumData;
struct TensorProduct;
struct VectorSpace;

struct TensorHooks {
  // S, T, sqrt(T) and log T (in units of 2 pi i) of fields of the tensor product.
  void (*getCosetS)(TensorProduct* tensor, int i, int j, double* re, double* im);
  void (*getCosetT)(TensorProduct* tensor, int i, int j, double* re, double* im);
  void (*getCosetrootT)(TensorProduct* tensor, int i, int j, double* re, double* im);
  double (*getCosetLogT)(TensorProduct* tensor, int i);
  // S between fields given by their factor labels (a stored theory made from a tensor
  // product), and the S matrix of the fixed-point theory of a current.
  void (*getCosetSOfLabels)(TensorProduct* tensor, const int* a, const int* b, double* re,
                            double* im);
  void (*CT_getOLA_Smatrix)(TensorProduct* tensor, int current, const int* a, const int* b,
                            double* re, double* im);
  int (*CT_S_Symmetry)(TensorProduct* tensor);
  int (*CT_getConjugate)(TensorProduct* tensor, int f);
  int (*CT_ConjugatesAvailable)(TensorProduct* tensor);
  // Factor labels of field i, and the weight of such labels as a fraction in q.
  int* (*TensorField)(TensorProduct* tensor, int i);
  int (*TensorRatWeight)(TensorProduct* tensor, const int* labels, Rat* q);
  // The weight of field i: TensorRatWeight of its labels, read from a table made once per
  // spectrum.
  int (*fieldRatWeight)(TensorProduct* tensor, int i, Rat* q);
  double (*cosetCentralCharge)(TensorProduct* tensor);
  std::string (*getTensorCode)(TensorProduct* tensor);
  // prefix + middle + the code of the current tensor product + suffix.
  std::string (*getCurrentTensorFileName)(const char* prefix, const char* middle,
                                          const char* suffix);
  int (*CT_currentCheck)(TensorProduct* tensor, int i);
  int (*isTensorSuperCurrent)(int f, TensorProduct* tensor);
  int (*CT_simpleCurrentAction)(int J, int a, TensorProduct* tensor);
  int (*CT_simpleCurrentProduct)(int i, int j, TensorProduct* tensor);
  // The extended theory's current group and its supersymmetry flag.
  DGType* (*CT_getCurrentGroup)(TensorProduct* tensor);
  int (*CT_getSusyFlag)(TensorProduct* tensor);
  // Fixed-point data (fields and currents are spectrum indices): S^J without and with the
  // phase of the total shift, the total shift of current J, the twist of field a for
  // currents K and J, the validity level, the contents column's set-up.
  void (*CT_getFCFT_Smatrix)(TensorProduct* tensor, int J, int i, int j, double* re, double* im);
  void (*CT_getOLA_SmatrixOfFields)(TensorProduct* tensor, int J, int i, int j, double* re,
                                    double* im);
  int (*getTotalFCFTshiftOfField)(TensorProduct* tensor, int J);
  int (*CT_getCurrentTwist)(TensorProduct* tensor, int a, int K, int J);
  int (*CT_isValidCFT)(TensorProduct* tensor);
  int (*CT_initContents)(TensorProduct* tensor);
  // Symmetries of the factors acting on the currents: the current images (one row per
  // symmetry), their number, and the image of current J under symmetry p.
  VectorSpace* (*CT_getCurrentOuterAutomorphisms)(TensorProduct* tensor);
  int (*CT_TotalOuterAutomorphisms)(TensorProduct* tensor);
  int (*CT_getCurrentPermutation)(TensorProduct* tensor, int p, int J);
  int (*getExtensionNumber)(const TensorProduct* tensor);
  // The fixed-point theories of a record made from the tensor product: their number, 0
  // for none, -1 on failure.
  int (*initFCFT)(TensorProduct* tensor, SpectrumData* sd);
};

const TensorHooks& tensorHooks();
void setTensorHooks(const TensorHooks& hooks);
