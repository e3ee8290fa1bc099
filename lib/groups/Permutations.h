// Permutations of n objects: sets of them as vector collections (one permutation per
// row, rows in insertion order, no row twice), and operations on single permutations.
// A permutation p lists the object at every position (p[i]); the identity is 0 .. n-1;
// composition c = a b is c[i] = a[b[i]].
//
// Each builder fills its own collection, which the next call of the same builder
// reuses: a caller finishes with one result before asking again. The manual permutation
// file (default "~/MP": white-space separated integers, n per permutation) replaces the
// generated full set when there are too many objects. State lives until
// resetPermutations.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "runtime/Allocation.h"

struct VectorSpace;

extern AllocationAccount PermutationAllocation;

// Objects beyond which the full set is not generated (9! rows at most).
inline constexpr int kMaximalGeneratedObjects = 9;

// All permutations of n objects in AllPermutations_0 (of the first 9 for n >= 10, unless
// the manual file gives the set).
VectorSpace* generateAllPermutations(int n);
void applyCyclicPermutations(VectorSpace* space, int t);
void cyclicPermutation(int n, int t, const int* src, int* dst, int s);
// Closes the collection under composition.
void ClosePermutations(VectorSpace* space);
// Reads n integers; -1 at the end of the file before the first, 1 for an entry that is
// missing or not a number, else 0.
int readPermutationLine(std::FILE* file, int* v, int n);
// One new collection per class of two or more equal labels; empty when there is none.
// They stay until the next call or releaseSubPermutations. Ctrl-C stops it (StopRequest).
std::vector<VectorSpace*> getSubPermutations(int n, const int* labels);
// The classes getSubPermutations makes collections of, with the same messages (the alert of
// a class of more than 10, the line "allocated: %d" of each class), but no collection: the
// positions of each class, increasing, classes in the order of their first position.
std::vector<std::vector<int>> subPermutationClasses(int n, const int* labels);
// Gives back the collections of the last getSubPermutations.
void releaseSubPermutations();
// The row, in a class collection of getSubPermutations with c members, of the arrangement
// that puts member arrangement[k] at place k (arrangement: a permutation of 0 .. c-1);
// -1 for anything else. Row 0 is the identity.
int subPermutationRow(int c, const int* arrangement);
// The arrangement of row t (0 <= t < c!) of such a collection: the inverse of
// subPermutationRow.
void subPermutationArrangement(int c, int t, int* arrangement);
// The permutations mapping every position to one with the same label (Permutations_0).
VectorSpace* generateSubPermutations(int n, const int* labels);
void applySubPermutations(VectorSpace* space, const VectorSpace* sub, int n, int c);
// The orbit of p under exchanges of equal-labelled positions other than `fixed`
// (PermutationList_0); nullptr once it holds more than max rows.
VectorSpace* generatePermutations(int n, int fixed, const int* p, const int* labels, int max);
// Sets the manual permutation file; a name of 1024 characters or more is refused.
void setManualPermutations(const char* name);
const std::string& getManualPermutations();

void multiplyPermutations(int n, const int* a, const int* b, int* c);
void multiplyCharPermutations(int n, const signed char* a, const signed char* b, signed char* c);
void inversePermutation(int n, const int* p, int* q);
void multiplyIds(int n, const int* a, const int* b, int* c);
int InvolutionCheck(int n, const int* p);
int countFixedEntries(int n, const int* p);
// " (0,2)(1)" style: a blank, then every cycle in parentheses.
std::string cyclicDecomposition(int n, const int* p);

// Restores the start state: empty collections, the default manual file name.
void resetPermutations();
