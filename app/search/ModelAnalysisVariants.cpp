// The other ways of writing one model type (c and d exchanged, c or d replaced by its
// orientifold image) as 48-int profiles laid out like words 0-47 of a model record, and the
// one-word spectrum code of the model files.
#include <cstdlib>

#include "numbers/MathUtility.h"
#include "runtime/Output.h"
#include "search/ModelAnalysisInternal.h"

namespace {

// Words of the profile.
constexpr int kGroup = 0, kMult = 4, kSym = 8, kAnti = 12, kGamma = 16, kDelta = 22, kY = 28, kNorm = 32;
constexpr int kCGen = 33, kDGen = 37, kPairs = 41, kExtra = 47;

void copyPlain(const StandardModel& m, int* p) {
  for (int k = 0; k < 48; ++k) p[k] = 0;
  for (int x = 0; x < 4; ++x) {
    p[kGroup + x] = m.groupTypes[x];
    p[kMult + x] = m.multiplicities[x];
    p[kSym + x] = m.symmetricTensors[x];
    p[kAnti + x] = m.antisymmetricTensors[x];
    p[kY + x] = m.Y[x];
  }
  for (int k = 0; k < 6; ++k) {
    p[kGamma + k] = m.Gamma[k];
    p[kDelta + k] = m.Delta[k];
    p[kPairs + k] = m.pairIdentification[k];
  }
  p[kNorm] = m.Ynorm;
  p[kCGen] = m.cEigenvalues[0];
  p[kCGen + 1] = m.cEigenvalues[1];
  p[kCGen + 2] = m.cMultiplicities[0];
  p[kCGen + 3] = m.cMultiplicities[1];
  p[kDGen] = m.dEigenvalues[0];
  p[kDGen + 1] = m.dEigenvalues[1];
  p[kDGen + 2] = m.dMultiplicities[0];
  p[kDGen + 3] = m.dMultiplicities[1];
}

// The common last step: the Y coefficients, the norm and the first two eigenvalues of both
// generators divided by their gcd taken on the model.
void divideCommonFactor(const StandardModel& m, int* p) {
  int g = m.Ynorm;
  for (int v : {m.Y[0], m.Y[1], m.Y[2], m.Y[3], m.cEigenvalues[0], m.cEigenvalues[1], m.dEigenvalues[0],
                m.dEigenvalues[1]})
    g = GCD(g, v);
  for (int k : {kY, kY + 1, kY + 2, kY + 3, kNorm, kCGen, kCGen + 1, kDGen, kDGen + 1}) {
    if (g == 0)
      p[k] = 0;
    else
      p[k] /= g;
  }
  p[kExtra] = m.extraMasslessU1;
}

// A generator of a conjugated stack (multiplicities m1, m2, m3 and eigenvalues e1, e2, e3).
void conjugateGenerator(const int* e, const int* mult, int N, int* out) {
  const int m3 = N - mult[0] - mult[1];
  const long long trace = static_cast<long long>(e[0]) * mult[0] + static_cast<long long>(e[1]) * mult[1];
  const int e3 = m3 != 0 ? static_cast<int>(-trace / m3) : 0;
  if (mult[0] == N) {
    out[0] = e[0], out[1] = e[1], out[2] = mult[0], out[3] = mult[1];
  } else if (mult[0] + mult[1] == N) {
    out[0] = -e[1], out[1] = -e[0], out[2] = mult[1], out[3] = mult[0];
  } else {
    out[0] = -e3, out[1] = -e[1], out[2] = m3, out[3] = mult[1];
  }
}

}  // namespace

void Interchange_cd(const StandardModel& m, int* p) {
  int callerCodes[6];
  for (int k = 0; k < 6; ++k) callerCodes[k] = p[kPairs + k];
  copyPlain(m, p);
  for (int base : {kGroup, kMult, kSym, kAnti, kY}) std::swap(p[base + 2], p[base + 3]);
  std::swap(p[kGamma + 1], p[kGamma + 2]);
  std::swap(p[kDelta + 1], p[kDelta + 2]);
  std::swap(p[kGamma + 3], p[kGamma + 4]);
  std::swap(p[kDelta + 3], p[kDelta + 4]);
  p[kDelta + 5] = -p[kDelta + 5];
  for (int k = 0; k < 4; ++k) std::swap(p[kCGen + k], p[kDGen + k]);
  for (int k = 0; k < 6; ++k) p[kPairs + k] = callerCodes[k];
  divideCommonFactor(m, p);
}

