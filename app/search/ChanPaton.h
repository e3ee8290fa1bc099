// Chan-Paton data of a brane configuration: from a list of stacks (boundary labels of one
// orientifold with their multiplicities) to the record the open-spectrum, tachyon, anomaly
// and discrete-symmetry analyses read. A complex stack also occupies its conjugate label;
// distinct branes are numbered in the order of their smaller label.
//
// The search keeps one record of its own for the current candidate and the command set
// one for the configuration typed in (both live for the run; resetChanPaton empties them).
#pragma once

struct ChanPatonData;
struct OrientifoldInfo;
struct StandardModel;

// The filled record, or nullptr (with a message, the record unchanged) when the list is
// refused: a label and its conjugate together, or a label outside 0 .. boundaries - 1.
// A label of -1 stores nothing.
ChanPatonData* generateChanPatonData(ChanPatonData* record, int n, OrientifoldInfo* orientifold, const int* labels,
                                     const int* multiplicities);
// The same on an explicit table: conjugates[b] the image of b, groupTypes[b] its type.
ChanPatonData* fillChanPatonData(ChanPatonData* record, int n, int boundaries, const int* conjugates,
                                 const int* groupTypes, const int* labels, const int* multiplicities);
// The search's own record for a candidate (stacks a..d, d = -1 with three stacks).
ChanPatonData* generateChanPatonDataForStandardModel(StandardModel* model);
// 1 (with the message) when two stacks name a brane and its conjugate, else 0.
int CheckForConjugateBraneLabels(int n, const int* labels, int ignored, const int* conjugates);
// The command set's record.
ChanPatonData* getCommandChanPatonData();
void resetChanPaton();
