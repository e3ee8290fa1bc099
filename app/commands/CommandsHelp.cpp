// Help functions of the application's commands and settings, printed by "help" after a
// command's registered text, and the two hooks registered beside them: the boundary
// mode's activation function and the change action of "Graded" and "Use_orbits". Help
// functions print plain text through Print, every line indented by four blanks, tables
// headed by a separator line.
#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "commands/CommandsSeams.h"
#include "invariants/Invariants.h"
#include "runtime/Error.h"
#include "runtime/Output.h"

namespace {

void separator() {
  PrintSeparatorWithText('-', "");
}

}  // namespace

void HLP_types() {
  Print("    The following algebra types are allowed:\n\n");
  Print("    type = A-G (untwisted affine Lie algebras)\n");
  Print("    type = At, Bt, Ct, Ft, Gt (twisted affine Lie algebras)\n");
  Print("    type = Bc (twisted B-tilde)\n");
  Print("    type = U  (U(1))\n\n");
  Print("    All types except U require two parameters, rank and level\n");
  Print("    Type U has only one parameter, namely the number of primaries.\n");
  Print("       (e.g. `Algebra U 2' is SU(2) level 1)\n\n");
}

void HLP_algebra() {
  Print("    In single algebra mode the command `Algebra' computes the spectrum\n");
  Print("    and enables the modular properties at once. To display the\n");
  Print("    spectrum use the `Display' command\n\n");
  HLP_types();
}

void HLP_minimal() {
  Print("    Labels for minimal model representations\n");
  separator();
  Print("    N=0:          (r,s,t)\n");
  Print("                    r,s: standard conventions\n");
  Print("                    t: SU(2) level 1 Dynkin index\n");
  Print("    N=1 (k odd):  (r,s,t)\n");
  Print("    N=1 (k even): (r,s,t,f)\n");
  Print("                    t: sector label\n");
  Print("                       0: NS ground state, 2: NS excited state\n");
  Print("                       1: R ground state,  3: R excited state\n");
  Print("                    f: field-id fixed point lbl\n");
  Print("                       -1: not a fixed point; 0 or 1: resolved fixed point\n");
  Print("    N=2:           (l,q,s)  (standard notation)\n");
  separator();
  Print("    N=1 and N=2 models are treated as ordinary CFTs: both members of a\n");
  Print("    supermultiplet are primaries.\n");
}

void HLP_restricted_spectrum() {
  Print("    With a spectrum limited to massless states or simple currents, modular\n");
  Print("    properties such as fusion rules do not work.\n");
  Print("    In single algebra mode the full spectrum is always computed and the\n");
  Print("    keyword has no effect. `Display massless' always computes the full spectrum.\n");
}

void HLP_restore() {
  Print("    Valid columns are those listed by `Table info spectrum'.\n");
  Print("    `List' and `Unlist' are short forms of `Table suppress Spectrum [col.]'\n");
  Print("    and `Table restore Spectrum [col.]', together with the same for `TensorSpectrum'.\n");
}

void HLP_newcol() {
  Print("    The column is added to the table `Spectrum' or `TensorSpectrum', depending on\n");
  Print("    the mode.\n");
  Print("    Name:       the header of the column; it must not duplicate an existing name.\n");
  Print("    Expression: evaluated for row i, every '#' in it being replaced by i.\n");
}

void HLP_susy() {
  Print("    D:       space-time dimension (at least 2)\n");
  Print("    sym:     1 symmetric, -1 antisymmetric, 0 no symmetrisation (default);\n");
  Print("             relevant only when L_susy = R_susy and m1 = m2\n");
  Print("    L_susy, R_susy: chiral supersymmetries 16, 8, 4, 2, 0 or Fn, optionally\n");
  Print("             followed by + or - for the chirality. The numbers count susy\n");
  Print("             generators (at most 32 for left plus right): 16, 8, 4 or 2 mean\n");
  Print("             the E8, E7, E6 or F4 case, 0 the bosonic string sector and Fn a\n");
  Print("             fermionic sector of embedding dimension n (larger than D: a torus\n");
  Print("             compactification of an n-dimensional theory).\n");
  Print("    Example (10 dimensions):   16+ 16+ yields type-IIB\n");
  Print("                               16+ 16- yields type-IIA\n");
  Print("    m1, m2:  multiplets: V vector (all types), M matter (supersymmetric types),\n");
  Print("             0 scalar (bosonic and fermionic types), S spinor (fermionic type);\n");
  Print("             M and S optionally followed by + or -. The chirality of S matters\n");
  Print("             only for even n, that of M only for D=4.\n");
  Print("    By default all allowed values of absent parameters except sym are scanned\n");
  Print("    for supersymmetric theories.\n");
}