void Conjugate_c(const StandardModel& m, int* p) {
  copyPlain(m, p);
  p[kSym + 2] = -p[kSym + 2];
  p[kAnti + 2] = -p[kAnti + 2];
  p[kY + 2] = -p[kY + 2];
  std::swap(p[kGamma + 1], p[kDelta + 1]);
  if (m.groupTypes[1] == 0) {
    std::swap(p[kGamma + 3], p[kDelta + 3]);
  } else {
    p[kGamma + 3] = -p[kGamma + 3];
    p[kDelta + 3] = -p[kDelta + 3];
  }
  if (m.groupTypes[3] == 0) {
    const int G = p[kGamma + 5], D = p[kDelta + 5];
    p[kGamma + 5] = -D;
    p[kDelta + 5] = -G;
  } else {
    p[kGamma + 5] = -p[kGamma + 5];
  }
  conjugateGenerator(m.cEigenvalues, m.cMultiplicities, m.multiplicities[2], p + kCGen);
  divideCommonFactor(m, p);
  for (int k : {1, 3, 5}) p[kPairs + k] = -p[kPairs + k];
}

void Conjugate_d(const StandardModel& m, int* p) {
  copyPlain(m, p);
  p[kSym + 3] = -p[kSym + 3];
  p[kAnti + 3] = -p[kAnti + 3];
  p[kY + 3] = -p[kY + 3];
  std::swap(p[kGamma + 2], p[kDelta + 2]);
  if (m.groupTypes[1] == 0) {
    std::swap(p[kGamma + 4], p[kDelta + 4]);
  } else {
    p[kGamma + 4] = -p[kGamma + 4];
    p[kDelta + 4] = -p[kDelta + 4];
  }
  if (m.groupTypes[3] == 0)
    std::swap(p[kGamma + 5], p[kDelta + 5]);
  else
    p[kGamma + 5] = -p[kGamma + 5];
  conjugateGenerator(m.dEigenvalues, m.dMultiplicities, m.multiplicities[3], p + kDGen);
  divideCommonFactor(m, p);
  for (int k : {2, 4, 5}) p[kPairs + k] = -p[kPairs + k];
}

std::string spectrumCode(int tadpoleIndicator, int modelNumber) {
  const StandardModel& m = SM;
  const int* code = m.pairIdentification;  // ab, ac, ad, bc, bd, cd
  std::vector<int> stacks = {0};
  if (code[0] == 0) stacks.push_back(1);
  if (code[1] == 0 && code[3] == 0) stacks.push_back(2);
  if (code[2] == 0 && code[4] == 0 && code[5] == 0 && m.groupTypes[3] != -2) stacks.push_back(3);
  int size[4] = {m.multiplicities[0], m.multiplicities[1], m.multiplicities[2], m.multiplicities[3]};
  if (code[0] == 1) size[0] += m.multiplicities[1];
  if (code[1] == 1) size[0] += m.multiplicities[2];
  if (code[2] == 1) size[0] += m.multiplicities[3];
  if (code[3] == 1) size[1] += m.multiplicities[2];
  if (code[4] == 1) size[1] += m.multiplicities[3];
  if (code[5] == 1) size[2] += m.multiplicities[3];
  std::string text;
  for (int x : stacks) {
    const int gt = m.groupTypes[x];
    text += gt == -1 ? "S" : (gt == 0 ? "U" : (gt == 1 ? "O" : "?"));
    text += formatText("%d", size[x]);
  }
  text += "_";
  for (int x : stacks) {
    const bool anti = m.antisymmetricTensors[x] != 0, sym = m.symmetricTensors[x] != 0;
    text += anti && sym ? "T" : (anti ? "A" : (sym ? "S" : "V"));
  }
  text += formatText("_%d_%d", 1 - tadpoleIndicator, modelNumber);
  if (text.size() > 79) text.resize(79);
  return text;
}
