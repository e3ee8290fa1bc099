// The Weyl-group sum for S evaluated at real weights, with a real factor t multiplying
// every exponent (t = 1 gives the ordinary formula), for A, B, C, D, F4 and G2.
//
// Weights are rank doubles (finite Dynkin labels); each routine turns lambda+rho into
// real "orthogonal" coordinates with the same scaling as the integer S routines and
// evaluates cosine, sine or complex-exponential determinants of 2 pi t x_i y_j / M. The
// A to D routines keep their modulus and normalisation for the last (rank, level); the
// work buffers grow and stay allocated until resetS_analytic.
#pragma once

// Writes S(lambda, mu) for type 1..4, or type 5 of rank 4 (F4) or 2 (G2). Other inputs:
// alert 112311 and the outputs are left untouched.
void DoubleSDirect(int type, int rank, int level, const double* lambda, const double* mu, double* re,
                   double* im, double factor);

void DoubleZoqA(const double* lambda, const double* mu, double* re, double* im, int rank, int level,
                double factor);
void DoubleZoqB(const double* lambda, const double* mu, double* re, double* im, int rank, int level,
                double factor);
void DoubleZoqC(const double* lambda, const double* mu, double* re, double* im, int rank, int level,
                double factor);
void DoubleZoqD(const double* lambda, const double* mu, double* re, double* im, int rank, int level,
                double factor);
void DoubleZoqF(const double* lambda, const double* mu, double* re, double* im, int level, double factor);
// Echoes both weights ("IN1 ", "IN2 ") before it computes.
void DoubleZoqG(const double* lambda, const double* mu, double* re, double* im, int level, double factor);

// det[cos(2 pi t x_i y_j / M)], det[sin(-2 pi t x_i y_j / M)] and det[exp(-i theta_ij)].
double DoubleZoqDetCos(const double* x, const double* y, int n, double modulus, double factor);
double DoubleZoqDetSin(const double* x, const double* y, int n, double modulus, double factor);
void DoubleComplexZoqDet(const double* x, const double* y, int n, double modulus, double factor, double* re,
                         double* im);

// Real orthogonal coordinates of lambda+rho (same rules as the integer orth routines).
void DoubleorthA(double* out, const double* a, int rank);  // rank+1 entries
void DoubleorthB(double* out, const double* a, int rank);
void DoubleorthC(double* out, const double* a, int rank);
void DoubleorthD(double* out, const double* a, int rank);
void DoubleorthF(double* out, const double* a);

void resetS_analytic();