void HLP_criteria() {
  Print("    The parameters are specified as follows\n");
  separator();
  Print("    x:       The parameter x defined in the QUVR paper, times 2\n");
  Print("    Gq:      Group type for brane q\n");
  Print("    Nq:      Number of stacks for brane q\n");
  Print("    Sq:      Number of symmetric tensors for brane  q\n");
  Print("    Aq:      Number of anti-symmetric tensors for brane q\n");
  Print("    Yq:      Coefficient of Y from brane q (times 6)\n");
  separator();
  Print("    x=10 selects unoriented models.\n");
  Print("    Group types can be -1 for symplectic, 0 for unitary, 1 for orthogonal\n");
  Print("    q can be a, b, c or d\n");
}

void HLP_decomp() {
  Print("    The parameter col_i chooses the column of the spectrum table shown for\n");
  Print("    tensor factor i.\n");
  Print("    Example: `browse decomp 100 dim rat rat' shows field 100 by the dimension of\n");
  Print("    factor 1 and the rational weights of factors 2 and 3.\n");
  Print("    An omitted col_i repeats the last one given, or `label' when none is given.\n");
}

void HLP_current() {
  Print("    The i-th current must be a valid current of the i-th factor.\n");
  Print("    The currents of a factor are labelled 0 to N-1, 0 being the identity and N\n");
  Print("    the number of its simple currents; the labels are the numbers `Nr.' listed\n");
  Print("    by `browse simple_currents' with the factor loaded alone (`algebra ...').\n");
}

void HLP_create() {
  Print("    The current coset or tensor theory is added as a new CFT, on equal footing\n");
  Print("    with the affine algebras; it can be tensored with any stored CFT, including\n");
  Print("    itself.\n");
  Print("    NOTE: after this operation the labels of the fields will often differ,\n");
  Print("    since the coset fields are regrouped into simple-current orbits.\n");
}

namespace {
// The parameters of the commands that print elements of S or P, and how a complex
// element reads.
void blockLines(char matrix) {
  Print("    No parameters:           display all\n");
  Print("    One parameter  (i):      display row i\n");
  Print("    Two parameters (i)(j):   display the element %c(i,j)\n", matrix);
  Print("    A complex element is printed as re + im i (re - |im| i when im < 0) and\n");
  Print("    (phase: x), its argument as a fraction of a full turn: x = arg/2pi,\n");
  Print("    0 <= x < 1.\n");
}
}  // namespace

void HLP_s() {
  blockLines('S');
}

void HLP_pmatrix() {
  Print("    Definition: P=T^(1/2) S T^2 S T^(1/2)\n");
  blockLines('P');
}

void HLP_fusion() {
  Print("    No parameters:                display all\n");
  Print("    One parameter  (i):           display i x (all)\n");
  Print("    Two parameters (i)(j):        display i x j = sum N_i_j^k (k)\n");
  Print("    Three parameters (i)(j)(k):   display N_i_j^k\n");
}

void HLP_pfusion() {
  Print("    Definition: Y_(i,j,k)=Sum_n S_in P_jn (P_kn)^*/ S_0n \n");
  Print("    (for P see `help pmatrix')\n");
  Print("    No parameters:                display all\n");
  Print("    One parameter  (i):           display i x (all)\n");
  Print("    Two parameters (i)(j):        display i x j\n");
  Print("    Notation: (i) x (j) = Sum_k Y_i_j^k (k) \n");
}

