// The nested-loop engine and the index-tuple iterators.
//
// Index tuples are int arrays of length n owned by the caller, with bound arrays of the same
// length. NestedLoops and RandomizedLoops take inclusive bounds (lo[i] <= x[i] <= hi[i]);
// increment and its relatives take exclusive upper bounds (lo[i] <= x[i] < hi[i]). The last
// index always runs fastest.
//
// Loop bodies return a count (>= 0) that is added to the total, -1 to stop with the total
// plus 1, -2 to stop with the total, and anything below -2 to abort with that value. The
// iterators return 0 after making a next tuple and 1 when exhausted, except
// incrementBinomial, which returns 1 while it made a next subset.
//
// The module keeps no state between calls; NestedLoops may be called from inside a body.
// NestedLoops and RandomizedLoops obey a pending Ctrl-C before every body call
// (obeyInterruptRequest: StopRequest leaves the loop and the command).
#pragma once

// body(n, x, ctx): called once per tuple.
using LoopBody = int (*)(int n, int* x, void* ctx);
// bounds(n, level, x, lo, hi, &curLo, &curHi, ctx): the inclusive range of x[level] for the
// current x[0..level-1].
using LoopBounds = void (*)(int n, int level, const int* x, const int* lo, const int* hi,
                            int* curLo, int* curHi, void* ctx);
// fn(n, level, x, hi, lo, ctx): called by incrementSqueezed after each step with the index
// that changed (n after the first call); it may narrow hi and lo.
using SqueezeFunction = void (*)(int n, int level, int* x, int* hi, int* lo, void* ctx);

// Calls body for every tuple of the box in lexicographic order, the first time at x = lo
// before any range is consulted (so the lower corner is visited even in an empty box).
// bounds (may be null) narrows the range of each level from the outer values; it is asked
// for the last level once per run of that level. Returns the total of the counts, with the
// stop and abort codes as above; n = 0 returns 0 without calling anything. A total beyond
// the int range is reported and saturates.
int NestedLoops(int n, const int* lo, const int* hi, int* x, void* ctx, LoopBounds bounds,
                LoopBody body);
// Calls body on count tuples drawn uniformly from the box (samples may repeat), with the
// same result codes. n = 0 or count < 1 returns 0.
int RandomizedLoops(int n, const int* lo, const int* hi, int* x, void* ctx, int count,
                    LoopBody body);
// The number of tuples of the inclusive box, prod (hi[i] - lo[i] + 1); 1.0 for n < 1.
double getLoopLength(int n, const int* lo, const int* hi);
// The rank of x among the tuples of the inclusive box in the order of NestedLoops, 0 for
// lo up to getLoopLength - 1 for hi: how much of the box a loop has passed, also where a
// bounds callback skips parts of it. Entries outside their range count as its nearest end.
double getLoopPosition(int n, const int* lo, const int* hi, const int* x);

// x = lo; 1 at the first empty range (hi[i] <= lo[i], later entries not set), else 0.
int incrementInit(int n, const int* lo, const int* hi, int* x);
// Odometer step; a wrapped index restarts at lo[i]. Returns 1 (x = lo again) when a carry
// leaves index 0, and for n = 0.
int increment(int n, const int* lo, const int* hi, int* x);
// Steps through x[0] >= x[1] >= ... >= x[n-1] with entries in 0..max-1.
int increment_ordered(int n, int max, int* x);
// cut = 0: increment. Otherwise the last index runs below lo[n-1]; a wrapped index restarts
// at lo[i], and the index to its left runs below hi of that index when some wrapped index
// had been above its lo, else below its lo.
int incrementCut(int n, const int* lo, const int* hi, int* x, int cut);
// x = 0 and *rest = bound; 1 at the first range below 1 or negative coefficient (the latter
// reported as "Negative coefficient").
int incrementBoundedInit(int n, const int* range, int* x, const int* coef, int bound, int* rest);
// Next tuple with 0 <= x[i] < range[i] and sum coef[i] x[i] <= bound; *rest is what remains
// of the bound.
int incrementBounded(int n, const int* range, int* x, const int* coef, int bound, int* rest);
// Next increasing k-subset of 0..n-1 in lexicographic order: 1 when made, 0 when x was the
// last subset (or k < 1).
int incrementBinomial(int n, int k, int* x);
// first = 1: x = 0 and fn(n, n, ...). Otherwise the odometer step (exclusive hi, reset to lo)
// followed by fn with the index that was increased; 1 when exhausted.
int incrementSqueezed(int n, int first, int* x, int* hi, int* lo, void* ctx, SqueezeFunction fn);
// The bounded iterator with double coefficients: the init refuses a negative range or
// coefficient; the step uses inclusive upper limits hi[i] and resets a wrapped index to
// lo[i].
int incrementBoundedInit_Double(int n, const int* range, int* x, const double* coef, double* rest,
                                double bound);
int incrementBounded_Double(int n, const int* lo, const int* hi, int* x, const double* coef,
                            double* rest, double bound);
