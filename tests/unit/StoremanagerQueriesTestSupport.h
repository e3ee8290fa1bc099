// Helpers of the store's query tests: whole S and T matrices of a stored theory read
// through the store's accessors, matrix products, and text search.
#pragma once

#include <complex>
#include <string>
#include <vector>

#include "program/Boot.h"
#include "store/Storemanager.h"

using Complex = std::complex<double>;
using Matrix = std::vector<std::vector<Complex>>;

inline constexpr double kTol = 1e-7;

inline bool contains(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

inline Matrix sMatrix(SpectrumData* sd) {
  const int n = sd->n_primaries;
  Matrix S(static_cast<std::size_t>(n), std::vector<Complex>(static_cast<std::size_t>(n)));
  for (int a = 0; a < n; ++a) {
    for (int b = 0; b < n; ++b) {
      double re = 0.0, im = 0.0;
      SM_getS(sd, a, b, &re, &im);
      S[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] = Complex(re, im);
    }
  }
  return S;
}

// Diagonal of T: exp(2 pi i (h - c/24)).
inline std::vector<Complex> tDiagonal(SpectrumData* sd) {
  std::vector<Complex> T;
  for (int a = 0; a < sd->n_primaries; ++a) {
    double re = 0.0, im = 0.0;
    SM_getT(sd, a, a, &re, &im);
    T.emplace_back(re, im);
  }
  return T;
}

inline Matrix multiply(const Matrix& A, const Matrix& B) {
  const std::size_t n = A.size();
  Matrix C(n, std::vector<Complex>(n));
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t k = 0; k < n; ++k) {
      if (A[i][k] == Complex(0.0, 0.0)) continue;
      for (std::size_t j = 0; j < n; ++j) C[i][j] += A[i][k] * B[k][j];
    }
  return C;
}

inline Matrix adjoint(const Matrix& A) {
  const std::size_t n = A.size();
  Matrix C(n, std::vector<Complex>(n));
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j) C[i][j] = std::conj(A[j][i]);
  return C;
}

// Largest entry of |A - B|.
inline double distance(const Matrix& A, const Matrix& B) {
  double worst = 0.0;
  for (std::size_t i = 0; i < A.size(); ++i)
    for (std::size_t j = 0; j < A.size(); ++j) worst = std::max(worst, std::abs(A[i][j] - B[i][j]));
  return worst;
}

inline Matrix identity(std::size_t n) {
  Matrix I(n, std::vector<Complex>(n));
  for (std::size_t i = 0; i < n; ++i) I[i][i] = 1.0;
  return I;
}

// The permutation matrix of a conjugation table.
inline Matrix permutation(const std::vector<int>& image) {
  Matrix P(image.size(), std::vector<Complex>(image.size()));
  for (std::size_t i = 0; i < image.size(); ++i) P[i][static_cast<std::size_t>(image[i])] = 1.0;
  return P;
}