void HLP_twists() {
  Print("    F(J,K) is the shift of the conformal spin of the current induced by J\n");
  Print("    in the fixed-point CFT of K.\n");
  Print("    G(J,K) is defined by eta_J eta_K = G(J,K) eta_JK\n");
  Print("    For WZW-models F and G are expected to be equal.\n");
}

void HLP_bulk() {
  Print("    All invariants are implicitly charge conjugated in boundary and crosscap\n");
  Print("    computations: `Diagonal' means the Cardy case, and `Conjugation' is the\n");
  Print("    diagonal invariant, for which no algorithm is built in.\n");
  Print("    In closed-string spectra there is no implicit conjugation.\n");
}

void HLP_maxrank() {
  Print("    The maximal rank sizes internal arrays and grows automatically;\n");
  Print("    it should stay as small as possible.\n");
  Print("    The computation of S becomes unaccurate for ranks larger than 20.\n");
}

void HLP_graded() {
  Print("    With the switch on, tensor products respect the NS/R grading of the\n");
  Print("    factors: only purely NS or purely R combinations are kept.\n");
  Print("    Factors must first be graded with `grade'; minimal N=2 models are graded\n");
  Print("    automatically. Ungraded factors are tensored in the standard way.\n");
}

void HLP_space_dim() {
  Print("    The dimension should be between 3 and 10. The default (0 initially, not\n");
  Print("    selectable) is given by the largest SO(D) factor contained in the first\n");
  Print("    tensor factor.\n");
}

void HLP_super() {
  Print("    The superstring interpretation applies to heterotic or type-II strings in\n");
  Print("    D = 3 to 10. The first factor must be B_4, D_5, B_5, D_6, B_6, D_7, B_7 or D_8\n");
  Print("    for D = 3, 4, ..., 10, all at level 1.\n");
  Print("    The total central charge should be 26-D with a factor E_8 level 1, which is\n");
  Print("    assumed present when the total is 18-D.\n");
}

void HLP_use_orbits() {
  Print("    Simple-current orbits speed up fusion and annulus computations (charge\n");
  Print("    conservation, sums over orbits, relating elements of N_ijk or A_iab by\n");
  Print("    simple-current actions; only orbit-orbit elements of S and R are needed).\n");
  Print("    0: Orbits ignored\n");
  Print("    1: Orbits used but matrix elements not stored \n");
  Print("    2: Orbits used and matrix elements stored\n");
  Print("    Larger values equal 2. The stored data belong to the current CFT and are\n");
  Print("    erased when the mode, the tensor product or the algebra changes.\n");
}

namespace {
void storeValues() {
  Print("    0: not stored\n");
  Print("    1: stored, but computed as needed\n");
  Print("    2: stored and computed in advance at creation\n");
  Print("    The value at the creation of an algebra decides; the program may overrule\n");
  Print("    the choice for some algebras.\n");
}
}  // namespace

void HLP_store_s() {
  Print("    Whether orbit-orbit matrix elements of S are stored for algebras.\n");
  storeValues();
}

void HLP_store_s_fcft() {
  Print("    Whether the modular group representations used in fixed-point resolution\n");
  Print("    are stored for fixed-point CFTs.\n");
  storeValues();
}

void HLP_compute() {
  Print("Compute\n");
  Print("    In single algebra mode `compute' has no effect. In tensor mode it starts\n");
  Print("    the computation once all data are entered, and enables the computation of\n");
  Print("    S. `Compute' followed by `display' equals `display' alone.\n");
}

int InitializeOpenStrings() {
  if (getModularMode() != nullptr && getModularMode()->active == 0) {
    return Alert("InitializeOpenStrings", 0, kRefusedLookup, "%s",
                 getModularMode()->message.c_str());
  }
  return Alert("InitializeOpenStrings", 1, 212404,
               "Unexpected call of function InitializeOpenStrings");
}

void disableModularVerbose() {
  if (TotalInvariants() >= 1) {
    Alert("disableModularVerbose", 0, 100201,
          "All previous modular data and stored MIPFs are erased");
  }
  disableModular();
}
