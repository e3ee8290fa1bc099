// Galois and scale orbits of the current single theory, and the search for modular
// invariants among the matrices that commute with them. A listing has of the order of N
// lines for each of up to M factors l (N fields, M the conductor): it is printed line by
// line as it is made, and ends at the line where Ctrl-C comes, with "aborted". Cosets have
// no Galois action built in.
#include <string>

#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "runtime/Error.h"
#include "runtime/Output.h"
#include "runtime/Terminal.h"
#include "store/Galois.h"
#include "store/GaloisSearch.h"
#include "store/Storemanager.h"

namespace {

// The printing of a listing, a line at a time.
void printOrbitPiece(const std::string& piece) {
  PrintText(piece);
}

// The end of a listing: "aborted" when the user stopped it.
void endOrbitListing() {
  if (getStopSignal() != 0) Print("aborted\n");
  Print("\n");
}

// The Galois action is built for the affine Lie algebras (types 1 to 5) of single algebra
// mode; any other theory is refused with the reason (a refusal, so a command file goes on).
bool galoisActionDefined(const char* routine, const char* cosetText, const char* algebraText) {
  if (tensorModeOn() != 0) {
    Alert(routine, 0, kRefusedValue, "%s", cosetText);
    return false;
  }
  const SpectrumData* sd = currentRecord();
  if (sd == nullptr || sd->type < 1 || sd->type > 5) {
    Alert(routine, 1, kRefusedValue, "%s", algebraText);
    return false;
  }
  return true;
}

}  // namespace

int COM_compute_galois(char** /*params*/, int /*n*/) {
  if (!galoisActionDefined("COM_compute_galois", "Galois orbits for Cosets not built in",
                           "Galois orbits not defined for this algebra"))
    return 1;
  setStopSignal(0);
  SM_printFullGalois(currentRecord(), 0, 0, 0, printOrbitPiece);
  endOrbitListing();
  return 0;
}

int COM_compute_scale(char** /*params*/, int /*n*/) {
  if (!galoisActionDefined("COM_compute_scale", "Scale orbits not well-defined for Cosets",
                           "Scale orbits not defined for this algebra"))
    return 1;
  setStopSignal(0);
  SM_printAllScaleOrbits(currentRecord(), printOrbitPiece);
  endOrbitListing();
  return 0;
}

int COM_compute_galoisinvariants(char** /*params*/, int /*n*/) {
  if (!galoisActionDefined("COM_compute_galoisinvariants",
                           "Galois invariants not built in for Cosets",
                           "Galois invariants not defined for this algebra"))
    return 0;
  setStopSignal(0);
  SM_galoisInvariants(currentRecord());
  if (getStopSignal() != 0) Print("aborted\n");
  return 0;
}
