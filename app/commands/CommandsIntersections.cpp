// Commands on brane intersections and the brane scan.
#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "interpreter/Interpreter.h"
#include "search/SearchSM.h"
#include "store/CurrentTheory.h"
#include "strings/Intersections.h"

// "Intersect" [bound a][bound b]
int COM_intersect(char** params, int n) {
  if (n < 2) return 1;
  return PrintIntersectionEntry(intParameter(params, 0), intParameter(params, 1)) != 0 ? 1 : -2;
}

// "scan branes": the scan builds the standard-model search set-up first.
int COM_branescan(char** /*params*/, int /*n*/) {
  if (!requireSpectrum("COM_branescan")) return 1;
  setBraneScanSetup(initStandardModelSearch);
  return BraneScan() != 0 ? 1 : 0;
}

void registerIntersectionCommands() {
  initCommand("Intersect", "[bound a][bound b]", COM_intersect,
              "Prints the intersection number of boundaries a and b and its chirality.");
}

void registerBraneScanCommands() {
  initCommand("scan branes", "", COM_branescan,
              "For every orientifold of non-zero tension writes the diagonal brane data\n"
              "(intersection with the image, Moebius sum, self-intersection, chiral\n"
              "symmetric and antisymmetric tensors) of every brane to MIPF_m_o.branes,\n"
              "and a summary of the case to MIPF_m_o.mipf, in the folder E<id> of the\n"
              "output folder (m the MIPF number, o the orientifold).");
}
