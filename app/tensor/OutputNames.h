// Output file names and spectrum printing: every result file of a case is named by one
// routine, so that the files of one theory, extension or invariant land in one folder
// tree under the output directory; and the spectrum table of the current theory.
#pragma once

#include <cstdio>
#include <string>

struct DGType;

// The output file name of the current case with this suffix; its folder is created on the
// way. An uncreatable folder gives two alerts and a private folder under /tmp.
std::string getCurrentOutputFileName(const char* suffix);
// a = -1: no range after the MIPF number; else "[a:b]".
void setBoundaryLimitString(int a, int b);
// Rows from .. to-1 of "Spectrum" (single algebra) or "TensorSpectrum" (tensor mode);
// mode 0 prints the header and chooses the columns afresh, 1 continues the last table.
void printSpectrum(int from, int to, int mode);
void printDiscreteGroup(const DGType* G, const int* map);
// "From Z(%d,%d): " in a field of 23 characters (wider when the text needs it).
std::string PrintEntry(int a, int b);
// The first line of a text, then every further line after 23 blanks.
void PrintShifted(const std::string& text);
// The invariant layer tells output names the MIPF number of the current invariant (-1
// for none) and how many invariants are stored; until then no name carries a number.
void setOutputNameHooks(int (*mipfIdentifier)(), int (*storedInvariants)());
// The susy switch of the standard-model search ("/SusyMIPF" or "/NonSusyMIPF" folders);
// installed by the search, none: not supersymmetric.
void setSusySearchSource(int (*source)());
// The MIPF part of a name: "_" and the number in three digits, in four when 1000 or more
// invariants are stored (and the number is below 1000); "" for -1.
std::string MIPFNameComponent(int mipf, int storedInvariants);
// Tests: the boundary range forgotten.
void resetOutputNames();
// The spectrum table without header to a stream.
void MOD_printSpectrum(int from, int to, std::FILE* stream);
// TeX identifier of a heterotic tensor product from factor `start` on: the N=2 minimal
// levels first (the lifted one as \symbol{k}, "^*" for an exceptional filter), then the
// other factors by type word and level; the value of "TensorName" when it is set.
std::string getHeteroticSpectrumIdentifier(int start);
